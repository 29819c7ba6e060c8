#pragma once
// The variable table of one script run: case-sensitive names to wide values. Every name reads
// as empty until it is assigned.
//
// Values are bounded: a script that doubles a text in a loop would otherwise exhaust memory
// long before the statement budget stops it. One value may hold a whole page of the HTTP
// client's page limit; the table as a whole a few of them.
#include <cstddef>
#include <string>
#include <unordered_map>

namespace talvex {

class ScriptVariables {
public:
    // Characters one value may hold (a page of 32 MiB of ASCII).
    static constexpr size_t kMaxValueLength = size_t{32} << 20;
    // Characters all values of one run may hold together.
    static constexpr size_t kMaxTotalLength = 4 * kMaxValueLength;

    ScriptVariables() = default;
    // Other bounds (tests).
    ScriptVariables(size_t maxValueLength, size_t maxTotalLength)
        : maxValueLength_(maxValueLength), maxTotalLength_(maxTotalLength) {}

    // The value of name; a name never assigned is entered with the empty value. The reference
    // stays valid until that same name is assigned again.
    const std::wstring& Get(const std::wstring& name);
    // The value of name without entering it; null when it was never assigned or read.
    const std::wstring* Find(const std::wstring& name) const;
    // False, leaving the table unchanged, when the value is longer than MaxValueLength() or
    // the table would grow past its total bound.
    bool Set(const std::wstring& name, std::wstring value);
    bool Contains(const std::wstring& name) const { return values_.count(name) != 0; }
    size_t Size() const { return values_.size(); }
    // Characters held by all values.
    size_t TotalLength() const { return totalLength_; }
    size_t MaxValueLength() const { return maxValueLength_; }

private:
    std::unordered_map<std::wstring, std::wstring> values_;
    size_t totalLength_ = 0;
    size_t maxValueLength_ = kMaxValueLength;
    size_t maxTotalLength_ = kMaxTotalLength;
};

}  // namespace talvex
