#include "scripts/ScriptSyntax.h"

#include <limits>

#include "platform/TextHelpers.h"

namespace talvex {

bool IsScriptSpace(wchar_t c) {
    return IsBlank(c, Blanks::WhiteSpace);
}

std::wstring TrimSpace(std::wstring_view text) {
    return std::wstring(Trim(text, Blanks::WhiteSpace));
}

std::wstring SplitAt(std::wstring& text, wchar_t separator) {
    const size_t pos = text.find(separator);
    if (pos == std::wstring::npos || pos == 0) {
        return std::wstring();
    }
    std::wstring head = TrimSpace(std::wstring_view(text).substr(0, pos));
    text = TrimSpace(std::wstring_view(text).substr(pos + 1));
    return head;
}

std::optional<std::vector<std::wstring>> ParseArguments(std::wstring expression, size_t count) {
    if (count == 0) {
        return std::vector<std::wstring>();
    }
    SplitAt(expression, L'(');
    std::vector<std::wstring> arguments;
    arguments.reserve(count);
    for (size_t i = 0; i + 1 < count; ++i) {
        std::wstring argument = SplitAt(expression, L',');
        if (argument.empty()) {
            return std::nullopt;
        }
        arguments.push_back(std::move(argument));
    }
    std::wstring last = SplitAt(expression, L')');
    if (last.empty()) {
        return std::nullopt;
    }
    arguments.push_back(std::move(last));
    return arguments;
}

int32_t ReadDecimalInt(std::wstring_view text) {
    size_t i = 0;
    while (i < text.size() && IsScriptSpace(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) {
        negative = text[i] == L'-';
        ++i;
    }
    // Accumulate the magnitude with saturation just past the 32-bit range.
    constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    int64_t magnitude = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        magnitude = magnitude * 10 + (text[i] - L'0');
        if (magnitude > kLimit) {
            magnitude = kLimit;
        }
    }
    const int64_t value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<int32_t>::max()) {
        return std::numeric_limits<int32_t>::max();
    }
    if (value < std::numeric_limits<int32_t>::min()) {
        return std::numeric_limits<int32_t>::min();
    }
    return static_cast<int32_t>(value);
}

}  // namespace talvex
