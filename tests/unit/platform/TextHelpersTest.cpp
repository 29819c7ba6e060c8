// Trimming, blank tests and lower-casing: each set of blanks holds exactly its characters, and
// lower-casing touches A to Z only.
#include <gtest/gtest.h>

#include <string>

#include "platform/TextHelpers.h"

namespace talvex {
namespace {

TEST(TextHelpers, EachSetOfBlanksHoldsExactlyItsCharacters) {
    const std::wstring spaceTab = L" \t";
    const std::wstring lineBreaks = L" \t\r\n";
    const std::wstring whiteSpace = L" \t\n\v\f\r";
    for (wchar_t c = 0; c < 0x3000; ++c) {
        EXPECT_EQ(IsBlank(c, Blanks::SpaceTab), spaceTab.find(c) != std::wstring::npos) << int(c);
        EXPECT_EQ(IsBlank(c, Blanks::SpaceTabLineBreaks), lineBreaks.find(c) != std::wstring::npos)
            << int(c);
        EXPECT_EQ(IsBlank(c, Blanks::WhiteSpace), whiteSpace.find(c) != std::wstring::npos)
            << int(c);
    }
    // Bytes of UTF-8 text: nothing above 0x7F is blank (0xA0, 0x85 are parts of characters).
    for (int byte = 0; byte < 256; ++byte) {
        const char c = static_cast<char>(byte);
        EXPECT_EQ(IsBlank(c, Blanks::WhiteSpace),
                  byte < 0x80 && IsBlank(wchar_t(byte), Blanks::WhiteSpace))
            << byte;
    }
}

TEST(TextHelpers, TrimTakesOnlyItsOwnBlanksFromBothEnds) {
    const std::wstring text = L"\v\r\n \tA b\t \n\r\f";
    EXPECT_EQ(Trim(text, Blanks::WhiteSpace), L"A b");
    EXPECT_EQ(Trim(text, Blanks::SpaceTabLineBreaks), L"\v\r\n \tA b\t \n\r\f");
    EXPECT_EQ(Trim(L"\r\n \tA b\t \n\r", Blanks::SpaceTabLineBreaks), L"A b");
    EXPECT_EQ(Trim(L"\r\n \tA b\t \n\r", Blanks::SpaceTab), L"\r\n \tA b\t \n\r");
    EXPECT_EQ(Trim(L" \tA b\t ", Blanks::SpaceTab), L"A b");
    EXPECT_EQ(Trim(L" \t\r\n\v\f", Blanks::WhiteSpace), L"");
    EXPECT_EQ(Trim(L"", Blanks::SpaceTab), L"");
    EXPECT_EQ(Trim(L"\u3000x\u00A0", Blanks::WhiteSpace), L"\u3000x\u00A0");
    EXPECT_EQ(Trim(std::string(" \tname=v\t "), Blanks::SpaceTab), "name=v");
    EXPECT_EQ(Trim(std::string("\r\nv\n"), Blanks::SpaceTab), "\r\nv\n");
}

TEST(TextHelpers, LowerCasingTouchesAToZOnly) {
    EXPECT_EQ(LowerAscii(std::wstring_view(L"Content-TYPE: AZaz@[`{09")),
              L"content-type: azaz@[`{09");
    // Other letters stay, even those whose lower case is an ASCII letter.
    EXPECT_EQ(LowerAscii(std::wstring_view(L"\u00C9\u0130\u212A\u0391")),
              L"\u00C9\u0130\u212A\u0391");
    EXPECT_EQ(LowerAscii(std::string_view("HOST.Example")), "host.example");
    EXPECT_EQ(LowerAscii(std::string_view("\xC3\x89T\xC3\x89")), "\xC3\x89t\xC3\x89");
    EXPECT_EQ(LowerAscii(L'Q'), L'q');
    EXPECT_EQ(LowerAscii(L'\u00C9'), L'\u00C9');
}

}  // namespace
}  // namespace talvex
