#include <chrono>
#include <thread>
// The network functions of the script language against a real nginx: what they send, what they
// hand back, and the end-of-run extension probe.
#include <gtest/gtest.h>

#include "integration/net/NetTestSupport.h"
#include "net/CookieJar.h"
#include "net/DNetworking.h"
#include "support/NginxServer.h"
#include "unit/interpreter/InterpreterFixture.h"

namespace talvex {
namespace {

using test::ScriptBook;

class ScriptNetFunctions : public ::testing::Test {
protected:
    void SetUp() override {
        test::WriteFileBytes(site.Path() / "page.html", "<html><title>Page</title></html>");
        test::WriteFileBytes(site.Path() / "clip.flv", "FLV");
        nginx.SetRoot(site.Path());
        // POST: the outer location reads the body and hands it on in a header, which the inner
        // one echoes with the method and two request headers.
        nginx.AddServerText(
            "location = /post { proxy_pass http://127.0.0.1:{PORT}/post-echo; "
            "proxy_set_header X-Body $request_body; proxy_set_header X-Method $request_method; }");
        nginx.AddServerText(
            "location = /post-echo { default_type text/plain; "
            "return 200 \"$http_x_method:$http_x_body:$http_x_talvex:$http_user_agent\"; }");
        nginx.AddServerText(
            "location /plain/ { alias {ROOT}/; types { } default_type text/plain; }");
        nginx.AddServerText("location /notype/ { alias {ROOT}/; types { } default_type \"\"; }");
        nginx.AddServerText(
            "location /audio/ { alias {ROOT}/; types { } default_type audio/mpeg; }");
        nginx.AddVirtualHost("www.youtube.com", youtube.Path());
        ASSERT_TRUE(nginx.Start()) << nginx.LastError();
        ClearSharedCookies();
        target.pageUrl = L"http://net.test/page";
    }

    std::wstring Url(const std::string& path) { return nginx.WideUrl(path); }

    // Runs a "net.test" script; its media address is what it computed.
    std::wstring RunForMediaUrl(const std::vector<std::wstring>& lines) {
        SiteParser parser;
        ScriptBook book;
        book.Site(L"net.test", lines);
        EXPECT_TRUE(test::LoadBook(parser, book, home.Root()));
        parser.Execute1(target);
        return target.mediaUrl;
    }

