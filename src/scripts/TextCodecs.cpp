#include "scripts/TextCodecs.h"

#include <array>
#include <vector>

#include "platform/Utf8.h"

namespace talvex {

namespace {

// Replaces every occurrence of `from` in `text`, scanning left to right and continuing after
// each inserted replacement. Returns whether anything was replaced.
bool ReplaceAll(std::wstring& text, std::wstring_view from, std::wstring_view to) {
    size_t pos = text.find(from);
    if (pos == std::wstring::npos) {
        return false;
    }
    std::wstring out;
    out.reserve(text.size());
    size_t start = 0;
    while (pos != std::wstring::npos) {
        out.append(text, start, pos - start);
        out.append(to);
        start = pos + from.size();
        pos = text.find(from, start);
    }
    out.append(text, start, std::wstring::npos);
    text.swap(out);
    return true;
}

int HexValue(wchar_t c) {
    if (c >= L'0' && c <= L'9') {
        return c - L'0';
    }
    if (c >= L'a' && c <= L'f') {
        return c - L'a' + 10;
    }
    if (c >= L'A' && c <= L'F') {
        return c - L'A' + 10;
    }
    return -1;
}

bool IsUrlSafe(unsigned char c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
        return true;
    }
    switch (c) {
        case '!':
        case '\'':
        case '(':
        case ')':
        case '*':
        case '-':
        case '.':
        case '/':
        case ':':
        case '_':
        case '~':
            return true;
        default:
            return false;
    }
}

constexpr wchar_t kLowerHex[] = L"0123456789abcdef";

// Lower-case hexadecimal of a value below 256, without leading zeros (printf "%x").
std::wstring ToHex(unsigned value) {
    std::wstring out;
    do {
        out.insert(out.begin(), kLowerHex[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    return out;
}

struct NamedEntity {
    std::wstring text;
    wchar_t character;
};

// The HTML 4 Latin-1 names for U+00A0 .. U+00FF, in code-point order.
constexpr std::array<std::wstring_view, 96> kLatin1Names = {
    L"nbsp",   L"iexcl",  L"cent",   L"pound",  L"curren", L"yen",    L"brvbar", L"sect",
    L"uml",    L"copy",   L"ordf",   L"laquo",  L"not",    L"shy",    L"reg",    L"macr",
    L"deg",    L"plusmn", L"sup2",   L"sup3",   L"acute",  L"micro",  L"para",   L"middot",
    L"cedil",  L"sup1",   L"ordm",   L"raquo",  L"frac14", L"frac12", L"frac34", L"iquest",
    L"Agrave", L"Aacute", L"Acirc",  L"Atilde", L"Auml",   L"Aring",  L"AElig",  L"Ccedil",
    L"Egrave", L"Eacute", L"Ecirc",  L"Euml",   L"Igrave", L"Iacute", L"Icirc",  L"Iuml",
    L"ETH",    L"Ntilde", L"Ograve", L"Oacute", L"Ocirc",  L"Otilde", L"Ouml",   L"times",
    L"Oslash", L"Ugrave", L"Uacute", L"Ucirc",  L"Uuml",   L"Yacute", L"THORN",  L"szlig",
    L"agrave", L"aacute", L"acirc",  L"atilde", L"auml",   L"aring",  L"aelig",  L"ccedil",
    L"egrave", L"eacute", L"ecirc",  L"euml",   L"igrave", L"iacute", L"icirc",  L"iuml",
    L"eth",    L"ntilde", L"ograve", L"oacute", L"ocirc",  L"otilde", L"ouml",   L"divide",
    L"oslash", L"ugrave", L"uacute", L"ucirc",  L"uuml",   L"yacute", L"thorn",  L"yuml",
};

// The 101 entities in the order they are applied. "&amp;" comes last: decoding it earlier
// would let "&amp;lt;" become "&lt;" and then "<", decoding one escape level too many.
static_assert(4 + kLatin1Names.size() + 1 == kNamedEntityPasses);

const std::vector<NamedEntity>& EntityTable() {
    static const std::vector<NamedEntity> table = [] {
        std::vector<NamedEntity> t = {
            {L"&quot;", L'"'}, {L"&apos;", L'\''}, {L"&lt;", L'<'}, {L"&gt;", L'>'}};
        for (size_t i = 0; i < kLatin1Names.size(); ++i) {
            t.push_back(
                {L"&" + std::wstring(kLatin1Names[i]) + L";", static_cast<wchar_t>(0xA0 + i)});
        }
        t.push_back({L"&amp;", L'&'});
        return t;
    }();
    return table;
}

}  // namespace

std::wstring UrlEncode(std::wstring_view text) {
    const std::string bytes = WideToUtf8(text);
    std::wstring out;
    out.reserve(bytes.size());
    for (char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (IsUrlSafe(c)) {
            out.push_back(static_cast<wchar_t>(c));
        } else {
            out.push_back(L'%');
            out.push_back(kLowerHex[c >> 4]);
            out.push_back(kLowerHex[c & 0xF]);
        }
    }
    return out;
}

std::wstring UrlDecode(std::wstring_view text) {
    std::wstring plusDecoded(text);
    for (wchar_t& c : plusDecoded) {
        if (c == L'+') {
            c = L' ';
        }
    }
    const std::string bytes = WideToUtf8(plusDecoded);
    std::string decoded;
    decoded.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '%') {
            decoded.push_back(bytes[i]);
            continue;
        }
        if (i + 2 >= bytes.size()) {
            return plusDecoded;
        }
        const int high = HexValue(static_cast<unsigned char>(bytes[i + 1]));
        const int low = HexValue(static_cast<unsigned char>(bytes[i + 2]));
        if (high < 0 || low < 0) {
            return plusDecoded;
        }
        decoded.push_back(static_cast<char>(high * 16 + low));
        i += 2;
    }
    return Utf8ToWide(decoded);
}

std::wstring DecodeNamedEntities(std::wstring_view text) {
    std::wstring out(text);
    for (const NamedEntity& entity : EntityTable()) {
        ReplaceAll(out, entity.text, std::wstring_view(&entity.character, 1));
    }
    return out;
}

std::wstring DecodeNumericReferences(std::wstring_view text) {
    std::wstring out(text);
    for (int code = 32; code <= 511; ++code) {
        if (out.find(L"&#") == std::wstring::npos) {
            break;
        }
        const wchar_t character = static_cast<wchar_t>(code);
        const std::wstring number = std::to_wstring(code);
        ReplaceAll(out, L"&#" + number + L";", std::wstring_view(&character, 1));
        ReplaceAll(out, L"&#0" + number + L";", std::wstring_view(&character, 1));
    }
    return out;
}

std::wstring DecodeHexEscapes(std::wstring_view text) {
    std::wstring out(text);
    for (unsigned code = 32; code <= 254; ++code) {
        if (out.find(L"\\x") == std::wstring::npos) {
            break;
        }
        const wchar_t character = static_cast<wchar_t>(code);
        ReplaceAll(out, L"\\x" + ToHex(code), std::wstring_view(&character, 1));
    }
    return out;
}

std::wstring DecodeU00Escapes(std::wstring_view text) {
    std::wstring out(text);
    for (unsigned code = 32; code <= 254; ++code) {
        if (out.find(L"\\u00") == std::wstring::npos) {
            break;
        }
        const wchar_t character = static_cast<wchar_t>(code);
        ReplaceAll(out, L"u00" + ToHex(code), std::wstring_view(&character, 1));
    }
    return out;
}

std::wstring HexToBits(std::wstring_view hex) {
    std::wstring out;
    out.reserve(hex.size() * 4);
    for (wchar_t c : hex) {
        const int value = HexValue(c);
        if (value < 0) {
            continue;
        }
        for (int bit = 3; bit >= 0; --bit) {
            out.push_back((value >> bit) & 1 ? L'1' : L'0');
        }
    }
    return out;
}

std::wstring BitsToHex(std::wstring_view bits) {
    std::wstring out;
    out.reserve(bits.size() / 4);
    for (size_t i = 0; i + 4 <= bits.size(); i += 4) {
        unsigned value = 0;
        bool valid = true;
        for (size_t k = 0; k < 4; ++k) {
            const wchar_t c = bits[i + k];
            if (c != L'0' && c != L'1') {
                valid = false;
                break;
            }
            value = value * 2 + (c == L'1' ? 1 : 0);
        }
        if (valid) {
            out.push_back(kLowerHex[value]);
        }
    }
    return out;
}

std::wstring Utf8BytesToWide(std::string_view bytes) {
    const size_t end = bytes.find('\0');
    return Utf8ToWide(end == std::string_view::npos ? bytes : bytes.substr(0, end));
}

std::string WideToUtf8Bytes(std::wstring_view text) {
    return WideToUtf8(text);
}

}  // namespace talvex
