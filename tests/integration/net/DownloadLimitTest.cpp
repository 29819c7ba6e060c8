// The shared download limit on real transfers from nginx: a limit far below the low-speed floor
// of each transfer does not get them abandoned, a stop while a transfer waits for its share
// ends it at once, and page fetches and header queries never wait for the budget.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>
#include <vector>

#include "integration/net/NetTestSupport.h"
#include "net/Address.h"
#include "net/DNetworking.h"
#include "net/HttpRequest.h"
#include "net/TransferRateLimit.h"
#include "support/FaultServer.h"
#include "support/NginxServer.h"

namespace talvex::test {
namespace {

using namespace std::chrono_literals;

// The process's limit for one test, lifted again at its end.
class GlobalLimit {
public:
    explicit GlobalLimit(uint64_t bytesPerSecond) {
        TransferRateLimit::Global().SetRate(bytesPerSecond);
    }
    ~GlobalLimit() { TransferRateLimit::Global().SetRate(0); }
};

// Keeps the body of a "200" or "206" answer.
class BodyConsumer : public IResponseConsumer {
public:
    std::optional<uint32_t> OnHeaders(long status, const HeaderMap&) override {
        return status == 200 || status == 206 ? std::nullopt : std::optional<uint32_t>(99);
    }
    std::optional<uint32_t> OnBody(const char* data, size_t size) override {
        body.append(data, size);
        return std::nullopt;
    }
    std::string body;
};

class DownloadLimitTest : public ::testing::Test {
protected:
    void SetUp() override {
        content = PatternBytes(1 << 20);
        WriteFileBytes(nginx.Root() / "media.bin", content);
        ASSERT_TRUE(nginx.Start()) << nginx.LastError();
    }

    // Runs call on a thread of its own; when it has not returned after limit, sets stop (which
    // every call here honours) and reports nothing.
    template <class Call>
    std::optional<uint32_t> Bounded(Call call, std::chrono::seconds limit) {
        auto result = std::async(std::launch::async, call);
        if (result.wait_for(limit) != std::future_status::ready) {
            stop.store(true);
            result.wait();
            return std::nullopt;
        }
        return result.get();
    }

    NoProxyEnv noProxy;
    NginxServer nginx;
    std::string content;
    std::atomic<bool> stop{false};
};

TEST_F(DownloadLimitTest, LimitBelowEveryTransfersLowSpeedFloorDoesNotAbandonThem) {
    // Four ranged transfers share 2 KB a second: 512 bytes a second each, half the floor of a
    // kilobyte a second, which the library would hold against them after two seconds. Small
    // pieces make each transfer wait for its share many times over.
    TransferRateLimit budget;
    budget.SetRate(2048);
    constexpr size_t kPart = 2560;
    auto parts = ParseAddress(nginx.WideUrl("/media.bin"));
    ASSERT_TRUE(parts);
    std::vector<std::future<std::pair<HttpOutcome, std::string>>> transfers;
    for (size_t i = 0; i < 4; ++i) {
        transfers.push_back(std::async(std::launch::async, [&, i] {
            HttpRequestPlan plan;
            plan.url = parts->url;
            plan.origin = OriginOf(*parts);
            plan.headerLines.push_back("Range: bytes=" + std::to_string(i * kPart) + "-" +
                                       std::to_string((i + 1) * kPart - 1));
            plan.bufferSize = 1024;
            plan.timeouts = QuickTimeouts();
            plan.timeouts.lowSpeedBytesPerSecond = 1024;
            plan.rateLimit = &budget;
            BodyConsumer consumer;
            HttpOutcome outcome = PerformHttpRequest(plan, consumer, stop);
            return std::make_pair(outcome, consumer.body);
        }));
    }
    for (size_t i = 0; i < transfers.size(); ++i) {
        // 10 KB at 2 KB/s: five seconds; a transfer that hangs is stopped.
        if (transfers[i].wait_for(30s) != std::future_status::ready) {
            stop.store(true);
        }
        auto [outcome, body] = transfers[i].get();
        EXPECT_EQ(outcome.result, kNetSuccess) << "part " << i;
        EXPECT_TRUE(outcome.completed) << "part " << i;
        EXPECT_TRUE(body == content.substr(i * kPart, kPart)) << "part " << i;
    }
}

TEST_F(DownloadLimitTest, StalledServerIsStillFoundUnderALimit) {
    // The floor still ends a transfer whose server stops sending, though the transfer pays
    // from the budget: only the time spent waiting for its share is left out.
    GlobalLimit limit(64 * 1024);
    FaultServer stalling(
        FaultServer::Respond("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n", 1024, true));
    DNetworking client;
    client.SetTimeouts(QuickTimeouts());
    TempDir out;
    File file = File::OpenReadWrite(out.Path() / "out.bin", true);
    std::atomic<uint64_t> position{0};
    EXPECT_EQ(Bounded(
                  [&] {
                      return client.DownloadRange(stalling.WideUrl("/"), std::nullopt, file,
                                                  position, stop, nullptr);
                  },
                  30s),
              std::optional<uint32_t>(kNetReadFailed));
    EXPECT_EQ(position.load(), 1024u);
}

TEST_F(DownloadLimitTest, StopWhileWaitingForTheBudgetEndsTheTransfer) {
    // 1 MB at 1 KB a second would take seventeen minutes.
    GlobalLimit limit(1024);
    TempDir out;
    File file = File::OpenReadWrite(out.Path() / "out.bin", true);
    std::atomic<uint64_t> position{0};
    DNetworking client;
    auto transfer = std::async(std::launch::async, [&] {
        return client.DownloadRange(nginx.WideUrl("/media.bin"), std::nullopt, file, position, stop,
                                    nullptr);
    });
    std::this_thread::sleep_for(500ms);
    ASSERT_EQ(transfer.wait_for(0s), std::future_status::timeout);
    EXPECT_GT(position.load(), 0u);
    stop.store(true);
    // The budget looks at the stop flag at least ten times a second.
    ASSERT_EQ(transfer.wait_for(5s), std::future_status::ready);
    EXPECT_EQ(transfer.get(), kNetSuccess);  // a stop, told apart by the caller's own flag
    EXPECT_LT(position.load(), content.size());
}

TEST_F(DownloadLimitTest, PageFetchesAndHeaderQueriesNeverWaitForTheBudget) {
    // At 1 KB a second this megabyte would take seventeen minutes if it paid.
    GlobalLimit limit(1024);
    DNetworking client;
    std::wstring text;
    EXPECT_EQ(Bounded([&] { return client.GetPage(nginx.WideUrl("/media.bin"), text, stop); }, 30s),
              std::optional<uint32_t>(kNetSuccess));
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(Bounded([&] { return client.QueryHeaders(nginx.WideUrl("/media.bin"), stop); }, 30s),
              std::optional<uint32_t>(kNetSuccess));
    EXPECT_EQ(client.ContentLength(), std::optional<uint64_t>(content.size()));
    TempDir out;
    EXPECT_EQ(Bounded(
                  [&] {
                      return client.DownloadToFile(nginx.WideUrl("/media.bin"),
                                                   out.Path() / "copy.bin", stop);
                  },
                  30s),
              std::optional<uint32_t>(kNetSuccess));
    EXPECT_TRUE(ReadFileBytes(out.Path() / "copy.bin") == content);
}

}  // namespace
}  // namespace talvex::test
