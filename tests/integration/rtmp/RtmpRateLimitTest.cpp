// RTMP transfers pay from the same download limit as HTTP ones: a stream keeps to it, and a
// stop while the stream waits for its share ends it at once. Against nginx's RTMP module.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include "integration/download/DownloadSite.h"
#include "net/NetResult.h"
#include "net/RtmpConnection.h"
#include "net/TransferRateLimit.h"

namespace talvex::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

uint16_t UnusedPort() {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    uint16_t port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    ::close(fd);
    return port;
}

class RtmpRateLimitTest : public DownloadSite {
protected:
    ~RtmpRateLimitTest() override { TransferRateLimit::Global().SetRate(0); }

    void ConfigureServer(NginxServer& server) override {
        port_ = UnusedPort();
        fs::create_directories(Root() / "rtmp");
        ASSERT_TRUE(MakeVideo(Root() / "rtmp" / "clip.flv", 4));
        server.AddMainText("load_module /usr/lib/nginx/modules/ngx_rtmp_module.so;");
        server.AddMainText("rtmp { server { listen 127.0.0.1:" + std::to_string(port_) +
                           "; application vod { play {ROOT}/rtmp; } } }");
    }
    std::wstring Url() const {
        return Utf8ToWide("rtmp://127.0.0.1:" + std::to_string(port_) + "/vod/clip.flv");
    }

    uint16_t port_ = 0;
};

TEST_F(RtmpRateLimitTest, StreamKeepsToTheLimit) {
    const uint64_t source = fs::file_size(Root() / "rtmp" / "clip.flv");
    ASSERT_GT(source, 30000u);
    // About three seconds for the whole stream (its FLV framing aside).
    const uint64_t limit = source / 3;
    TransferRateLimit::Global().SetRate(limit);
    TempDir dir;
    File file = File::CreateTruncate(dir.Path() / "out.flv");
    std::atomic<bool> stop{false};
    RtmpConnection connection(L"", L"", L"");
    const auto start = Clock::now();
    auto transfer = std::async(std::launch::async,
                               [&] { return connection.Download(nullptr, Url(), file, stop); });
    if (transfer.wait_for(60s) != std::future_status::ready) {
        stop.store(true);
    }
    ASSERT_EQ(transfer.get(), kNetSuccess);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const uint64_t stored = file.Size().value_or(0);
    EXPECT_GT(stored, source / 2);
    EXPECT_LE(static_cast<double>(stored) / seconds, 1.15 * static_cast<double>(limit))
        << stored << " bytes in " << seconds << " s";
}

TEST_F(RtmpRateLimitTest, StopWhileWaitingForTheLimitEndsTheStream) {
    TransferRateLimit::Global().SetRate(1024);
    TempDir dir;
    File file = File::CreateTruncate(dir.Path() / "out.flv");
    std::atomic<bool> stop{false};
    RtmpConnection connection(L"", L"", L"");
    auto transfer = std::async(std::launch::async,
                               [&] { return connection.Download(nullptr, Url(), file, stop); });
    // Connected and paying a kilobyte a second for a stream many times that size.
    std::this_thread::sleep_for(1500ms);
    ASSERT_EQ(transfer.wait_for(0s), std::future_status::timeout);
    stop.store(true);
    ASSERT_EQ(transfer.wait_for(5s), std::future_status::ready);
    EXPECT_EQ(transfer.get(), kNetStopped);
    EXPECT_LT(file.Size().value_or(0), fs::file_size(Root() / "rtmp" / "clip.flv"));
}

}  // namespace
}  // namespace talvex::test
