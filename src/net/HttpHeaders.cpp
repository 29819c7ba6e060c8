#include "net/HttpHeaders.h"

#include <charconv>

#include "platform/Utf8.h"

namespace talvex {

namespace {

// Header fields allow blanks and tabs around their values.
std::wstring_view TrimBlanks(std::wstring_view text) {
    return Trim(text, Blanks::SpaceTab);
}

bool AllDigits(std::wstring_view text) {
    if (text.empty()) {
        return false;
    }
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') {
            return false;
        }
    }
    return true;
}

std::optional<uint64_t> ParseDigits(std::wstring_view text) {
    if (!AllDigits(text) || text.size() > 20) {
        return std::nullopt;
    }
    std::string narrow(text.begin(), text.end());
    uint64_t value = 0;
    auto [end, ec] = std::from_chars(narrow.data(), narrow.data() + narrow.size(), value);
    if (ec != std::errc() || end != narrow.data() + narrow.size()) {
        return std::nullopt;
    }
    return value;
}

bool HasBreak(std::wstring_view text) {
    return text.find_first_of(std::wstring_view(L"\r\n\0", 3)) != std::wstring_view::npos;
}

}  // namespace

std::optional<std::pair<std::wstring, std::wstring>> ParseResponseHeaderLine(
    std::string_view line) {
    size_t colon = line.find(':');
    if (colon == std::string_view::npos) {
        return std::nullopt;
    }
    return std::make_pair(LowerAscii(Utf8ToWide(line.substr(0, colon))),
                          Utf8ToWide(line.substr(colon + 1)));
}

std::optional<long> ParseStatusLine(std::string_view line) {
    if (line.substr(0, 5) != "HTTP/") {
        return std::nullopt;
    }
    size_t space = line.find(' ');
    if (space == std::string_view::npos || line.size() < space + 4) {
        return std::nullopt;
    }
    long code = 0;
    for (size_t i = space + 1; i < space + 4; ++i) {
        if (line[i] < '0' || line[i] > '9') {
            return std::nullopt;
        }
        code = code * 10 + (line[i] - '0');
    }
    return code;
}

std::optional<std::string> BuildRequestHeaderLine(std::wstring_view name, std::wstring_view value) {
    if (name.empty() || HasBreak(name) || HasBreak(value) ||
        name.find(L':') != std::wstring_view::npos) {
        return std::nullopt;
    }
    if (TrimBlanks(value).empty()) {
        return WideToUtf8(name) + ";";
    }
    return WideToUtf8(name) + ": " + WideToUtf8(value);
}

std::optional<uint64_t> ParseByteCount(std::wstring_view text) {
    return ParseDigits(TrimBlanks(text));
}

std::optional<ContentRange> ParseContentRange(std::wstring_view text) {
    text = TrimBlanks(text);
    if (LowerAscii(text.substr(0, 6)) != L"bytes ") {
        return std::nullopt;
    }
    text.remove_prefix(6);
    size_t dash = text.find(L'-');
    size_t slash = text.find(L'/');
    if (dash == std::wstring_view::npos || slash == std::wstring_view::npos || slash < dash) {
        return std::nullopt;
    }
    auto first = ParseDigits(TrimBlanks(text.substr(0, dash)));
    auto last = ParseDigits(TrimBlanks(text.substr(dash + 1, slash - dash - 1)));
    if (!first || !last || *last < *first) {
        return std::nullopt;
    }
    return ContentRange{*first, *last};
}

std::string RangeHeaderValue(uint64_t from, uint64_t to) {
    return "bytes=" + std::to_string(from) + "-" + std::to_string(to);
}

}  // namespace talvex
