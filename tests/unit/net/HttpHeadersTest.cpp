#include "net/HttpHeaders.h"

#include <gtest/gtest.h>

namespace talvex {
namespace {

TEST(HttpHeadersTest, ResponseHeaderLineKeepsValueAfterFirstColon) {
    auto header = ParseResponseHeaderLine("Content-Type: text/html; a=b:c");
    ASSERT_TRUE(header);
    EXPECT_EQ(header->first, L"content-type");
    EXPECT_EQ(header->second, L" text/html; a=b:c");
    auto empty = ParseResponseHeaderLine("X-Empty:");
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->second, L"");
    EXPECT_FALSE(ParseResponseHeaderLine("no colon here"));
}

TEST(HttpHeadersTest, StatusLine) {
    EXPECT_EQ(ParseStatusLine("HTTP/1.1 206 Partial Content"), 206);
    EXPECT_EQ(ParseStatusLine("HTTP/2 200"), 200);
    EXPECT_FALSE(ParseStatusLine("HTTP/1.1 2x6 Odd"));
    EXPECT_FALSE(ParseStatusLine("Content-Length: 5"));
    EXPECT_FALSE(ParseStatusLine("HTTP/1.1"));
}

TEST(HttpHeadersTest, RequestHeaderLines) {
    EXPECT_EQ(BuildRequestHeaderLine(L"Referer", L"http://x/"), "Referer: http://x/");
    // The script's header text keeps the blank after the colon as part of the value.
    EXPECT_EQ(BuildRequestHeaderLine(L"x-a", L" v"), "x-a:  v");
    // An empty value must still be sent, which the transfer library spells "name;".
    EXPECT_EQ(BuildRequestHeaderLine(L"X-Empty", L""), "X-Empty;");
    EXPECT_EQ(BuildRequestHeaderLine(L"X-Blank", L"  "), "X-Blank;");
    EXPECT_EQ(BuildRequestHeaderLine(L"X-Utf", L"\u00e9"), "X-Utf: \xC3\xA9");
    EXPECT_FALSE(BuildRequestHeaderLine(L"", L"v"));
    EXPECT_FALSE(BuildRequestHeaderLine(L"X", L"a\r\nHost: evil"));
    EXPECT_FALSE(BuildRequestHeaderLine(L"X", L"a\nb"));
    EXPECT_FALSE(BuildRequestHeaderLine(L"X\r\nY", L"v"));
    EXPECT_FALSE(BuildRequestHeaderLine(L"A:B", L"v"));
    EXPECT_FALSE(BuildRequestHeaderLine(L"X", std::wstring(L"a\0b", 3)));
}

TEST(HttpHeadersTest, ByteCountsAreSixtyFourBit) {
    EXPECT_EQ(ParseByteCount(L" 1234"), 1234u);
    EXPECT_EQ(ParseByteCount(L"10000000000"), 10000000000u);
    EXPECT_EQ(ParseByteCount(L"18446744073709551615"), UINT64_MAX);
    EXPECT_FALSE(ParseByteCount(L"18446744073709551616"));
    EXPECT_FALSE(ParseByteCount(L""));
    EXPECT_FALSE(ParseByteCount(L"-1"));
    EXPECT_FALSE(ParseByteCount(L"12abc"));
    EXPECT_EQ(RangeHeaderValue(4294967396u, 5368709119u), "bytes=4294967396-5368709119");
    EXPECT_EQ(RangeHeaderValue(7, 7), "bytes=7-7");
}

TEST(HttpHeadersTest, ContentRange) {
    auto range = ParseContentRange(L" bytes 100-199/1000");
    ASSERT_TRUE(range);
    EXPECT_EQ(range->first, 100u);
    EXPECT_EQ(range->last, 199u);
    auto unknownTotal = ParseContentRange(L"bytes 5000000000-5000000009/*");
    ASSERT_TRUE(unknownTotal);
    EXPECT_EQ(unknownTotal->first, 5000000000u);
    EXPECT_FALSE(ParseContentRange(L"bytes */1000"));
    EXPECT_FALSE(ParseContentRange(L"bytes 200-100/1000"));
    EXPECT_FALSE(ParseContentRange(L"items 1-2/3"));
}

}  // namespace
}  // namespace talvex
