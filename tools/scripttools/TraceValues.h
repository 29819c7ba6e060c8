#pragma once
// Values as a trace line shows them: in double quotes, on one line (line breaks and other
// control characters written as \r, \n, \t, \xNN), long values cut with their length, and the
// password a login was given never shown.
#include <cstddef>
#include <string>
#include <vector>

namespace talvex::scripttools {

class TraceValues {
public:
    // Values longer than this are cut to kShownCharacters.
    static constexpr size_t kMaxShown = 80;
    static constexpr size_t kShownCharacters = 60;

    // A text that is shown as "***" wherever it occurs (a password and its URL-encoded form).
    void AddSecret(const std::wstring& secret);
    bool IsSecret(const std::wstring& value) const;

    // "value", or "first characters..." (N chars).
    std::string Format(const std::wstring& value) const;

private:
    std::vector<std::wstring> secrets_;
};

}  // namespace talvex::scripttools
