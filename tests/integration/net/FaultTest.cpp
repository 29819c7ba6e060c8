// Servers and addresses that misbehave: malformed addresses, refused and unanswered
// connections, stalls, cut and endless bodies, an offline system. Time-outs are shortened per
// client so that each case ends within seconds.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <cerrno>

#include "integration/net/NetTestSupport.h"
#include "net/DNetworking.h"
#include "net/NetworkState.h"
#include "support/FaultServer.h"

namespace talvex::test {
namespace {

namespace fs = std::filesystem;

// A port on 127.0.0.1 with nobody listening.
uint16_t ClosedPort() {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

class FaultTest : public ::testing::Test {
protected:
    void SetUp() override {
        output = File::OpenReadWrite(out.Path() / "out.bin", true);
        client.SetTimeouts(QuickTimeouts());
    }
    uint32_t Range(const std::wstring& url, std::optional<ByteRange> range = std::nullopt,
                   IActivityProgressNotify* sink = nullptr) {
        position = range ? range->from : 0;
        return client.DownloadRange(url, range, output, position, NeverStop(), sink);
    }

    NoProxyEnv noProxy;
    TempDir out;
    File output;
    DNetworking client;
    std::atomic<uint64_t> position{0};
    std::wstring text;
};

TEST_F(FaultTest, MalformedAddressesAre8) {
    const std::wstring bad[] = {L"",
                                L"not an address",
                                L"http://",
                                L"ftp://127.0.0.1/file",
                                L"file:///etc/passwd",
                                L"http://[::1/",
                                L"http://127.0.0.1:99999/",
                                L"www.example.com/page",
                                L"http://exa mple.com/",
                                L"http://127.0.0.1/a\nb"};
    for (const std::wstring& address : bad) {
        SCOPED_TRACE(std::string(address.begin(), address.end()));
        EXPECT_EQ(client.GetPage(address, text), kNetBadAddress);
        EXPECT_EQ(client.QueryHeaders(address), kNetBadAddress);
        EXPECT_EQ(client.DownloadToFile(address, out.Path() / "x"), kNetBadAddress);
        EXPECT_EQ(Range(address, ByteRange{0, 9}), kNetBadAddress);
    }
}

TEST_F(FaultTest, RefusedConnectionIs7) {
    std::wstring url = L"http://127.0.0.1:" + std::to_wstring(ClosedPort()) + L"/";
    EXPECT_EQ(client.GetPage(url, text), kNetConnectFailed);
    EXPECT_EQ(client.QueryHeaders(url), kNetConnectFailed);
    EXPECT_EQ(client.StatusCode(), L"unknown");
}

TEST_F(FaultTest, UnansweredConnectIs7AfterTheConnectTimeout) {
    UnansweredListener silent;
    NetTimeouts timeouts = QuickTimeouts();
    timeouts.connectMs = 500;
    client.SetTimeouts(timeouts);
    EXPECT_EQ(client.GetPage(L"http://127.0.0.1:" + std::to_wstring(silent.Port()) + L"/", text),
              kNetConnectFailed);
}

TEST_F(FaultTest, ServerThatNeverAnswersTimesOut) {
    FaultServer silent(FaultServer::NeverAnswers());
    EXPECT_EQ(client.GetPage(silent.WideUrl("/"), text), kNetSendFailed);
    EXPECT_EQ(Range(silent.WideUrl("/"), ByteRange{0, 99}), kNetSendFailed);
    EXPECT_EQ(silent.Requests().size(), 2u);
}

TEST_F(FaultTest, ServerClosingMidBodyIs14) {
    FaultServer cut(
        FaultServer::Respond("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n", 30000));
    EXPECT_EQ(client.GetPage(cut.WideUrl("/"), text), kNetWriteFailed);
    EXPECT_TRUE(text.empty());
    FaultServer chunked(FaultServer::Respond(
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n10000\r\n", 3000));
    EXPECT_EQ(client.GetPage(chunked.WideUrl("/"), text), kNetWriteFailed);
}

TEST_F(FaultTest, HugeAnnouncedLengthWithSmallBody) {
    const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: 10000000000\r\n\r\n";
    FaultServer closing(FaultServer::Respond(head, 1024));
    RecordingSink sink;
    EXPECT_EQ(Range(closing.WideUrl("/"), std::nullopt, &sink), kNetWriteFailed);
    EXPECT_EQ(position.load(), 1024u);
    ASSERT_EQ(sink.sizes.size(), 1u);
    EXPECT_EQ(sink.sizes[0], 10000000000u);
    EXPECT_EQ(client.GetPage(closing.WideUrl("/"), text), kNetWriteFailed);

    // The same server keeping the connection open and silent: the low-speed limit ends it.
    FaultServer stalling(FaultServer::Respond(head, 1024, true));
    NetTimeouts timeouts = QuickTimeouts();
    timeouts.lowSpeedBytesPerSecond = 4096;  // the early kilobyte does not keep the speed up
    client.SetTimeouts(timeouts);
    EXPECT_EQ(Range(stalling.WideUrl("/")), kNetReadFailed);
    EXPECT_EQ(position.load(), 1024u);
}

TEST_F(FaultTest, TrickleBelowTheLowSpeedFloorIsAbandonedWhileASlowLinkIsNot) {
    // A kilobyte a second over a minute by default; here the default floor over two seconds.
    EXPECT_EQ(NetTimeouts{}.lowSpeedBytesPerSecond, 1024u);
    EXPECT_EQ(NetTimeouts{}.lowSpeedSeconds, 60u);
    NetTimeouts timeouts;
    timeouts.connectMs = 1500;
    timeouts.lowSpeedSeconds = 2;
    client.SetTimeouts(timeouts);
    const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: 3000\r\n\r\n";
    // 300 bytes a second keep a connection open; they are no transfer (all of it: 10 s).
    FaultServer trickle(FaultServer::Trickle(head, 3000, 30, 100));
    EXPECT_EQ(Range(trickle.WideUrl("/")), kNetReadFailed);
    EXPECT_LT(position.load(), 3000u);
    // 8 KB a second for three seconds is slow, and arrives whole.
    FaultServer slow(
        FaultServer::Trickle("HTTP/1.1 200 OK\r\nContent-Length: 24000\r\n\r\n", 24000, 800, 100));
    EXPECT_EQ(Range(slow.WideUrl("/")), kNetSuccess);
    EXPECT_EQ(position.load(), 24000u);
}

TEST_F(FaultTest, FailedWritesKeepTheirCauseAndShortBodiesHaveNone) {
    const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n";
    FaultServer whole(FaultServer::Respond(head, 100000));
    File full = File::OpenReadWrite("/dev/full");
    if (!full.IsOpen()) {
        GTEST_SKIP() << "no /dev/full to write to";
    }
    std::atomic<uint64_t> at{0};
    EXPECT_EQ(
        client.DownloadRange(whole.WideUrl("/"), std::nullopt, full, at, NeverStop(), nullptr),
        kNetWriteFailed);
    EXPECT_EQ(client.LastWriteError(), ENOSPC);
    FaultServer cut(FaultServer::Respond(head, 30000));
    EXPECT_EQ(Range(cut.WideUrl("/")), kNetWriteFailed);
    EXPECT_EQ(client.LastWriteError(), 0);
}

TEST_F(FaultTest, EndlessBodyStopsAtThePageLimit) {
    FaultServer endless(FaultServer::EndlessBody());
    client.SetPageLimit(1 << 20);
    EXPECT_EQ(client.GetPage(endless.WideUrl("/"), text), kNetReadFailed);
    EXPECT_TRUE(text.empty());
    DNetworking defaults;
    defaults.SetTimeouts(QuickTimeouts());
    EXPECT_EQ(defaults.GetPage(endless.WideUrl("/"), text), kNetReadFailed);
}

TEST_F(FaultTest, OfflineSystemFailsEveryRequestWithoutNetwork) {
    FaultServer echo(FaultServer::Echo());
    struct Restore {
        ~Restore() { SetConnectionState(ConnectionState::kConnected); }
    } restore;
    RecordingNotifier notifier;
    SetConnectionState(ConnectionState::kOffline);
    EXPECT_FALSE(DNetworking::IsConnected());
    EXPECT_EQ(client.GetPage(echo.WideUrl("/"), text), kNetOffline);
    EXPECT_EQ(client.QueryHeaders(echo.WideUrl("/")), kNetOffline);
    EXPECT_EQ(client.DownloadToFile(echo.WideUrl("/"), out.Path() / "x"), kNetOffline);
    EXPECT_EQ(Range(echo.WideUrl("/"), ByteRange{0, 1}), kNetOffline);
    EXPECT_EQ(
        client.DownloadWithProgress(echo.WideUrl("/"), out.Path() / "y", NeverStop(), &notifier),
        kNetOffline);
    SetConnectionState(ConnectionState::kNotConnected);
    EXPECT_FALSE(DNetworking::IsConnected());
    EXPECT_EQ(client.GetPage(echo.WideUrl("/"), text), kNetNotConnected);
    EXPECT_EQ(echo.ConnectionCount(), 0);
    SetConnectionState(ConnectionState::kConnected);
    EXPECT_TRUE(DNetworking::IsConnected());
    EXPECT_EQ(client.GetPage(echo.WideUrl("/"), text), kNetSuccess);
}

}  // namespace
}  // namespace talvex::test
