#include "platform/TextHelpers.h"

namespace talvex {

namespace {

template <class Char>
std::basic_string_view<Char> TrimText(std::basic_string_view<Char> text, Blanks blanks) {
    while (!text.empty() && IsBlank(text.front(), blanks)) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back(), blanks)) {
        text.remove_suffix(1);
    }
    return text;
}

}  // namespace

std::wstring_view Trim(std::wstring_view text, Blanks blanks) {
    return TrimText(text, blanks);
}

std::string_view Trim(std::string_view text, Blanks blanks) {
    return TrimText(text, blanks);
}

std::wstring LowerAscii(std::wstring_view text) {
    std::wstring lower(text);
    for (wchar_t& c : lower) {
        c = LowerAscii(c);
    }
    return lower;
}

std::string LowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return lower;
}

}  // namespace talvex
