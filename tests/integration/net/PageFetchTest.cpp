// Page fetches, file downloads and header queries against a real nginx.
#include <gtest/gtest.h>

#include "integration/net/NetTestSupport.h"
#include "net/DNetworking.h"
#include "support/FaultServer.h"
#include "support/NginxServer.h"

namespace talvex::test {
namespace {

namespace fs = std::filesystem;

class PageFetchTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteFileBytes(nginx.Root() / "page.html",
                       "<html>Gr\xC3\xBC\xC3\x9F"
                       "e \xE2\x82\xAC</html>");
        ASSERT_TRUE(nginx.Start()) << nginx.LastError();
    }
    NoProxyEnv noProxy;
    NginxServer nginx;
};

size_t TempFilesIn(const fs::path& folder) {
    size_t count = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        count += entry.path().filename().string().rfind("~qrv", 0) == 0 ? 1 : 0;
    }
    return count;
}

TEST_F(PageFetchTest, GetPageDecodesUtf8Body) {
    DNetworking client;
    EXPECT_EQ(client.StatusCode(), L"unknown");
    std::wstring text;
    EXPECT_EQ(client.GetPage(nginx.WideUrl("/page.html"), text), kNetSuccess);
    EXPECT_EQ(text, L"<html>Gr\u00fc\u00dfe \u20ac</html>");
    EXPECT_EQ(client.StatusCode(), L"200");
}

TEST_F(PageFetchTest, InvalidUtf8BecomesReplacementCharacters) {
    WriteFileBytes(nginx.Root() / "bad.html", std::string("a\xFF\xC3(b\xE2\x82", 7));
    DNetworking client;
    std::wstring text;
    ASSERT_EQ(client.GetPage(nginx.WideUrl("/bad.html"), text), kNetSuccess);
    EXPECT_EQ(text.front(), L'a');
    EXPECT_NE(text.find(L'\xFFFD'), std::wstring::npos);
    EXPECT_NE(text.find(L"(b"), std::wstring::npos);
}

TEST_F(PageFetchTest, PathSegmentsAreAppendedInOrder) {
    WriteFileBytes(nginx.Root() / "watch" / "v1" / "info.txt", "segments");
    DNetworking client;
    client.AddPathSegment(L"watch");
    client.AddPathSegment(L"v1");
    client.AddPathSegment(L"info.txt");
    std::wstring text;
    EXPECT_EQ(client.GetPage(nginx.WideUrl(""), text), kNetSuccess);
    EXPECT_EQ(text, L"segments");
}

TEST_F(PageFetchTest, StatusOtherThan200FailsUnlessAnyStatusIsAccepted) {
    DNetworking client;
    std::wstring text = L"old";
    EXPECT_EQ(client.GetPage(nginx.WideUrl("/missing.html"), text), kNetBadStatus);
    EXPECT_TRUE(text.empty());
    EXPECT_EQ(client.StatusCode(), L"404");
    EXPECT_EQ(client.GetPage(nginx.WideUrl("/status/403"), text), kNetBadStatus);

    client.SetAcceptAnyStatus(true);
    EXPECT_EQ(client.GetPage(nginx.WideUrl("/status/500"), text), kNetSuccess);
    EXPECT_EQ(text, L"failed");
    EXPECT_EQ(client.StatusCode(), L"500");
}

TEST_F(PageFetchTest, RedirectsAreFollowedButNotForever) {
    DNetworking client;
    std::wstring text;
    EXPECT_EQ(client.GetPage(nginx.WideUrl("/redirect/page.html"), text), kNetSuccess);
    EXPECT_EQ(text, L"<html>Gr\u00fc\u00dfe \u20ac</html>");
    EXPECT_EQ(client.GetPage(nginx.WideUrl("/redirect301/page.html"), text), kNetSuccess);
    EXPECT_EQ(client.StatusCode(), L"200");
    EXPECT_EQ(client.GetPage(nginx.WideUrl("/loop"), text), kNetBadStatus);
    EXPECT_TRUE(text.empty());
}

TEST_F(PageFetchTest, CompressedPagesAreRequestedAndDecoded) {
    std::string big;
    for (int i = 0; i < 5000; ++i) {
        big += "line " + std::to_string(i) + " of a page that compresses well\n";
    }
    WriteFileBytes(nginx.Root() / "big.txt", big);
    DNetworking client;
    std::wstring text;
    ASSERT_EQ(client.GetPage(nginx.WideUrl("/gzip/big.txt"), text), kNetSuccess);
    EXPECT_EQ(text, std::wstring(big.begin(), big.end()));
    auto log = nginx.WaitForAccessLog(1);
    ASSERT_FALSE(log.empty());
    EXPECT_NE(log.back().acceptEncoding.find("gzip"), std::string::npos);
    EXPECT_LT(log.back().bodyBytes, big.size() / 4);  // it really came compressed
}

TEST_F(PageFetchTest, UserAgentDefaultsAndCanBeSet) {
    std::wstring text;
    DNetworking plain;
    ASSERT_EQ(plain.GetPage(nginx.WideUrl("/echo/user-agent"), text), kNetSuccess);
    EXPECT_EQ(text, L"Rorovizov");
    DNetworking custom(L"Custom/2.0 (test)");
    ASSERT_EQ(custom.GetPage(nginx.WideUrl("/echo/user-agent"), text), kNetSuccess);
    EXPECT_EQ(text, L"Custom/2.0 (test)");
}

