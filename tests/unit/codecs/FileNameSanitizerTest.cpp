#include <gtest/gtest.h>

#include "platform/Utf8.h"
#include "scripts/FileNameSanitizer.h"

namespace talvex {

TEST(SanitizeFileName, ReplacesCharactersFileSystemsOrShellsReject) {
    EXPECT_EQ(SanitizeFileName(L"Clip: part 1/2 .EXE"), L"Clip_ part 1_2 _exe");
    EXPECT_EQ(SanitizeFileName(L"a\"b<c>d|e\\f*g?h"), L"a_b_c_d_e_f_g_h");
    EXPECT_EQ(SanitizeFileName(std::wstring(L"a\0b\tc\x7F"
                                            L"d\x1F",
                                            8)),
              L"a_b_c_d_");
    EXPECT_EQ(SanitizeFileName(L"Caf\u00E9 (live) [HD] #1 ~ 50%!"),
              L"Caf\u00E9 (live) [HD] #1 ~ 50%!");
}

TEST(SanitizeFileName, DefusesExecutableEndingsAnywhereKeepingOtherCase) {
    EXPECT_EQ(SanitizeFileName(L"My.Company"), L"My_company");
    EXPECT_EQ(SanitizeFileName(L"x.BaT.Dll.eXe"), L"x_bat_dll_exe");
    EXPECT_EQ(SanitizeFileName(L"..exe"), L"._exe");
    EXPECT_EQ(SanitizeFileName(L"A.COMB.exec"), L"A_comB_exec");
}

TEST(SanitizeFileName, ReplacesDirectionMarksInAnyCase) {
    EXPECT_EQ(SanitizeFileName(L"a&#x202E;b&#X200f;c&lrm;d&RLM;e"), L"a_b_c_d_e");
    EXPECT_EQ(SanitizeFileName(L"&#x202F; &LRM"), L"&#x202F; &LRM");
}

TEST(SanitizeFileName, KeepsTrailingDotsAndBlanks) {
    EXPECT_EQ(SanitizeFileName(L"name. "), L"name. ");
    EXPECT_EQ(SanitizeFileName(L""), L"");
}

TEST(SanitizeFileName, CutsLongNamesAtCharacterBoundariesSoSuffixAndExtensionFit) {
    const std::wstring ascii(400, L'a');
    EXPECT_EQ(SanitizeFileName(ascii), std::wstring(kMaxTitleBytes, L'a'));

    // Two-byte characters: an odd byte budget must not split one.
    const std::wstring accented(300, L'\u00E9');
    const std::wstring cut = SanitizeFileName(accented);
    EXPECT_EQ(cut.size(), kMaxTitleBytes / 2);
    EXPECT_LE(WideToUtf8(cut).size(), kMaxTitleBytes);

    const std::wstring stored = cut + L"[19].mp4";
    EXPECT_LE(WideToUtf8(stored).size(), kMaxFileNameBytes);

    const std::wstring fits(kMaxTitleBytes, L'b');
    EXPECT_EQ(SanitizeFileName(fits), fits);
}

TEST(CutToUtf8Bytes, CountsEveryEncodedLength) {
    EXPECT_EQ(CutToUtf8Bytes(L"a\u00E9\u65E5\U0001F600", 10), L"a\u00E9\u65E5\U0001F600");
    EXPECT_EQ(CutToUtf8Bytes(L"a\u00E9\u65E5\U0001F600", 9), L"a\u00E9\u65E5");
    EXPECT_EQ(CutToUtf8Bytes(L"a\u00E9\u65E5\U0001F600", 2), L"a");
    EXPECT_EQ(CutToUtf8Bytes(L"abc", 0), L"");
}

TEST(ReplaceIgnoringCase, ContinuesAfterTheInsertedReplacement) {
    std::wstring text = L"AAAA";
    ReplaceIgnoringCase(text, L"aa", L"a");
    EXPECT_EQ(text, L"aa");
    text = L"xXx";
    ReplaceIgnoringCase(text, L"x", L"xx");
    EXPECT_EQ(text, L"xxxxxx");
}

TEST(TitleToFileName, DecodesEntitiesThenReferencesThenSanitises) {
    EXPECT_EQ(TitleToFileName(L"Tom &amp; Jerry &quot;Live&quot;"), L"Tom & Jerry _Live_");
    EXPECT_EQ(TitleToFileName(L"AC&#47;DC &#058; Caf&eacute;"), L"AC_DC _ Caf\u00E9");
    EXPECT_EQ(TitleToFileName(L"setup&#46;exe"), L"setup_exe");
    EXPECT_EQ(TitleToFileName(L"&lt;b&gt;&amp;#x202E;"), L"_b__");
}

}  // namespace talvex
