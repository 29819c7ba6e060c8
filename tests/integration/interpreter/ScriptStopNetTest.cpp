// A run's page fetches against a server that stalls or answers late: a stop abandons the fetch
// at once, and the wait for the network is not counted against the run's time limit.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "integration/net/NetTestSupport.h"
#include "support/FaultServer.h"
#include "unit/interpreter/InterpreterFixture.h"

namespace talvex {
namespace {

using Clock = std::chrono::steady_clock;

class ScriptStopNet : public ::testing::Test {
protected:
    // Loads a "/net.test/" block that fetches the page of the target's address.
    void LoadFetchingScript() {
        test::ScriptBook book;
        book.Site(L"/net.test/", {L"VAR PAGE = GETHTML(ORGURL);", L"VAR u = \"rtmp://media/clip\";",
                                  L"IF PAGE == EMPTY THEN", L"VAR ERRMSG = \"no page\";", L"ENDIF;",
                                  L"VIDURL = u;"});
        ASSERT_TRUE(test::LoadBook(parser, book, home.Root()));
    }

    test::NoProxyEnv noProxy;
    test::TestHome home;
    SiteParser parser;
    ScriptTargetRecord target;
};

TEST_F(ScriptStopNet, StopAbandonsAPageFetchThatStalls) {
    test::FaultServer server(test::FaultServer::NeverAnswers());
    ASSERT_TRUE(server.IsListening());
    LoadFetchingScript();
    std::atomic<bool> stop{false};
    target.stopFlag = &stop;
    target.pageUrl = server.WideUrl("/net.test/watch");
    auto running = std::async(std::launch::async, [&] { return parser.Execute1(target); });
    // Once the request has arrived, the fetch is waiting for an answer that never comes.
    for (int waited = 0; server.Requests().empty() && waited < 5000; waited += 10) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_FALSE(server.Requests().empty());
    const auto stopped = Clock::now();
    stop.store(true);
    const bool ended = running.wait_for(std::chrono::seconds(3)) == std::future_status::ready;
    const auto took = Clock::now() - stopped;
    // Without the stop reaching the fetch, only closing the server ends it.
    server.Stop();
    EXPECT_TRUE(ended);
    EXPECT_LT(took, std::chrono::seconds(1));
    EXPECT_FALSE(running.get());
    EXPECT_EQ(target.errorText, L"");
    EXPECT_EQ(target.mediaUrl, L"");
}

TEST_F(ScriptStopNet, WaitingForASlowServerIsNotCountedAgainstTheTimeLimit) {
    test::FaultServer server([](test::FaultServer::Connection& connection) {
        if (connection.ReadRequest().empty()) {
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1200));
        connection.Send("HTTP/1.1 200 OK\r\nContent-Length: 4\r\nConnection: close\r\n\r\npage");
    });
    ASSERT_TRUE(server.IsListening());
    LoadFetchingScript();
    ScriptLimits limits;
    limits.busyTime = std::chrono::milliseconds(500);
    parser.SetLimits(limits);
    target.pageUrl = server.WideUrl("/net.test/watch");
    EXPECT_TRUE(parser.Execute1(target)) << target.errorText;
    EXPECT_EQ(target.mediaUrl, L"rtmp://media/clip");
}

}  // namespace
}  // namespace talvex