    test::NoProxyEnv noProxy;
    test::TestHome home;
    test::TempDir site;
    test::TempDir youtube;
    test::NginxServer nginx;
    ScriptTargetRecord target;
};

TEST_F(ScriptNetFunctions, GetHtmlSendsTheScriptsUserAgent) {
    EXPECT_EQ(RunForMediaUrl(
                  {L"VAR u = \"" + Url("/echo/user-agent") + L"\";", L"VAR a = GETHTML(u);",
                   L"VAR USERAGENT = \"Agent/1.0\";", L"VAR b = GETHTML(u);", L"VAR sep = \"|\";",
                   L"VAR r = ADDSTR(a, sep);", L"VAR r = ADDSTR(r, b);", L"VIDURL = r;"}),
              L"Rorovizov|Agent/1.0");
}

TEST_F(ScriptNetFunctions, GetHtml2SendsParsedHeadersButNotTheUserAgent) {
    EXPECT_EQ(
        RunForMediaUrl({L"VAR crlf = HEX(\"%0d%0a\");", L"VAR h = \"X-Talvex: hello\";",
                        L"VAR h = ADDSTR(h, crlf);", L"VAR USERAGENT = \"Ignored\";",
                        L"VAR e = \"" + Url("/echo/x-talvex") + L"\";",
                        L"VAR ua = \"" + Url("/echo/user-agent") + L"\";",
                        L"VAR a = GETHTML2(e, h);", L"VAR b = GETHTML2(ua, h);",
                        L"VAR last = \"X-Talvex: no line end\";", L"VAR c = GETHTML2(e, last);",
                        L"VAR sep = \"|\";", L"VAR r = ADDSTR(a, sep);", L"VAR r = ADDSTR(r, b);",
                        L"VAR r = ADDSTR(r, sep);", L"VAR r = ADDSTR(r, c);", L"VIDURL = r;"}),
        L"hello|Rorovizov|");
}

TEST_F(ScriptNetFunctions, PostSendsBodyHeadersAndUserAgent) {
    EXPECT_EQ(RunForMediaUrl({L"VAR crlf = HEX(\"%0d%0a\");", L"VAR h = \"x-talvex:hi\";",
                              L"VAR h = ADDSTR(h, crlf);", L"VAR USERAGENT = \"Poster\";",
                              L"VAR u = \"" + Url("/post") + L"\";", L"VAR body = \"a=1&b=2\";",
                              L"VAR r = POST(u, body, h);", L"VIDURL = r;"}),
              L"POST:a=1&b=2:hi:Poster");
}

TEST_F(ScriptNetFunctions, FailedPostAssignsTheEmptyText) {
    EXPECT_EQ(
        RunForMediaUrl({L"VAR u = \"" + Url("/status/500") + L"\";", L"VAR r = \"old\";",
                        L"VAR body = \"x\";", L"VAR h = \"none\";", L"VAR r = POST(u, body, h);",
                        L"VAR mark = \"|\";", L"VAR r = ADDSTR(r, mark);", L"VIDURL = r;"}),
        L"|");
}

TEST_F(ScriptNetFunctions, CookiesAreStoredAndReadAcrossClients) {
    EXPECT_EQ(RunForMediaUrl({L"VAR base = \"" + Url("/") + L"\";",
                              L"VAR n = \"flavour\";",
                              L"VAR d = \"vanilla; path=/\";",
                              L"SETCOOKIE(base, n, d);",
                              L"SETCOOKIE(base, n, );",
                              L"VAR echo = \"" + Url("/echo/cookie") + L"\";",
                              L"VAR a = GETHTML(echo);",
                              L"VAR s = \"" + Url("/setcookie") + L"\";",
                              L"VAR x = GETHTML(s);",
                              L"VAR sid = \"sid\";",
                              L"VAR b = GETCOOKIE(base, sid);",
                              L"VAR c = \"kept\";",
                              L"VAR missing = \"nothere\";",
                              L"VAR c = GETCOOKIE(base, missing);",
                              L"VAR sep = \"|\";",
                              L"VAR r = ADDSTR(a, sep);",
                              L"VAR r = ADDSTR(r, b);",
                              L"VAR r = ADDSTR(r, sep);",
                              L"VAR r = ADDSTR(r, c);",
                              L"VIDURL = r;"}),
              L"flavour=vanilla|abc=def|kept");
}

TEST_F(ScriptNetFunctions, IsUrlAliveTriesHeadThenGet) {
    EXPECT_EQ(RunForMediaUrl({L"VAR ok = \"" + Url("/page.html") + L"\";",
                              L"VAR gone = \"" + Url("/missing.html") + L"\";",
                              L"VAR nohead = \"" + Url("/nohead/page.html") + L"\";",
                              L"VAR r = ISURLALIVE(ok);", L"VAR x = ISURLALIVE(gone);",
                              L"VAR r = ADDSTR(r, x);", L"VAR x = ISURLALIVE(nohead);",
                              L"VAR r = ADDSTR(r, x);", L"VAR x = ISURLALIVE();",
                              L"VAR r = ADDSTR(r, x);", L"VIDURL = r;"}),
              L"1010");
    const auto log = nginx.WaitForAccessLog(4);
    ASSERT_GE(log.size(), 4u);
    EXPECT_EQ(log[0].method, "HEAD");
    EXPECT_EQ(log[0].userAgent, "Rorovizov");
}

TEST_F(ScriptNetFunctions, ExtensionComesFromTheContentTypeOrTheAddress) {
    struct Case {
        std::string path;
        std::wstring extension;
    };
    const std::vector<Case> cases = {
        {"/clip.flv", L"flv"},
        {"/page.html", L"html"},  // text/html names no media type:
                                  // the address decides
        {"/plain/clip.flv?x=1", L"flv"},
        {"/audio/clip.flv", L"mpg"},
        {"/notype/clip.flv", L""},
        {"/missing.mp4", L""},
    };
    test::WriteFileBytes(site.Path() / "video.part1.flv", "FLV");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        target = ScriptTargetRecord{};
        target.pageUrl = L"http://net.test/page";
        RunForMediaUrl({L"VAR u = \"" + Url(c.path) + L"\";", L"VIDURL = u;"});
        EXPECT_EQ(target.extension, c.extension);
    }
    target = ScriptTargetRecord{};
    target.pageUrl = L"http://net.test/page";
    RunForMediaUrl({L"VAR USERAGENT = \"Prober\";",
                    L"VAR u = \"" + Url("/plain/video.part1.flv?q=a.b/c") + L"\";",
                    L"VIDURL = u;"});
    EXPECT_EQ(target.extension, L"part1.flv");
    // nginx logs a request only after answering it: give the probe's entry time to appear.
    auto log = nginx.AccessLog();
    for (int i = 0; i < 50 && (log.empty() || log.back().userAgent != "Prober"); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        log = nginx.AccessLog();
    }
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back().userAgent, "Prober");
}

