#include "net/Address.h"

#include <gtest/gtest.h>

namespace talvex {
namespace {

TEST(AddressTest, HttpAndHttpsAddressesAreSplit) {
    auto parts = ParseAddress(L"HTTP://WWW.Example.COM/Watch?v=1");
    ASSERT_TRUE(parts);
    EXPECT_EQ(parts->scheme, "http");
    EXPECT_EQ(parts->host, "www.example.com");
    EXPECT_EQ(parts->port, 80);
    EXPECT_EQ(parts->path, "/Watch");
    EXPECT_EQ(OriginOf(*parts), "http://www.example.com:80");

    auto secure = ParseAddress(L"https://127.0.0.1:8443");
    ASSERT_TRUE(secure);
    EXPECT_EQ(secure->port, 8443);
    EXPECT_EQ(secure->path, "/");
}

TEST(AddressTest, BlanksAndNonAsciiAreEncoded) {
    auto parts = ParseAddress(L"http://host/a b/\u00fc.html");
    ASSERT_TRUE(parts);
    EXPECT_EQ(parts->url.find(' '), std::string::npos);
    EXPECT_NE(parts->url.find("a%20b"), std::string::npos);
    EXPECT_EQ(parts->url.find("\xC3"), std::string::npos);
}

TEST(AddressTest, OnlyWellFormedWebAddressesPass) {
    for (const wchar_t* bad :
         {L"", L"x", L"http://", L"ftp://host/", L"file:///etc/passwd", L"http://[::1/",
          L"http://host:0/", L"http://host:70000/", L"host/path", L"http://ho st/",
          L"http://host/\x01", L"http://host/\x7f"}) {
        EXPECT_FALSE(ParseAddress(bad)) << std::string(bad, bad + wcslen(bad));
    }
}

}  // namespace
}  // namespace talvex
