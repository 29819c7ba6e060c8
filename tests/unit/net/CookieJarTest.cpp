#include "net/CookieJar.h"

#include <gtest/gtest.h>

namespace talvex {
namespace {

AddressParts At(const wchar_t* address) {
    return *ParseAddress(address);
}

TEST(CookieJarTest, WithoutAttributesACookieBelongsToItsHostAndFolder) {
    auto cookie = MakeCookieRecord(At(L"http://www.site.com/watch/page"), "id", " a=b=c ", 1000);
    ASSERT_TRUE(cookie);
    EXPECT_EQ(cookie->domain, "www.site.com");
    EXPECT_FALSE(cookie->includeSubdomains);
    EXPECT_EQ(cookie->path, "/watch");
    EXPECT_EQ(cookie->value, "a=b=c");
    EXPECT_EQ(cookie->expires, 0);
    EXPECT_TRUE(CookieApplies(*cookie, At(L"http://www.site.com/watch"), 1000));
    EXPECT_TRUE(CookieApplies(*cookie, At(L"http://www.site.com/watch/other"), 1000));
    EXPECT_FALSE(CookieApplies(*cookie, At(L"http://www.site.com/watchlist"), 1000));
    EXPECT_FALSE(CookieApplies(*cookie, At(L"http://m.www.site.com/watch"), 1000));
    EXPECT_FALSE(CookieApplies(*cookie, At(L"http://site.com/watch"), 1000));
}

TEST(CookieJarTest, AttributesAreHonoured) {
    auto cookie = MakeCookieRecord(At(L"https://www.site.com/"), "pref",
                                   "f1=50; Domain=.site.com; Path=/; Secure; Max-Age=60", 1000);
    ASSERT_TRUE(cookie);
    EXPECT_EQ(cookie->domain, "site.com");
    EXPECT_TRUE(cookie->includeSubdomains);
    EXPECT_TRUE(cookie->secure);
    EXPECT_EQ(cookie->expires, 1060);
    EXPECT_TRUE(CookieApplies(*cookie, At(L"https://m.site.com/x"), 1000));
    EXPECT_TRUE(CookieApplies(*cookie, At(L"https://site.com/"), 1000));
    EXPECT_FALSE(CookieApplies(*cookie, At(L"http://site.com/"), 1000));  // secure only
    EXPECT_FALSE(CookieApplies(*cookie, At(L"https://othersite.com/"), 1000));
    EXPECT_FALSE(CookieApplies(*cookie, At(L"https://site.com/"), 1060));  // expired

    auto dated =
        MakeCookieRecord(At(L"http://a.com/"), "d", "v; expires=Wed, 21 Oct 2037 07:28:00 GMT", 0);
    ASSERT_TRUE(dated);
    EXPECT_EQ(dated->expires, 2139722880);
}

TEST(CookieJarTest, InvalidCookiesAreRefused) {
    AddressParts site = At(L"http://www.site.com/");
    EXPECT_FALSE(MakeCookieRecord(site, "", "v", 0));
    EXPECT_FALSE(MakeCookieRecord(site, "a b", "v", 0));
    EXPECT_FALSE(MakeCookieRecord(site, "a=b", "v", 0));
    EXPECT_FALSE(MakeCookieRecord(site, "a", "v\tw", 0));
    EXPECT_FALSE(MakeCookieRecord(site, "a", "v\r\nSet-Cookie: x=y", 0));
    EXPECT_FALSE(MakeCookieRecord(site, "a", "v; domain=evil.com", 0));
    EXPECT_FALSE(MakeCookieRecord(site, "a", "v; domain=ite.com", 0));
}

TEST(CookieJarTest, StoreLineRoundTrip) {
    CookieRecord cookie;
    cookie.domain = "site.com";
    cookie.includeSubdomains = true;
    cookie.path = "/p";
    cookie.secure = true;
    cookie.expires = 2000000000;
    cookie.name = "n";
    cookie.value = "x=y=z";
    std::string line = ToStoreLine(cookie);
    EXPECT_EQ(line, ".site.com\tTRUE\t/p\tTRUE\t2000000000\tn\tx=y=z");
    auto back = ParseStoreLine("#HttpOnly_" + line);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->domain, "site.com");
    EXPECT_TRUE(back->includeSubdomains);
    EXPECT_EQ(back->path, "/p");
    EXPECT_TRUE(back->secure);
    EXPECT_EQ(back->expires, 2000000000);
    EXPECT_EQ(back->value, "x=y=z");
    EXPECT_FALSE(ParseStoreLine("too\tfew\tfields"));
}

TEST(CookieJarTest, SharedStoreKeepsTheMostSpecificPath) {
    ClearSharedCookies();
    ASSERT_TRUE(StoreSharedCookie(L"http://store.test/", L"k", L"root; path=/"));
    ASSERT_TRUE(StoreSharedCookie(L"http://store.test/", L"k", L"deep; path=/a/b"));
    EXPECT_EQ(FindSharedCookie(L"http://store.test/a/b/c", L"k"), L"deep");
    EXPECT_EQ(FindSharedCookie(L"http://store.test/a", L"k"), L"root");
    // An expiry in the past removes the cookie.
    ASSERT_TRUE(StoreSharedCookie(L"http://store.test/", L"k", L"gone; path=/; max-age=0"));
    EXPECT_EQ(FindSharedCookie(L"http://store.test/a", L"k"), std::nullopt);
    ClearSharedCookies();
    EXPECT_EQ(FindSharedCookie(L"http://store.test/a/b/c", L"k"), std::nullopt);
}

}  // namespace
}  // namespace talvex
