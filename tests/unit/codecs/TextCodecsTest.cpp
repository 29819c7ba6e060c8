#include <gtest/gtest.h>

#include "scripts/TextCodecs.h"

namespace talvex {

TEST(UrlEncode, EncodesUnsafeBytesLowerCaseAndKeepsTheSafeSet) {
    EXPECT_EQ(UrlEncode(L"a b&c"), L"a%20b%26c");
    EXPECT_EQ(UrlEncode(L"http://host/~user"), L"http://host/~user");
    EXPECT_EQ(UrlEncode(L"AZaz09!'()*-._"), L"AZaz09!'()*-._");
    EXPECT_EQ(UrlEncode(L"\"#$%+,;<=>?@[\\]^`{|}"),
              L"%22%23%24%25%2b%2c%3b%3c%3d%3e%3f%40%5b%5c%5d%5e%60%7b%7c%7d");
    EXPECT_EQ(UrlEncode(std::wstring(L"\t\x7F", 2)), L"%09%7f");
    EXPECT_EQ(UrlEncode(L""), L"");
}

TEST(UrlEncode, NonAsciiIsEncodedAsItsUtf8Bytes) {
    EXPECT_EQ(UrlEncode(L"caf\u00E9"), L"caf%c3%a9");
    EXPECT_EQ(UrlEncode(L"\u65E5"), L"%e6%97%a5");
}

TEST(UrlDecode, DecodesPlusAndPercentInEitherCase) {
    EXPECT_EQ(UrlDecode(L"a+b%2Fc"), L"a b/c");
    EXPECT_EQ(UrlDecode(L"%2f%2F"), L"//");
    EXPECT_EQ(UrlDecode(L"caf%c3%A9"), L"caf\u00E9");
    EXPECT_EQ(UrlDecode(UrlEncode(L"x y&z=\u00FC/\u65E5")), L"x y&z=\u00FC/\u65E5");
}

TEST(UrlDecode, ABadPercentFailsTheWholeTextButPlusIsStillReplaced) {
    EXPECT_EQ(UrlDecode(L"100%"), L"100%");
    EXPECT_EQ(UrlDecode(L"a+%41%4"), L"a %41%4");
    EXPECT_EQ(UrlDecode(L"%zz+%41"), L"%zz %41");
    EXPECT_EQ(UrlDecode(L"%4"), L"%4");
}

TEST(UrlDecode, BytesThatAreNotUtf8BecomeReplacementCharacters) {
    EXPECT_EQ(UrlDecode(L"%e9t%e9"), L"\uFFFDt\uFFFD");
}

TEST(NamedEntities, DecodesTheTableCaseSensitively) {
    EXPECT_EQ(DecodeNamedEntities(L"&quot;a&quot; &apos;b&apos; &lt;c&gt; d&amp;e"),
              L"\"a\" 'b' <c> d&e");
    EXPECT_EQ(DecodeNamedEntities(L"&Quot;&QUOT;&AMP;"), L"&Quot;&QUOT;&AMP;");
    EXPECT_EQ(DecodeNamedEntities(L"caf&eacute; &Eacute;"), L"caf\u00E9 \u00C9");
    EXPECT_EQ(DecodeNamedEntities(L"&nbsp;&iexcl;&times;&divide;&szlig;&yuml;"),
              L"\u00A0\u00A1\u00D7\u00F7\u00DF\u00FF");
    EXPECT_EQ(DecodeNamedEntities(L"&frac14;&sup2;&AElig;&THORN;&thorn;&ETH;"),
              L"\u00BC\u00B2\u00C6\u00DE\u00FE\u00D0");
    // Not in the table: left alone.
    EXPECT_EQ(DecodeNamedEntities(L"&hellip;&euro;&eacute"), L"&hellip;&euro;&eacute");
}

TEST(NamedEntities, DoublyEscapedEntitiesAreDecodedOnce) {
    EXPECT_EQ(DecodeNamedEntities(L"&amp;lt;b&amp;gt; &amp;eacute; &amp;quot;"),
              L"&lt;b&gt; &eacute; &quot;");
    EXPECT_EQ(DecodeNamedEntities(L"&amp;amp;"), L"&amp;");
}

TEST(NumericReferences, DecodesDecimalFormsWithAtMostOneLeadingZero) {
    EXPECT_EQ(DecodeNumericReferences(L"&#65;&#065;"), L"AA");
    EXPECT_EQ(DecodeNumericReferences(L"&#511;&#32;&#0233;"), L"\u01FF \u00E9");
    EXPECT_EQ(DecodeNumericReferences(L"&#0065;&#x41;&#31;&#512;&#65"),
              L"&#0065;&#x41;&#31;&#512;&#65");
    EXPECT_EQ(DecodeNumericReferences(L"no references"), L"no references");
}

TEST(NumericReferences, CodesAreAppliedInAscendingOrder) {
    // "&#38;" (the ampersand) is decoded before 65, so the reference it forms decodes too;
    // once 65 has been passed a newly formed lower code stays.
    EXPECT_EQ(DecodeNumericReferences(L"&#38;#65;"), L"A");
    EXPECT_EQ(DecodeNumericReferences(L"&#65;&#38;#33;"), L"A&#33;");
}

TEST(HexEscapes, DecodesLowerCaseDigitsFrom20ToFe) {
    EXPECT_EQ(DecodeHexEscapes(L"\\x41\\x20b\\x2f"), L"A b/");
    EXPECT_EQ(DecodeHexEscapes(L"\\xe9\\xfe"), L"\u00E9\u00FE");
    EXPECT_EQ(DecodeHexEscapes(L"\\x4A\\xff\\x1f\\x"), L"\\x4A\\xff\\x1f\\x");
    EXPECT_EQ(DecodeHexEscapes(L"x41"), L"x41");
}

TEST(U00Escapes, KeepsTheBackslashAndNeedsOneBackslashedEscape) {
    EXPECT_EQ(DecodeU00Escapes(L"\\u0041"), L"\\A");
    // A bare "u00" sequence is decoded while a backslashed one is still waiting...
    EXPECT_EQ(DecodeU00Escapes(L"u0041 \\u0062"), L"A \\b");
    // ...but no longer once the last backslashed one has been decoded.
    EXPECT_EQ(DecodeU00Escapes(L"\\u0026 u0041"), L"\\& u0041");
    EXPECT_EQ(DecodeU00Escapes(L"u0041"), L"u0041");
    EXPECT_EQ(DecodeU00Escapes(L"\\u004A \\u00e9"), L"\\u004A \\\u00E9");
}

TEST(BitStrings, HexToBitsTakesBothCasesAndDropsOtherCharacters) {
    EXPECT_EQ(HexToBits(L"0f"), L"00001111");
    EXPECT_EQ(HexToBits(L"A-9 z"), L"10101001");
    EXPECT_EQ(HexToBits(L""), L"");
}

TEST(BitStrings, BitsToHexSkipsBadAndIncompleteGroups) {
    EXPECT_EQ(BitsToHex(L"000011111010"), L"0fa");
    EXPECT_EQ(BitsToHex(L"0000x1111111"), L"0f");
    EXPECT_EQ(BitsToHex(L"111"), L"");
    const std::wstring bits = HexToBits(L"0123456789abcdef0123456789ABCDEF") + L"10";
    ASSERT_EQ(bits.size(), 130u);
    EXPECT_EQ(BitsToHex(bits), L"0123456789abcdef0123456789abcdef");
}

TEST(Utf8Bytes, StopsAtTheFirstZeroByte) {
    EXPECT_EQ(Utf8BytesToWide(std::string("ab\0cd", 5)), L"ab");
    EXPECT_EQ(Utf8BytesToWide("\xC3\xA9t\xC3\xA9"), L"\u00E9t\u00E9");
    EXPECT_EQ(Utf8BytesToWide(""), L"");
    EXPECT_EQ(WideToUtf8Bytes(L"\u00E9"), "\xC3\xA9");
    EXPECT_EQ(WideToUtf8Bytes(L""), "");
}

}  // namespace talvex