TEST_F(PageFetchTest, RequestHeadersAreSentAndCanBeQueried) {
    DNetworking client;
    EXPECT_EQ(client.HasRequestHeader(L"X-Talvex"), kNetNoRequestHeader);
    client.AddRequestHeader(L"X-Talvex", L"value 1");
    EXPECT_EQ(client.HasRequestHeader(L"X-Talvex"), kNetSuccess);
    std::wstring text;
    ASSERT_EQ(client.GetPage(nginx.WideUrl("/echo/x-talvex"), text), kNetSuccess);
    EXPECT_EQ(text, L"value 1");
}

TEST_F(PageFetchTest, HeaderValueWithLineBreakIsNotSent) {
    FaultServer echo(FaultServer::Echo());
    DNetworking client;
    client.AddRequestHeader(L"X-Talvex", L"a\r\nInjected: yes");
    std::wstring text;
    EXPECT_EQ(client.GetPage(echo.WideUrl("/"), text), kNetRequestFailed);
    EXPECT_EQ(echo.ConnectionCount(), 0);
}

TEST_F(PageFetchTest, PostSendsBodyAndGetSendsNone) {
    FaultServer echo(FaultServer::Echo());
    std::wstring text;
    DNetworking get;
    ASSERT_EQ(get.GetPage(echo.WideUrl("/form"), text), kNetSuccess);
    EXPECT_EQ(text.rfind(L"GET /form HTTP/1.1\r\n", 0), 0u);
    EXPECT_EQ(text.find(L"Content-Length"), std::wstring::npos);

    DNetworking post;
    post.SetPostData(L"a=\u00fc&b=2");
    ASSERT_EQ(post.GetPage(echo.WideUrl("/form"), text), kNetSuccess);
    EXPECT_EQ(text.rfind(L"POST /form HTTP/1.1\r\n", 0), 0u);
    EXPECT_NE(text.find(L"Content-Length: 8\r\n"), std::wstring::npos);  // UTF-8 bytes
    EXPECT_EQ(text.substr(text.size() - 7), L"a=\u00fc&b=2");

    DNetworking raw;
    raw.SetRawBody(std::string("\x01\x02raw", 5));
    ASSERT_EQ(raw.GetPage(echo.WideUrl("/raw"), text), kNetSuccess);
    EXPECT_EQ(text.rfind(L"POST /raw", 0), 0u);
    EXPECT_EQ(text.substr(text.size() - 5), std::wstring(L"\x01\x02raw"));
}

TEST_F(PageFetchTest, DownloadToFileReplacesTheTargetOnlyWhenWhole) {
    TempDir folder;
    fs::path target = folder.Path() / "out.html";
    WriteFileBytes(target, "previous");
    DNetworking client;
    ASSERT_EQ(client.DownloadToFile(nginx.WideUrl("/page.html"), target), kNetSuccess);
    EXPECT_EQ(ReadFileBytes(target), ReadFileBytes(nginx.Root() / "page.html"));

    EXPECT_EQ(client.DownloadToFile(nginx.WideUrl("/missing"), target), kNetBadStatus);
    EXPECT_EQ(ReadFileBytes(target), ReadFileBytes(nginx.Root() / "page.html"));

    FaultServer cut(
        FaultServer::Respond("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n", 40000));
    fs::path second = folder.Path() / "second.bin";
    EXPECT_EQ(client.DownloadToFile(cut.WideUrl("/"), second), kNetWriteFailed);
    EXPECT_FALSE(fs::exists(second));
    EXPECT_EQ(TempFilesIn(folder.Path()), 0u);
}

TEST_F(PageFetchTest, DownloadToFileIntoMissingFolderIs13) {
    TempDir folder;
    DNetworking client;
    EXPECT_EQ(client.DownloadToFile(nginx.WideUrl("/page.html"), folder.Path() / "no" / "x.html"),
              kNetCreateFileFailed);
}

TEST_F(PageFetchTest, QueryHeadersUsesHeadAndKeepsHeaderValuesAsSent) {
    DNetworking client;
    ASSERT_EQ(client.QueryHeaders(nginx.WideUrl("/page.html")), kNetSuccess);
    size_t size = ReadFileBytes(nginx.Root() / "page.html").size();
    EXPECT_EQ(client.ContentLength(), size);
    std::wstring value;
    ASSERT_EQ(client.GetResponseHeader(L"Content-Length", value), kNetSuccess);
    EXPECT_EQ(value, L" " + std::to_wstring(size));
    EXPECT_EQ(client.GetResponseHeader(L"x-not-there", value), kNetNoResponseHeader);
    EXPECT_EQ(client.ResponseHeaders().count(L"content-type"), 1u);
    auto log = nginx.WaitForAccessLog(1);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].method, "HEAD");
}

TEST_F(PageFetchTest, QueryHeadersFallsBackToGetWhenHeadIsRefused) {
    DNetworking client;
    ASSERT_EQ(client.QueryHeaders(nginx.WideUrl("/nohead/page.html")), kNetSuccess);
    EXPECT_EQ(client.ContentLength(), ReadFileBytes(nginx.Root() / "page.html").size());
    auto log = nginx.WaitForAccessLog(2);
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].method, "HEAD");
    EXPECT_EQ(log[0].status, 405);
    EXPECT_EQ(log[1].method, "GET");

    EXPECT_EQ(client.QueryHeaders(nginx.WideUrl("/missing")), kNetBadStatus);
    EXPECT_EQ(client.StatusCode(), L"404");
}

}  // namespace
}  // namespace talvex::test
