#pragma once
// Substring search that stays linear in the text length whatever the pattern. Site scripts cut
// addresses out of whole pages (a megabyte is common), with markers that may themselves be long
// texts taken from the page; a naive search is quadratic for a long marker that almost matches
// everywhere, so long patterns use Knuth-Morris-Pratt.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace talvex {

class TextSearcher {
public:
    static constexpr size_t npos = std::wstring_view::npos;

    // The pattern must outlive the searcher.
    explicit TextSearcher(std::wstring_view pattern);

    // Position of the first occurrence at or after from; npos when there is none. The empty
    // pattern is found at from itself (npos when from is past the end).
    size_t Find(std::wstring_view text, size_t from = 0) const;
    // Highest position at which the pattern occurs; npos when there is none. The empty pattern
    // is found at the end of the text.
    size_t FindLast(std::wstring_view text) const;

    size_t PatternSize() const { return pattern_.size(); }

private:
    std::wstring_view pattern_;
    // KMP failure tables of the pattern and of the pattern read backwards, built on first use
    // and only for patterns long enough for the naive search to hurt.
    mutable std::vector<uint32_t> forwardTable_;
    mutable std::vector<uint32_t> backwardTable_;
};

// Every non-overlapping occurrence of search, scanning left to right, replaced by replacement.
// An empty search text leaves the text unchanged.
std::wstring ReplaceAll(std::wstring_view text, std::wstring_view search,
                        std::wstring_view replacement);

// The length ReplaceAll would give, without building it (saturates at SIZE_MAX).
size_t ReplacedLength(std::wstring_view text, std::wstring_view search,
                      std::wstring_view replacement);

// True when text contains pattern (linear, see above).
bool ContainsText(std::wstring_view text, std::wstring_view pattern);

}  // namespace talvex
