#pragma once
// The small grammar every script statement and function is parsed with: the split rule, argument
// lists and integer arguments.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace talvex {

// Blank, tab, line feed, vertical tab, form feed, carriage return.
bool IsScriptSpace(wchar_t c);
std::wstring TrimSpace(std::wstring_view text);

inline bool StartsWith(std::wstring_view text, std::wstring_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// The split rule: when separator occurs in text after its first character, returns the trimmed
// text before it and leaves text holding the trimmed rest after it. When the separator is
// absent or is the first character, returns the empty text and leaves text unchanged.
std::wstring SplitAt(std::wstring& text, wchar_t separator);

// "NAME(a, b, c)" with count arguments: the text is split at "(" (the head is dropped), at ","
// once per argument but the last and at ")" for the last. Nothing when any argument is empty.
std::optional<std::vector<std::wstring>> ParseArguments(std::wstring expression, size_t count);

// Reads a decimal integer the way C's atoi family does: leading white space and a sign are
// allowed, reading stops at the first other character, no digits give 0, and values beyond the
// 32-bit range are clamped to its limits.
int32_t ReadDecimalInt(std::wstring_view text);

}  // namespace talvex
