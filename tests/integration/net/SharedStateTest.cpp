// What requests of different clients share: the cookie store, open connections, the proxy
// settings of the environment; and what they never skip: certificate checks.
#include <gtest/gtest.h>

#include "integration/net/NetTestSupport.h"
#include "net/CookieJar.h"
#include "net/DNetworking.h"
#include "support/NginxServer.h"

namespace talvex::test {
namespace {

class SharedStateTest : public ::testing::Test {
protected:
    void SetUp() override {
        ClearSharedCookies();
        WriteFileBytes(nginx.Root() / "page.html", "local page");
        WriteFileBytes(site.Path() / "watch.html", "imitated video page");
        nginx.AddVirtualHost("www.youtube.com youtube.com", site.Path());
        ASSERT_TRUE(nginx.Start()) << nginx.LastError();
    }
    void TearDown() override { ClearSharedCookies(); }

    NoProxyEnv noProxy;
    TempDir site;
    NginxServer nginx;
    std::wstring text;
};

TEST_F(SharedStateTest, CookieSetByAServerIsSeenByEveryClient) {
    DNetworking first;
    ASSERT_EQ(first.GetPage(nginx.WideUrl("/setcookie"), text), kNetSuccess);

    std::wstring value;
    EXPECT_EQ(DNetworking::GetCookie(nginx.WideUrl("/any/page"), L"sid", value), 0u);
    EXPECT_EQ(value, L"abc=def");  // everything after the first "="

    DNetworking second(L"Other agent");
    ASSERT_EQ(second.GetPage(nginx.WideUrl("/echo/cookie"), text), kNetSuccess);
    EXPECT_EQ(text, L"sid=abc=def");
}

TEST_F(SharedStateTest, StoredCookieIsSentToItsHostOnly) {
    ASSERT_TRUE(DNetworking::SetCookie(nginx.WideUrl("/"), L"lang", L"en; path=/"));
    DNetworking client;
    ASSERT_EQ(client.GetPage(nginx.WideUrl("/echo/cookie"), text), kNetSuccess);
    EXPECT_EQ(text, L"lang=en");

    std::wstring value;
    EXPECT_EQ(DNetworking::GetCookie(nginx.WideUrl("/x"), L"lang", value), 0u);
    EXPECT_EQ(value, L"en");
    EXPECT_EQ(DNetworking::GetCookie(L"http://127.0.0.2/x", L"lang", value), 1u);
    EXPECT_EQ(DNetworking::GetCookie(nginx.WideUrl("/x"), L"other", value), 1u);
    EXPECT_EQ(DNetworking::GetCookie(L"not an address", L"lang", value), 1u);
    EXPECT_FALSE(DNetworking::SetCookie(nginx.WideUrl("/"), L"bad name", L"v"));
    EXPECT_FALSE(DNetworking::SetCookie(nginx.WideUrl("/"), L"x", L"v; domain=example.com"));
}

TEST_F(SharedStateTest, ProxyFromTheEnvironmentAnswersForNamedHosts) {
    ScopedEnv proxy("http_proxy", nginx.ProxyAddress());
    DNetworking client;
    ASSERT_EQ(client.GetPage(L"http://www.youtube.com/watch.html", text), kNetSuccess);
    EXPECT_EQ(text, L"imitated video page");
    auto log = nginx.WaitForAccessLog(1);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].host, "www.youtube.com");
    EXPECT_EQ(log[0].uri, "/watch.html");
}

TEST_F(SharedStateTest, NoProxyListIsHonoured) {
    // A proxy nobody listens on: only a direct request can succeed.
    ScopedEnv proxy("http_proxy", "http://127.0.0.1:9");
    ScopedEnv bypass("no_proxy", "127.0.0.1");
    DNetworking client;
    ASSERT_EQ(client.GetPage(nginx.WideUrl("/page.html"), text), kNetSuccess);
    EXPECT_EQ(text, L"local page");
}

TEST_F(SharedStateTest, LaterRequestsReuseTheOpenConnection) {
    std::atomic<uint64_t> position{0};
    TempDir out;
    File file = File::OpenReadWrite(out.Path() / "f", true);
    {
        DNetworking query;
        ASSERT_EQ(query.QueryHeaders(nginx.WideUrl("/page.html")), kNetSuccess);
    }
    {
        DNetworking page;
        ASSERT_EQ(page.GetPage(nginx.WideUrl("/page.html"), text), kNetSuccess);
    }
    {
        DNetworking range;
        ASSERT_EQ(range.DownloadRange(nginx.WideUrl("/page.html"), ByteRange{0, 3}, file, position,
                                      NeverStop(), nullptr),
                  kNetSuccess);
    }
    auto log = nginx.WaitForAccessLog(3);
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[1].connection, log[0].connection);
    EXPECT_EQ(log[2].connection, log[0].connection);
    EXPECT_EQ(log[2].connectionRequests, 3u);
}

TEST(TlsTest, UntrustedCertificateIsRefused) {
    NoProxyEnv noProxy;
    NginxServer nginx;
    nginx.EnableTls();
    WriteFileBytes(nginx.Root() / "page.html", "secret");
    ASSERT_TRUE(nginx.Start()) << nginx.LastError();
    DNetworking client;
    std::wstring text;
    EXPECT_EQ(client.GetPage(nginx.TlsUrl("/page.html"), text), kNetSendFailed);
    EXPECT_TRUE(text.empty());
    EXPECT_TRUE(nginx.AccessLog().empty());  // no request was ever sent over it
}

}  // namespace
}  // namespace talvex::test
