#include <gtest/gtest.h>

#include "platform/Utf8.h"

namespace talvex {

TEST(Utf8, RoundTripsAsciiAndMultiByte) {
    const std::wstring text = L"Gr\u00FC\u00DFe \u65E5\u672C \U0001F600";
    EXPECT_EQ(Utf8ToWide(WideToUtf8(text)), text);
    EXPECT_EQ(WideToUtf8(L"\u00E9"), "\xC3\xA9");
    EXPECT_EQ(WideToUtf8(L"\U0001F600"), "\xF0\x9F\x98\x80");
}

TEST(Utf8, InvalidInputBecomesReplacementWithoutLosingTheRest) {
    // stray continuation, truncated sequence at the end, overlong encoding, encoded surrogate
    EXPECT_EQ(Utf8ToWide("a\x80z"), L"a\uFFFDz");
    EXPECT_EQ(Utf8ToWide("ab\xE2\x82"), L"ab\uFFFD");
    EXPECT_EQ(Utf8ToWide("\xC0\xAF"), L"\uFFFD");
    EXPECT_EQ(Utf8ToWide("\xED\xA0\x80x"), L"\uFFFDx");
    EXPECT_EQ(Utf8ToWide("\xE2\x82z"), L"\uFFFDz");
}

TEST(Utf8, UnencodableWideValuesBecomeReplacement) {
    std::wstring bad;
    bad.push_back(static_cast<wchar_t>(0xD800));
    bad.push_back(static_cast<wchar_t>(0x110000));
    EXPECT_EQ(WideToUtf8(bad), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

}  // namespace talvex
