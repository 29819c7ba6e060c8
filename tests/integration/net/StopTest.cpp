// The caller's stop flag ends a request at once, whatever it is waiting for, with result 0.
#include <gtest/gtest.h>

#include <thread>

#include "integration/net/NetTestSupport.h"
#include "net/DNetworking.h"
#include "support/FaultServer.h"
#include "support/NginxServer.h"

namespace talvex::test {
namespace {

namespace fs = std::filesystem;

// Sets the stop flag from the transfer's own thread once enough bytes were reported.
class StoppingSink : public RecordingSink {
public:
    StoppingSink(StopFlag& stop, uint64_t after) : stop_(stop), after_(after) {}
    bool Update(uint64_t done, uint64_t counted, double speed, double alt) override {
        if (done >= after_) {
            stop_ = true;
        }
        return RecordingSink::Update(done, counted, speed, alt);
    }

private:
    StopFlag& stop_;
    uint64_t after_;
};

// Sets a flag from another thread once a condition holds (checked every few milliseconds,
// for at most ten seconds).
class DelayedStop {
public:
    DelayedStop(StopFlag& stop, std::function<bool()> when)
        : thread_([&stop, when = std::move(when)] {
              for (int i = 0; i < 2000 && !when(); ++i) {
                  std::this_thread::sleep_for(std::chrono::milliseconds(5));
              }
              stop = true;
          }) {}
    ~DelayedStop() { thread_.join(); }

private:
    std::thread thread_;
};

class StopTest : public ::testing::Test {
protected:
    void SetUp() override {
        content = PatternBytes(4 << 20);
        WriteFileBytes(nginx.Root() / "media.bin", content);
        nginx.SetRateLimit("512k");
        ASSERT_TRUE(nginx.Start()) << nginx.LastError();
        output = File::OpenReadWrite(out.Path() / "out.bin", true);
    }
    NoProxyEnv noProxy;
    NginxServer nginx;
    std::string content;
    TempDir out;
    File output;
    StopFlag stop{false};
};

TEST_F(StopTest, SetBeforeTheCallSendsNothing) {
    stop = true;
    DNetworking client;
    std::wstring text = L"old";
    std::atomic<uint64_t> position{0};
    EXPECT_EQ(client.GetPage(nginx.WideUrl("/media.bin"), text, stop), kNetSuccess);
    EXPECT_TRUE(text.empty());
    EXPECT_EQ(client.QueryHeaders(nginx.WideUrl("/media.bin"), stop), kNetSuccess);
    EXPECT_EQ(client.DownloadRange(nginx.WideUrl("/media.bin"), ByteRange{0, 99}, output, position,
                                   stop, nullptr),
              kNetSuccess);
    EXPECT_EQ(position.load(), 0u);
    EXPECT_TRUE(nginx.AccessLog().empty());
}

TEST_F(StopTest, StopDuringATransferEndsItAfterTheCurrentChunk) {
    DNetworking client;
    StoppingSink sink(stop, 64 * 1024);
    std::atomic<uint64_t> position{0};
    EXPECT_EQ(client.DownloadRange(nginx.WideUrl("/slow/media.bin"), std::nullopt, output, position,
                                   stop, &sink),
              kNetSuccess);
    EXPECT_GE(position.load(), 64u * 1024);
    EXPECT_LT(position.load(), content.size());
    EXPECT_EQ(sink.completes.load(), 0);
    std::string stored = ReadFileBytes(out.Path() / "out.bin");
    EXPECT_EQ(stored, content.substr(0, stored.size()));
}

TEST_F(StopTest, StopFromAnotherThreadEndsARangedTransfer) {
    DNetworking client;
    std::atomic<uint64_t> position{1000};
    uint32_t result;
    {
        DelayedStop stopper(stop, [&] { return position.load() > 1000; });
        result = client.DownloadRange(nginx.WideUrl("/slow/media.bin"),
                                      ByteRange{1000, content.size() - 1}, output, position, stop,
                                      nullptr);
    }
    EXPECT_EQ(result, kNetSuccess);
    EXPECT_LT(position.load(), content.size());
}

TEST_F(StopTest, StoppedDownloadToFileLeavesNoFile) {
    DNetworking client;
    fs::path target = out.Path() / "page.bin";
    uint32_t result;
    {
        DelayedStop stopper(stop, [&] {
            for (const auto& entry : fs::directory_iterator(out.Path())) {
                if (entry.path().filename().string().rfind("~qrv", 0) == 0 &&
                    fs::file_size(entry.path()) > 0) {
                    return true;  // the body is flowing into the temporary file
                }
            }
            return false;
        });
        result = client.DownloadToFile(nginx.WideUrl("/slow/media.bin"), target, stop);
    }
    EXPECT_EQ(result, kNetSuccess);
    EXPECT_FALSE(fs::exists(target));
}

TEST_F(StopTest, StopWhileTheServerStallsOrTheConnectHangs) {
    // Default time-outs (30 s connect, 60 s without data): only the flag can end these quickly.
    FaultServer silent(FaultServer::NeverAnswers());
    DNetworking client;
    std::wstring text;
    {
        DelayedStop stopper(stop, [&] { return !silent.Requests().empty(); });
        EXPECT_EQ(client.GetPage(silent.WideUrl("/"), text, stop), kNetSuccess);
    }
    EXPECT_EQ(client.StatusCode(), L"unknown");

    stop = false;
    UnansweredListener unanswered;
    auto started = std::chrono::steady_clock::now();
    {
        DelayedStop stopper(stop, [&] {
            return std::chrono::steady_clock::now() - started > std::chrono::milliseconds(300);
        });
        EXPECT_EQ(client.GetPage(L"http://127.0.0.1:" + std::to_wstring(unanswered.Port()) + L"/",
                                 text, stop),
                  kNetSuccess);
    }
}

}  // namespace
}  // namespace talvex::test
