// RTMP downloads against a real RTMP server (nginx with its RTMP module) serving an FLV file
// made by ffmpeg, through librtmp loaded at run time.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cmath>

#include "integration/download/DownloadSite.h"
#include "net/NetResult.h"
#include "net/RtmpConnection.h"
#include "net/RtmpLibrary.h"

namespace talvex::test {
namespace {

// A port on the loopback address that was free a moment ago.
uint16_t FreePort() {
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

// Records what a transfer reports; can ask the transfer to stop at its first report.
class RecordingProgress : public IActivityProgressNotify {
public:
    explicit RecordingProgress(std::atomic<bool>* stopOnFirstUpdate = nullptr)
        : stop_(stopOnFirstUpdate) {}
    bool Update(uint64_t done, uint64_t counted, double, double) override {
        lastDone = done;
        lastCounted = counted;
        ++updates;
        if (stop_ != nullptr) {
            stop_->store(true);
        }
        return true;
    }
    bool OnSize(uint64_t value) override {
        total = value;
        return true;
    }
    bool OnStart(uint64_t) override {
        ++starts;
        return true;
    }
    bool OnComplete() override {
        completed = true;
        return true;
    }
    uint64_t GetDone() override { return 0; }

    uint64_t lastDone = 0;
    uint64_t lastCounted = 0;
    uint64_t total = 0;
    int updates = 0;
    int starts = 0;
    bool completed = false;

private:
    std::atomic<bool>* stop_;
};

class RtmpDownloadTest : public DownloadSite {
protected:
    void ConfigureServer(NginxServer& server) override {
        rtmpPort_ = FreePort();
        fs::create_directories(Root() / "rtmp");
        ASSERT_TRUE(MakeVideo(Root() / "rtmp" / "clip.flv", kSeconds));
        server.AddMainText("load_module /usr/lib/nginx/modules/ngx_rtmp_module.so;");
        server.AddMainText("rtmp { server { listen 127.0.0.1:" + std::to_string(rtmpPort_) +
                           "; application vod { play {ROOT}/rtmp; } } }");
    }
    std::string Scripts() override {
        // The script hands out the stream address and a play path the address overrides.
        return SiteScriptFor(SiteKey()) +
               "\nSITE \"rtmp.test\"\nBEGIN\n"
               "VAR U=\"" +
               RtmpUrl() +
               "\";\nVIDURL=U;\n"
               "VAR T=\"Stream Clip\";\nVIDNAME=T;\n"
               "VAR P=\"not-this-one\";\nRTMP_PLAYPATH=P;\n"
               "END;\n"
               "SITE \"closed.test\"\nBEGIN\n"
               "VAR U=\"rtmp://127.0.0.1:" +
               std::to_string(FreePort()) + "/vod/clip.flv\";\nVIDURL=U;\nEND;";
    }
    std::string RtmpUrl() const {
        return "rtmp://127.0.0.1:" + std::to_string(rtmpPort_) + "/vod/clip.flv";
    }

    static constexpr int kSeconds = 4;
    uint16_t rtmpPort_ = 0;
};

TEST_F(RtmpDownloadTest, StreamIsStoredWithTheSourcesDuration) {
    const double sourceDuration = ProbeDuration(Root() / "rtmp" / "clip.flv");
    ASSERT_GT(sourceDuration, kSeconds - 0.5);

    auto item = NewItem(L"http://rtmp.test/watch/1");
    ASSERT_TRUE(item->Run());
    ASSERT_TRUE(sink_.WaitFinished(item.get(), 1));
    ASSERT_TRUE(WorkersDone(item));
    ASSERT_EQ(item->state.load(), ActivityState::Completed) << item->FailedCode();
    EXPECT_FALSE(item->IsMultiStream());
    EXPECT_FALSE(item->CanPause());
    EXPECT_EQ(item->GetFileName(), L"Stream Clip.flv");
    EXPECT_EQ(FolderNames(), std::vector<std::string>{"Stream Clip.flv"});
    const double stored = ProbeDuration(folder_ / "Stream Clip.flv");
    EXPECT_NEAR(stored, sourceDuration, 0.5);
    EXPECT_EQ(sink_.FinishedCount(item.get()), 1);
}

TEST_F(RtmpDownloadTest, ConnectionParsesTheAddressAndReportsStreamTime) {
    TempDir dir;
    File file = File::CreateTruncate(dir.Path() / "out.flv");
    ASSERT_TRUE(file.IsOpen());
    RecordingProgress progress;
    std::atomic<bool> stop{false};
    RtmpConnection connection(L"not-this-one", L"", L"http://rtmp.test/watch/1");
    EXPECT_EQ(connection.Download(&progress, Utf8ToWide(RtmpUrl()), file, stop), kNetSuccess);
    EXPECT_EQ(connection.HostName(), "127.0.0.1");
    EXPECT_EQ(connection.App(), "vod");
    EXPECT_EQ(connection.PlayPath(), "clip");  // from the address, ".flv" dropped by librtmp
    EXPECT_EQ(connection.TcUrl(), "rtmp://127.0.0.1:" + std::to_string(rtmpPort_) + "/vod");
    EXPECT_FALSE(connection.SwfHashed());
    EXPECT_TRUE(progress.completed);
    EXPECT_EQ(progress.starts, 1);
    // Progress is stream time against the duration, both in milliseconds.
    EXPECT_NEAR(static_cast<double>(progress.total), kSeconds * 1000.0, 500.0);
    EXPECT_GT(progress.lastDone, 0u);
    EXPECT_GT(progress.lastCounted, 0u);
    EXPECT_GT(file.Size().value_or(0), 10000u);
}

TEST_F(RtmpDownloadTest, PlayerAddressIsHashedForVerification) {
    // An uncompressed player file: "FWS", a version, the file length, then its body.
    std::string swf = "FWS";
    swf += static_cast<char>(9);
    const std::string body = GeneratedBytes(2000, 5);
    const uint32_t length = static_cast<uint32_t>(8 + body.size());
    for (int i = 0; i < 4; ++i) {
        swf += static_cast<char>((length >> (8 * i)) & 0xFF);
    }
    swf += body;
    WriteFileBytes(Root() / "media" / "player.swf", swf);

    TempDir dir;
    File file = File::CreateTruncate(dir.Path() / "out.flv");
    RecordingProgress progress;
    std::atomic<bool> stop{false};
    RtmpConnection connection(L"", server_.WideUrl("/media/player.swf"), L"");
    EXPECT_EQ(connection.Download(&progress, Utf8ToWide(RtmpUrl()), file, stop), kNetSuccess);
    EXPECT_TRUE(connection.SwfHashed());
    EXPECT_TRUE(progress.completed);
    bool fetched = false;
    for (const auto& entry : server_.AccessLog()) {
        fetched |= entry.uri == "/media/player.swf" && entry.status == 200;
    }
    EXPECT_TRUE(fetched);
}

TEST_F(RtmpDownloadTest, StopEndsTheTransferAtTheNextChunk) {
    TempDir dir;
    File file = File::CreateTruncate(dir.Path() / "out.flv");
    std::atomic<bool> stop{false};
    RecordingProgress progress(&stop);
    RtmpConnection connection(L"", L"", L"");
    EXPECT_EQ(connection.Download(&progress, Utf8ToWide(RtmpUrl()), file, stop), kNetStopped);
    EXPECT_EQ(progress.updates, 1);
    EXPECT_FALSE(progress.completed);

    // Already stopped: nothing is even connected.
    RecordingProgress idle;
    RtmpConnection second(L"", L"", L"");
    EXPECT_EQ(second.Download(&idle, Utf8ToWide(RtmpUrl()), file, stop), kNetStopped);
    EXPECT_EQ(idle.starts, 0);
    EXPECT_TRUE(second.HostName().empty());
}

TEST_F(RtmpDownloadTest, StoppedRtmpDownloadIsCanceledAndLeavesNothing) {
    auto item = NewItem(L"http://rtmp.test/watch/1");
    ASSERT_TRUE(item->Run());
    ASSERT_TRUE(item->Stop());  // while its script, its connection or its transfer runs
    ASSERT_TRUE(sink_.WaitFinished(item.get(), 1));
    ASSERT_TRUE(WorkersDone(item));
    EXPECT_EQ(item->state.load(), ActivityState::Canceled);
    EXPECT_EQ(sink_.FinishedCount(item.get()), 1);
    EXPECT_TRUE(FolderNames().empty());
}

TEST_F(RtmpDownloadTest, UnreachableServerFailsTheItem) {
    auto item = NewItem(L"http://closed.test/watch/1");
    ASSERT_TRUE(item->Run());
    ASSERT_TRUE(sink_.WaitFinished(item.get(), 1));
    ASSERT_TRUE(WorkersDone(item));
    EXPECT_EQ(item->state.load(), ActivityState::Failed);
    EXPECT_EQ(item->FailedCode(), kNetInternalError);
    EXPECT_TRUE(FolderNames().empty());
}

TEST_F(RtmpDownloadTest, MissingLibraryFailsOnlyRtmpDownloads) {
    UnloadRtmpLibrary();
    // A library without our functions is refused as a whole.
    EXPECT_FALSE(LoadRtmpLibraryFrom("libz.so.1"));
    EXPECT_EQ(GetRtmpApi(), nullptr);
    SetRtmpLibraryName("librtmp-missing.so.1");
    EXPECT_FALSE(LoadRtmpLibrary());

    auto rtmp = NewItem(L"http://rtmp.test/watch/1");
    ASSERT_TRUE(rtmp->Run());
    ASSERT_TRUE(sink_.WaitFinished(rtmp.get(), 1));
    ASSERT_TRUE(WorkersDone(rtmp));
    EXPECT_EQ(rtmp->state.load(), ActivityState::Failed);
    EXPECT_TRUE(FolderNames().empty());

    // HTTP downloads go on as before.
    auto http = NewItem(AddVideo("plain.bin", "Plain", 100000));
    ASSERT_TRUE(http->Run());
    ASSERT_TRUE(sink_.WaitFinished(http.get(), 1));
    ASSERT_TRUE(WorkersDone(http));
    EXPECT_EQ(http->state.load(), ActivityState::Completed);
    EXPECT_EQ(ReadFileBytes(folder_ / "Plain.bin"), Served("plain.bin"));

    // With the library back, RTMP works again.
    SetRtmpLibraryName(nullptr);
    EXPECT_TRUE(LoadRtmpLibrary());
    EXPECT_NE(GetRtmpApi(), nullptr);
}

}  // namespace
}  // namespace talvex::test
