#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>
#include <vector>

#include "app/threads/DCriticalSection.h"

namespace talvex {

TEST(DCriticalSection, UnlockWithoutLockIsIgnored) {
    DCriticalSection cs;
    cs.Unlock();
    cs.Unlock();
    EXPECT_EQ(cs.LockCount(), 0);
    // Still usable: a stray unlock must not have left the lock in a broken state.
    cs.Lock();
    EXPECT_EQ(cs.LockCount(), 1);
    cs.Unlock();
    EXPECT_EQ(cs.LockCount(), 0);
}

TEST(DCriticalSection, IsRecursiveAndCountsEveryLock) {
    DCriticalSection cs;
    cs.Lock();
    cs.Lock();
    EXPECT_EQ(cs.LockCount(), 2);
    cs.Unlock();
    cs.Unlock();
    EXPECT_EQ(cs.LockCount(), 0);
    cs.Unlock();  // one too many
    EXPECT_EQ(cs.LockCount(), 0);
}

TEST(DCriticalSection, ContextUnlocksWhenTheScopeIsLeftByAnException) {
    DCriticalSection cs;
    try {
        DCriticalSectionContext hold(&cs);
        EXPECT_EQ(cs.LockCount(), 1);
        throw std::runtime_error("leave");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(cs.LockCount(), 0);
    // Another thread can take it now (would hang if the context had kept it).
    std::thread other([&] { DCriticalSectionContext hold(&cs); });
    other.join();
}

TEST(DCriticalSection, ExcludesOtherThreads) {
    DCriticalSection cs;
    long counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 10000; ++i) {
                DCriticalSectionContext hold(&cs);
                ++counter;
            }
        });
    }
    for (auto& t : threads) {
        t.join();
    }
    EXPECT_EQ(counter, 40000);
    EXPECT_EQ(cs.LockCount(), 0);
}

}  // namespace talvex
