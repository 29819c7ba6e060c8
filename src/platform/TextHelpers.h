#pragma once
// Trimming, blank tests and lower-casing. Which characters count as blank depends on what is
// read, so every caller names its set:
//   SpaceTab            blank and tab: around HTTP header and cookie fields, between the
//                       words of an instance message
//   SpaceTabLineBreaks  blank, tab, CR and LF: between the words of a manual encoder command,
//                       around header values a download reads, around version texts
//   WhiteSpace          blank, tab, LF, VT, FF and CR (C's white space): language files, the
//                       script file and its statements, command lines
#include <string>
#include <string_view>

namespace talvex {

enum class Blanks { SpaceTab, SpaceTabLineBreaks, WhiteSpace };

constexpr bool IsBlank(wchar_t c, Blanks blanks) {
    switch (blanks) {
        case Blanks::SpaceTab:
            return c == L' ' || c == L'\t';
        case Blanks::SpaceTabLineBreaks:
            return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n';
        case Blanks::WhiteSpace:
            return c == L' ' || (c >= L'\t' && c <= L'\r');
    }
    return false;
}

// A byte of UTF-8 text: only ASCII bytes can be blank.
constexpr bool IsBlank(char c, Blanks blanks) {
    return IsBlank(static_cast<wchar_t>(static_cast<unsigned char>(c)), blanks);
}

// text without the blanks at its start and end.
std::wstring_view Trim(std::wstring_view text, Blanks blanks);
std::string_view Trim(std::string_view text, Blanks blanks);

// A to Z become a to z; everything else (any other letter, any byte above 0x7F) stays as it
// is, whatever the process's locale.
constexpr wchar_t LowerAscii(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}
std::wstring LowerAscii(std::wstring_view text);
std::string LowerAscii(std::string_view text);

}  // namespace talvex
