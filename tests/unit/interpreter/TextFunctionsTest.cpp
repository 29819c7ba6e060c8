#include <gtest/gtest.h>

#include "scripts/ScriptFormatFunctions.h"
#include "scripts/ScriptTextFunctions.h"

namespace talvex {
namespace {

TEST(SubStr, ForwardTakesTheFirstStartMarkerAndReverseTheLast) {
    EXPECT_EQ(SubStr(L"FWD", L"aXbXc", L"X", L""), L"bXc");
    EXPECT_EQ(SubStr(L"REV", L"aXbXc", L"X", L""), L"c");
    EXPECT_EQ(SubStr(L"FWD", L"<a>1</a><a>2</a>", L"<a>", L"</a>"), L"1");
    EXPECT_EQ(SubStr(L"REV", L"<a>1</a><a>2</a>", L"<a>", L"</a>"), L"2");
}

TEST(SubStr, MissingMarkersAndModes) {
    // An end marker that does not follow runs to the end; an absent start marker gives "".
    EXPECT_EQ(SubStr(L"FWD", L"key=value", L"=", L"&"), L"value");
    EXPECT_EQ(SubStr(L"FWD", L"key=value", L"#", L"&"), L"");
    // The end marker is searched only after the start marker.
    EXPECT_EQ(SubStr(L"FWD", L"&key=value&x", L"=", L"&"), L"value");
    // Empty start marker: the start for FWD, the end for REV.
    EXPECT_EQ(SubStr(L"FWD", L"abc", L"", L"c"), L"ab");
    EXPECT_EQ(SubStr(L"REV", L"abc", L"", L""), L"");
    // The mode is a prefix test, case-sensitive.
    EXPECT_EQ(SubStr(L"FWDX", L"aXb", L"X", L""), L"b");
    EXPECT_FALSE(SubStr(L"fwd", L"aXb", L"X", L""));
    EXPECT_FALSE(SubStr(L"BACK", L"aXb", L"X", L""));
}

TEST(FindStr, PositionsAndTheirLimits) {
    EXPECT_EQ(FindStr(L"abcabc", L"c", 0), L"2");
    EXPECT_EQ(FindStr(L"abcabc", L"c", 3), L"5");
    EXPECT_EQ(FindStr(L"abcabc", L"x", 0), L"-1");
    EXPECT_EQ(FindStr(L"abcd", L"a", 5), L"-1");
    EXPECT_EQ(FindStr(L"abcd", L"", 4), L"4");
    EXPECT_EQ(FindStr(L"abcd", L"a", -1), L"-1");
}

TEST(StrFromArr, PiecesSkipEmptiesAndIndicesClamp) {
    EXPECT_EQ(StrFromArr(L"a,,b", L",", 2), L"b");
    EXPECT_EQ(StrFromArr(L"a,,b", L",", 1), L"a");
    EXPECT_EQ(StrFromArr(L"a,,b", L",", 0), L"a");
    EXPECT_EQ(StrFromArr(L"a,,b", L",", -3), L"a");
    EXPECT_EQ(StrFromArr(L"a,,b", L",", 3), L"");
    // The delimiters are a set of characters.
    EXPECT_EQ(StrFromArr(L"x|y;z", L";|", 3), L"z");
    EXPECT_EQ(StrFromArr(L"x|y;z", L"", 1), L"x|y;z");
    EXPECT_EQ(StrFromArr(L",,,", L",", 1), L"");
}

TEST(GetTitle, LowerOrUpperTagsOnly) {
    EXPECT_EQ(GetTitle(L"<html><title>\n  My\nClip  </title>"), L"MyClip");
    EXPECT_EQ(GetTitle(L"<TITLE> Upper </TITLE>"), L"Upper");
    EXPECT_EQ(GetTitle(L"<Title>Mixed</Title>"), L"");
    // Without the opening tag the title starts at position 6.
    EXPECT_EQ(GetTitle(L"0123456789</title>"), L"6789");
    EXPECT_EQ(GetTitle(L"ab</title>"), L"");
    EXPECT_EQ(GetTitle(L"</title><title>late"), L"");
}

TEST(DateDiff, LowThirtyTwoBitsAsSignedDecimal) {
    EXPECT_EQ(DateDiffText(0), L"0");
    EXPECT_EQ(DateDiffText(1700000000), L"1700000000");
    EXPECT_EQ(DateDiffText(std::time_t{2147483648LL}), L"-2147483648");
    EXPECT_EQ(DateDiffText(std::time_t{4294967296LL + 5}), L"5");
}

// Expected values computed separately from the descrambling rules.
TEST(MegaVideoDecrypt, DescramblesThirtyTwoDigits) {
    EXPECT_EQ(MegaVideoDecrypt(L"0123456789ABCDEF0123456789abcdef", 12345, 67890),
              L"9d5b618ecebf4a58c3abc0d68da0291d");
    EXPECT_EQ(MegaVideoDecrypt(L"00000000000000000000000000000000", -5000, -5000),
              L"67ee062d0cd83d9591fdc57e87a29992");
    // Bits past the first 128 pass through; characters that are not digits are dropped.
    EXPECT_EQ(MegaVideoDecrypt(L"0000-0000000000000000000000000000ff", 1, 2),
              L"552f58cf4d1308a6e2ccb07c6c60eadcff");
}

TEST(MegaVideoDecrypt, ShortTextsAndNegativePositionsFail) {
    EXPECT_FALSE(MegaVideoDecrypt(std::wstring(31, L'a'), 1, 2));
    EXPECT_FALSE(MegaVideoDecrypt(L"", 1, 2));
    // Keys whose sequence turns negative would index before the bit string.
    EXPECT_FALSE(MegaVideoDecrypt(std::wstring(32, L'0'), 2147483647, 2147483647));
    EXPECT_FALSE(MegaVideoDecrypt(std::wstring(32, L'0'), -100000, 100000));
}

TEST(Md5Text, DigestsTheUtf8Bytes) {
    EXPECT_EQ(Md5Text(L"abc"), L"900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(Md5Text(L""), L"d41d8cd98f00b204e9800998ecf8427e");
    // U+00E9 is the two bytes C3 A9.
    EXPECT_EQ(Md5Text(L"\u00e9"), Md5Text(L"\u00e9"));
    EXPECT_NE(Md5Text(L"\u00e9"), Md5Text(L"\u00c3\u00a9").value_or(L""));
}

TEST(HexArgument, LiteralOrVariableName) {
    const HexArgument literal = ParseHexArgument(L"HEX(\"%41%42\");");
    EXPECT_TRUE(literal.isLiteral);
    EXPECT_EQ(literal.text, L"%41%42");
    const HexArgument name = ParseHexArgument(L"HEX( code ));;");
    EXPECT_FALSE(name.isLiteral);
    EXPECT_EQ(name.text, L"code");
    EXPECT_EQ(ParseHexArgument(L"HEX(\"\")").text, L"");
}

TEST(ChooseFormatAddress, PicksByQualityRow) {
    const std::wstring list = L"18|http://a/18,22|http://a/22,5|http://a/5";
    EXPECT_EQ(ChooseFormatAddress(list, DownloadQuality::kHd1080), L"http://a/22");
    EXPECT_EQ(ChooseFormatAddress(list, DownloadQuality::kHd720), L"http://a/22");
    EXPECT_EQ(ChooseFormatAddress(list, DownloadQuality::kHq480), L"http://a/18");
    EXPECT_EQ(ChooseFormatAddress(list, DownloadQuality::kHq360Mp4), L"http://a/18");
    EXPECT_EQ(ChooseFormatAddress(list, DownloadQuality::kNormal), L"http://a/5");
    EXPECT_EQ(ChooseFormatAddress(L"37|best,22|hd", DownloadQuality::kBest), L"best");
}

TEST(ChooseFormatAddress, FallbacksAndMalformedLists) {
    // Only code 18: HD 720p reaches it; Normal falls back to the first entry in list order.
    EXPECT_EQ(ChooseFormatAddress(L"18|http://a/18", DownloadQuality::kHd720), L"http://a/18");
    EXPECT_EQ(ChooseFormatAddress(L"18|http://a/18", DownloadQuality::kNormal), L"http://a/18");
    EXPECT_EQ(ChooseFormatAddress(L"no-separator", DownloadQuality::kNormal), L"");
    // A trailing code without an address is dropped; empty pieces are skipped.
    EXPECT_EQ(ChooseFormatAddress(L"|34||x,,5", DownloadQuality::kHq360Flv), L"x");
    EXPECT_EQ(ChooseFormatAddress(L"34|x,5", DownloadQuality::kNormal), L"x");
    // A later pair with the same code replaces the earlier one.
    EXPECT_EQ(ChooseFormatAddress(L"5|old,5|new", DownloadQuality::kNormal), L"new");
    EXPECT_EQ(ChooseFormatAddress(L"", DownloadQuality::kNormal), L"");
}

}  // namespace
}  // namespace talvex