TEST_F(ScriptNetFunctions, HugePageStaysWithinTheClientsCap) {
    test::WriteFileBytes(site.Path() / "huge.txt",
                         std::string(DNetworking::kDefaultPageLimit + 1, 'h'));
    test::WriteFileBytes(site.Path() / "fits.txt", std::string(3 << 20, 'f'));
    // The huge page assigns the empty text; the run goes on.
    EXPECT_EQ(
        RunForMediaUrl({L"VAR u = \"" + Url("/huge.txt") + L"\";", L"VAR p = \"old\";",
                        L"VAR p = GETHTML(u);", L"VAR f = \"" + Url("/fits.txt") + L"\";",
                        L"VAR q = GETHTML(f);", L"VAR done = \"|done\";", L"VAR r = ADDSTR(p, q);",
                        L"VAR r = ADDSTR(r, done);", L"VIDURL = r;"}),
        std::wstring(3 << 20, L'f') + L"|done");
}

// A whole site script through the proxy that imitates the video site.
TEST_F(ScriptNetFunctions, YouTubePageThroughTheProxy) {
    test::WriteFileBytes(
        youtube.Path() / "watch.html",
        "<html><head><title>Test &amp; Clip: 1/2</title></head><body>"
        "fmt_map=\"5|http://www.youtube.com/low.flv,18|http://www.youtube.com/medium.mp4\""
        "</body></html>");
    test::WriteFileBytes(youtube.Path() / "medium.mp4", "MP4");
    test::ScopedEnv proxy("http_proxy", nginx.ProxyAddress());

    SiteParser parser;
    ScriptBook book;
    book.Site(
        L"youtube.com",
        {L"VAR ORGHTML = GETHTML(ORGURL);", L"VAR start = \"fmt_map=\"\";", L"VAR end = \"\"\";",
         L"VAR formats = SUBSTR(FWD, ORGHTML, start, end);", L"VAR u = GETYOUTUBEQ(formats);",
         L"VIDURL = u;", L"VAR t = GETTITLE;", L"VIDNAME = t;"});
    ASSERT_TRUE(test::LoadBook(parser, book, home.Root()));
    target.pageUrl = L"http://www.youtube.com/watch.html?v=abc";
    target.formatChoice = DownloadQuality::kHq360Mp4;
    EXPECT_TRUE(parser.Execute1(target));
    EXPECT_EQ(target.mediaUrl, L"http://www.youtube.com/medium.mp4");
    EXPECT_EQ(target.title, L"Test & Clip_ 1_2");
    EXPECT_EQ(target.extension, L"mp4");
}

}  // namespace
}  // namespace talvex
