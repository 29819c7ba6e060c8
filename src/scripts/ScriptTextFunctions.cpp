#include "scripts/ScriptTextFunctions.h"

#include <algorithm>
#include <vector>

#include "scripts/Md5.h"
#include "scripts/ScriptSyntax.h"
#include "scripts/TextCodecs.h"
#include "scripts/TextSearch.h"

namespace talvex {
namespace {

// Membership in the delimiter set in constant or logarithmic time, so that a long delimiter
// value cannot make splitting quadratic.
class CharacterSet {
public:
    explicit CharacterSet(std::wstring_view characters)
        : sorted_(characters.begin(), characters.end()) {
        std::sort(sorted_.begin(), sorted_.end());
        sorted_.erase(std::unique(sorted_.begin(), sorted_.end()), sorted_.end());
    }
    bool Contains(wchar_t c) const { return std::binary_search(sorted_.begin(), sorted_.end(), c); }
    bool Empty() const { return sorted_.empty(); }

private:
    std::vector<wchar_t> sorted_;
};

std::wstring_view CutBetween(std::wstring_view text, size_t begin, size_t end) {
    begin = std::min(begin, text.size());
    end = std::min(end, text.size());
    if (end <= begin) {
        return {};
    }
    return text.substr(begin, end - begin);
}

}  // namespace

std::optional<std::wstring> SubStr(std::wstring_view mode, std::wstring_view source,
                                   std::wstring_view startMarker, std::wstring_view endMarker) {
    const bool forward = StartsWith(mode, L"FWD");
    if (!forward && !StartsWith(mode, L"REV")) {
        return std::nullopt;
    }
    const TextSearcher start(startMarker);
    const size_t found = forward ? start.Find(source) : start.FindLast(source);
    if (found == TextSearcher::npos) {
        return std::wstring();
    }
    const size_t begin = found + startMarker.size();
    if (endMarker.empty()) {
        return std::wstring(source.substr(begin));
    }
    const size_t end = TextSearcher(endMarker).Find(source, begin);
    if (end == TextSearcher::npos) {
        return std::wstring(source.substr(begin));
    }
    return std::wstring(source.substr(begin, end - begin));
}

std::wstring FindStr(std::wstring_view source, std::wstring_view search, int32_t start) {
    if (start < 0 || static_cast<size_t>(start) > source.size()) {
        return L"-1";
    }
    const size_t found = TextSearcher(search).Find(source, static_cast<size_t>(start));
    if (found == TextSearcher::npos) {
        return L"-1";
    }
    return std::to_wstring(static_cast<int32_t>(found));
}

std::wstring StrFromArr(std::wstring_view source, std::wstring_view delimiters, int32_t index) {
    const int32_t wanted = std::max<int32_t>(index, 1);
    const CharacterSet delimiterSet(delimiters);
    int32_t number = 0;
    size_t pos = 0;
    while (pos < source.size()) {
        while (pos < source.size() && delimiterSet.Contains(source[pos])) {
            ++pos;
        }
        if (pos == source.size()) {
            break;
        }
        size_t end = pos;
        while (end < source.size() && !delimiterSet.Contains(source[end])) {
            ++end;
        }
        if (++number == wanted) {
            return std::wstring(source.substr(pos, end - pos));
        }
        pos = end;
    }
    return std::wstring();
}

std::wstring GetTitle(std::wstring_view page) {
    std::wstring_view title;
    const size_t closing = page.find(L"</title>");
    if (closing != std::wstring_view::npos) {
        const size_t opening = page.find(L"<title>");
        // An absent opening tag counts as position -1, so the title starts at 6.
        const size_t begin = opening == std::wstring_view::npos ? 6 : opening + 7;
        title = CutBetween(page, begin, closing);
    } else {
        const size_t upperClosing = page.find(L"</TITLE>");
        if (upperClosing != std::wstring_view::npos) {
            const size_t opening = page.find(L"<TITLE>");
            const size_t begin = opening == std::wstring_view::npos ? 6 : opening + 7;
            title = CutBetween(page, begin, upperClosing);
        }
    }
    std::wstring result = TrimSpace(title);
    result.erase(std::remove(result.begin(), result.end(), L'\n'), result.end());
    return result;
}

std::wstring DateDiffText(std::time_t now) {
    const auto low = static_cast<uint32_t>(static_cast<uint64_t>(static_cast<int64_t>(now)));
    return std::to_wstring(static_cast<int32_t>(low));
}

std::optional<std::wstring> MegaVideoDecrypt(std::wstring_view text, int32_t key1, int32_t key2) {
    constexpr size_t kNumbers = 384;
    constexpr size_t kScrambledBits = 128;
    std::wstring bits = HexToBits(text);
    if (bits.size() < kScrambledBits) {
        return std::nullopt;
    }
    // 32-bit signed arithmetic with wrap-around; % keeps the sign of the dividend.
    auto wrap = [](int64_t value) { return static_cast<int32_t>(static_cast<uint32_t>(value)); };
    int32_t numbers[kNumbers];
    for (size_t i = 0; i < kNumbers; ++i) {
        key1 = wrap(int64_t{key1} * 11 + 77213) % 81371;
        key2 = wrap(int64_t{key2} * 17 + 92717) % 192811;
        numbers[i] = wrap(int64_t{key1} + key2) % 128;
    }
    // Negative keys give negative positions, which name no bit: such keys cannot descramble.
    for (size_t i = 0; i <= 256; ++i) {
        if (numbers[i] < 0) {
            return std::nullopt;
        }
    }
    for (int i = 256; i >= 0; --i) {
        std::swap(bits[static_cast<size_t>(numbers[i])], bits[static_cast<size_t>(i % 128)]);
    }
    for (size_t i = 0; i < kScrambledBits; ++i) {
        if (numbers[256 + i] % 2 != 0) {
            bits[i] = bits[i] == L'0' ? L'1' : L'0';
        }
    }
    std::wstring hex = BitsToHex(bits);
    if (hex.empty()) {
        return std::nullopt;
    }
    return hex;
}

std::optional<std::wstring> Md5Text(std::wstring_view text) {
    const std::optional<std::string> digest = Md5Hex(WideToUtf8Bytes(text));
    if (!digest) {
        return std::nullopt;
    }
    return std::wstring(digest->begin(), digest->end());
}

HexArgument ParseHexArgument(std::wstring expression) {
    SplitAt(expression, L'(');
    auto dropTrailing = [&expression](std::wstring_view characters) {
        while (!expression.empty() && characters.find(expression.back()) != std::wstring::npos) {
            expression.pop_back();
        }
    };
    HexArgument argument;
    if (!expression.empty() && expression.front() == L'"') {
        argument.isLiteral = true;
        dropTrailing(L";");
        if (!expression.empty() && expression.back() == L')') {
            expression.pop_back();
        }
        // Between the opening quote and a closing one.
        std::wstring_view inner = std::wstring_view(expression).substr(1);
        if (!inner.empty() && inner.back() == L'"') {
            inner.remove_suffix(1);
        }
        argument.text = std::wstring(inner);
        return argument;
    }
    dropTrailing(L";)");
    const size_t first = expression.find_first_not_of(L')');
    argument.text =
        TrimSpace(first == std::wstring::npos ? std::wstring_view()
                                              : std::wstring_view(expression).substr(first));
    return argument;
}

}  // namespace talvex
