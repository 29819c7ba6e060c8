// The shared download budget: one rate for all transfers together, turns in order, rate changes
// and stops that reach transfers while they wait. Every wait is bounded: a transfer that does
// not return in time is stopped, and the test fails.
#include "net/TransferRateLimit.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>
#include <vector>

namespace talvex {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// One transfer paying from the budget on a thread of its own.
class Payer {
public:
    Payer(TransferRateLimit& budget, uint64_t bytes, uint64_t piece = 0)
        : result_(std::async(std::launch::async, [this, &budget, bytes, piece] {
              const uint64_t step = piece == 0 ? bytes : piece;
              for (uint64_t left = bytes; left > 0;) {
                  const uint64_t now = std::min(left, step);
                  if (!budget.Take(now, stop_)) {
                      return false;
                  }
                  left -= now;
                  paid_ += now;
              }
              return true;
          })) {}
    ~Payer() {
        stop_.store(true);
        if (result_.valid()) {
            result_.wait();
        }
    }

    // Whether it returned within limit (and with what); stopped when it did not.
    std::optional<bool> Finish(std::chrono::milliseconds limit) {
        if (result_.wait_for(limit) != std::future_status::ready) {
            stop_.store(true);
            result_.wait();
            return std::nullopt;
        }
        return result_.get();
    }
    bool Done() { return !result_.valid() || result_.wait_for(0ms) == std::future_status::ready; }
    void Stop() { stop_.store(true); }
    uint64_t Paid() const { return paid_.load(); }

private:
    std::atomic<bool> stop_{false};
    std::atomic<uint64_t> paid_{0};
    std::future<bool> result_;
};

TEST(TransferRateLimitTest, WithoutALimitEverythingPassesAtOnce) {
    TransferRateLimit budget;
    EXPECT_EQ(budget.Rate(), 0u);
    Payer payer(budget, uint64_t{1} << 40, 1 << 20);
    EXPECT_EQ(payer.Finish(5s), std::optional<bool>(true));
}

TEST(TransferRateLimitTest, TransfersShareOneRateAndTakeTurns) {
    TransferRateLimit budget;
    constexpr uint64_t kRate = 400 * 1024;
    constexpr uint64_t kEach = 160 * 1024;
    budget.SetRate(kRate);
    const auto start = Clock::now();
    std::vector<std::unique_ptr<Payer>> payers;
    for (int i = 0; i < 4; ++i) {
        payers.push_back(std::make_unique<Payer>(budget, kEach, 16 * 1024));
    }
    // Wait for the first to finish, then see how far the others came: taking turns, each is
    // close behind it, none starved by the others.
    const auto limit = start + 20s;
    size_t first = payers.size();
    while (first == payers.size() && Clock::now() < limit) {
        for (size_t i = 0; i < payers.size() && first == payers.size(); ++i) {
            first = payers[i]->Done() ? i : first;
        }
        std::this_thread::sleep_for(5ms);
    }
    ASSERT_LT(first, payers.size()) << "no transfer finished";
    for (const auto& payer : payers) {
        EXPECT_GE(payer->Paid(), kEach / 2);
    }
    for (const auto& payer : payers) {
        EXPECT_EQ(payer->Finish(20s), std::optional<bool>(true));
    }
    // Together they kept to the one rate (640 KB at 400 KB/s is 1.6 s; a rate per transfer
    // would have let them through in 0.4 s).
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    EXPECT_GE(seconds, 4.0 * kEach / kRate * 0.75);
}

TEST(TransferRateLimitTest, RateChangesReachTransfersWhileTheyWait) {
    TransferRateLimit budget;
    budget.SetRate(1024);
    {
        // 100 KB at 1 KB/s would take 100 s; lifting the limit lets it through at once.
        Payer payer(budget, 100 * 1024);
        std::this_thread::sleep_for(300ms);
        EXPECT_FALSE(payer.Done());
        budget.SetRate(0);
        EXPECT_EQ(payer.Finish(5s), std::optional<bool>(true));
    }
    budget.SetRate(1024);
    {
        // Raising the rate applies to the transfer already waiting.
        Payer payer(budget, 200 * 1024);
        std::this_thread::sleep_for(300ms);
        EXPECT_FALSE(payer.Done());
        budget.SetRate(10 * 1024 * 1024);
        EXPECT_EQ(payer.Finish(5s), std::optional<bool>(true));
    }
    EXPECT_EQ(budget.Rate(), 10u * 1024 * 1024);
}

TEST(TransferRateLimitTest, LoweredRateDoesNotMakeTransfersPayTheOldDebt) {
    TransferRateLimit budget;
    budget.SetRate(100 * 1024 * 1024);
    // Two turns of 10 MB at 100 MB/s: the second runs 10 MB into debt.
    ASSERT_EQ(Payer(budget, 20 * 1024 * 1024).Finish(5s), std::optional<bool>(true));
    // At 10 KB/s that debt would take over 1,000 s; what remains is a tenth of a second's worth.
    budget.SetRate(10 * 1024);
    Payer payer(budget, 1024);
    EXPECT_EQ(payer.Finish(5s), std::optional<bool>(true));
}

TEST(TransferRateLimitTest, StopEndsAWaitPromptlyAndLeavesTheLine) {
    TransferRateLimit budget;
    budget.SetRate(2 * 1024);
    std::vector<std::unique_ptr<Payer>> stopped;
    for (int i = 0; i < 3; ++i) {
        stopped.push_back(std::make_unique<Payer>(budget, 1024 * 1024, 512));
    }
    std::this_thread::sleep_for(300ms);
    Payer other(budget, 4 * 1024, 512);
    for (const auto& payer : stopped) {
        payer->Stop();
    }
    // A stop is seen within the sleep slice; the bound here is generous.
    for (const auto& payer : stopped) {
        EXPECT_EQ(payer->Finish(2s), std::optional<bool>(false));
        EXPECT_LT(payer->Paid(), 1024u * 1024);
    }
    // The stopped ones left the line: the last comes through at the rate (2 s), not behind
    // turns that no one takes.
    EXPECT_EQ(other.Finish(15s), std::optional<bool>(true));
}

}  // namespace
}  // namespace talvex
