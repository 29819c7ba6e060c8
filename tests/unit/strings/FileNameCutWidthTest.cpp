// Cutting names to a byte limit where the characters change their UTF-8 width: the cut must
// count every character's exact width, or a name ends up longer than the file system takes.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Utf8.h"
#include "scripts/FileNameSanitizer.h"

namespace talvex {

namespace {

// Strict UTF-8: shortest forms only, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view s) {
    size_t i = 0;
    while (i < s.size()) {
        const auto b = static_cast<unsigned char>(s[i]);
        size_t length = 0;
        char32_t cp = 0;
        if (b < 0x80) {
            length = 1;
            cp = b;
        } else if ((b & 0xE0) == 0xC0) {
            length = 2;
            cp = b & 0x1F;
        } else if ((b & 0xF0) == 0xE0) {
            length = 3;
            cp = b & 0x0F;
        } else if ((b & 0xF8) == 0xF0) {
            length = 4;
            cp = b & 0x07;
        } else {
            return false;
        }
        if (i + length > s.size()) {
            return false;
        }
        for (size_t k = 1; k < length; ++k) {
            const auto c = static_cast<unsigned char>(s[i + k]);
            if ((c & 0xC0) != 0x80) {
                return false;
            }
            cp = (cp << 6) | (c & 0x3F);
        }
        constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < kLeast[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            return false;
        }
        i += length;
    }
    return true;
}

// "U+07FF/U+0800 x130": the characters past the ASCII run and the length, for failure messages.
std::string Describe(const std::wstring& name) {
    std::string out;
    wchar_t first = 0;
    for (wchar_t c : name) {
        if (c == L'a' || c == first) {
            continue;
        }
        char buf[16];
        std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(c));
        out += first == 0 ? buf : std::string("/") + buf;
        if (first != 0) {
            break;
        }
        first = c;
    }
    return out + " x" + std::to_string(name.size());
}

size_t Utf8Bytes(std::wstring_view text) {
    return WideToUtf8(text).size();
}

// Checks that `cut` is the longest prefix of `whole` within `limit` bytes, in valid UTF-8.
void ExpectLongestFittingPrefix(const std::wstring& whole, const std::wstring& cut, size_t limit) {
    const std::string bytes = WideToUtf8(cut);
    EXPECT_LE(bytes.size(), limit);
    EXPECT_TRUE(IsValidUtf8(bytes));
    ASSERT_LE(cut.size(), whole.size());
    EXPECT_EQ(cut, whole.substr(0, cut.size()));
    if (cut.size() < whole.size()) {
        EXPECT_GT(Utf8Bytes(whole.substr(0, cut.size() + 1)), limit) << "cut shorter than needed";
    }
}

// The last character of each UTF-8 width and the first of the next.
constexpr char32_t kWidthEdges[] = {0x7F, 0x80, 0x7FF, 0x800, 0xFFFF, 0x10000, 0x10FFFF};

// Names that put each edge character across every byte position around `limit`: a run of
// 0..3 ASCII letters shifts the alignment, then the edge character alone, or alternating with
// its neighbour across the width change, repeated well past the limit.
std::vector<std::wstring> NamesStraddling(size_t limit) {
    std::vector<std::wstring> names;
    for (size_t e = 0; e < std::size(kWidthEdges); ++e) {
        const auto c = static_cast<wchar_t>(kWidthEdges[e]);
        const auto next = static_cast<wchar_t>(kWidthEdges[(e + 1) % std::size(kWidthEdges)]);
        for (size_t shift = 0; shift < 4; ++shift) {
            std::wstring same(shift, L'a');
            std::wstring mixed(shift, L'a');
            while (Utf8Bytes(same) <= limit + 8) {
                same.push_back(c);
            }
            while (Utf8Bytes(mixed) <= limit + 8) {
                mixed.push_back(c);
                mixed.push_back(next);
            }
            names.push_back(same);
            names.push_back(mixed);
        }
    }
    return names;
}

}  // namespace

TEST(CutToUtf8Bytes, CutsAtTheLimitWhereverACharacterOfAnyWidthStraddlesIt) {
    for (size_t limit : {size_t{0}, size_t{1}, size_t{2}, size_t{3}, size_t{4}, size_t{5},
                         size_t{7}, size_t{12}, kMaxTitleBytes, kMaxFileNameBytes}) {
        for (const std::wstring& name : NamesStraddling(limit)) {
            SCOPED_TRACE("limit " + std::to_string(limit) + ", " + Describe(name));
            ExpectLongestFittingPrefix(name, CutToUtf8Bytes(name, limit), limit);
        }
    }
}

TEST(SanitizeFileName, LongTitlesOfAnyCharacterWidthFitWithSuffixAndExtension) {
    for (const std::wstring& name : NamesStraddling(kMaxTitleBytes)) {
        // Delete (U+007F) is one of the characters replaced by "_", of the same width.
        std::wstring replaced = name;
        for (wchar_t& ch : replaced) {
            ch = ch == 0x7F ? L'_' : ch;
        }
        SCOPED_TRACE(Describe(name));
        const std::wstring title = SanitizeFileName(name);
        ExpectLongestFittingPrefix(replaced, title, kMaxTitleBytes);
        EXPECT_LE(Utf8Bytes(title + L"[19].abcdefghijklmno"), kMaxFileNameBytes);
    }
}

}  // namespace talvex
