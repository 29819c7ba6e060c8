#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "app/threads/SpinLock.h"

namespace talvex {

using Step = SpinLock::BackOffStep;

TEST(SpinLock, BackOffSpinsThenYieldsThenSleeps) {
    EXPECT_EQ(SpinLock::StepFor(1), Step::Pause);
    EXPECT_EQ(SpinLock::StepFor(63), Step::Pause);
    EXPECT_EQ(SpinLock::StepFor(64), Step::Yield);
    EXPECT_EQ(SpinLock::StepFor(127), Step::Yield);
    EXPECT_EQ(SpinLock::StepFor(128), Step::SleepZero);
    EXPECT_EQ(SpinLock::StepFor(143), Step::SleepZero);
    EXPECT_EQ(SpinLock::StepFor(144), Step::SleepOneMs);
    EXPECT_EQ(SpinLock::StepFor(100000), Step::SleepOneMs);
}

TEST(SpinLock, ReleaseFreesTheWordAndAcquireTakesIt) {
    std::atomic<int32_t> word{0};
    SpinLock::Acquire(word);
    EXPECT_EQ(word.load(), 1);
    SpinLock::Release(word);
    EXPECT_EQ(word.load(), 0);
}

TEST(SpinLock, GivesMutualExclusionUnderContention) {
    std::atomic<int32_t> word{0};
    long counter = 0;  // deliberately not atomic: only the lock protects it
    constexpr int kThreads = 4;
    constexpr int kRounds = 20000;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < kRounds; ++i) {
                SpinLock::Acquire(word);
                ++counter;
                SpinLock::Release(word);
            }
        });
    }
    for (auto& t : threads) {
        t.join();
    }
    EXPECT_EQ(counter, long{kThreads} * kRounds);
    EXPECT_EQ(word.load(), 0);
}

}  // namespace talvex
