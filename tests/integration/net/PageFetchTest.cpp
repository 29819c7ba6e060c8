// Page fetches, file downloads and header queries against a real nginx.
#include <gtest/gtest.h>

#include "integration/net/NetTestSupport.h"
#include "net/DNetworking.h"
#include "support/FaultServer.h"
#include "support/NginxServer.h"

namespace talvex::test {
namespace {

class PageFetchTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteFileBytes(nginx.Root() / "page.html", "<html>Grüße \xE2\x82\xAC</html>");
        ASSERT_TRUE(nginx.Start()) << nginx.LastError();
    }
    NoProxyEnv noProxy;
    NginxServer nginx;
};

TEST_F(PageFetchTest, GetPageDecodesUtf8Body) {
    DNetworking client;
    std::wstring text;
    EXPECT_EQ(client.GetPage(nginx.WideUrl("/page.html"), text), kNetSuccess);
    EXPECT_EQ(text, L"<html>Grüße €</html>");
    EXPECT_EQ(client.StatusCode(), L"200");
}

}  // namespace
}  // namespace talvex::test
