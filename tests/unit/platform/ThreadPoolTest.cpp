#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <latch>

#include "platform/ThreadPool.h"

namespace talvex {

using namespace std::chrono_literals;

TEST(ThreadPool, AnItemNeverWaitsBehindBlockedOnesBelowTheBound) {
    ThreadPool pool(8);
    std::latch release(1);
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(pool.Queue([&] { release.wait(); }));
    }
    std::promise<void> ran;
    ASSERT_TRUE(pool.Queue([&] { ran.set_value(); }));
    EXPECT_EQ(ran.get_future().wait_for(10s), std::future_status::ready);
    EXPECT_EQ(pool.ThreadCount(), 6u);
    release.count_down();
}

TEST(ThreadPool, BeyondTheBoundItemsQueueAndRunLater) {
    std::atomic<int> done{0};
    {
        ThreadPool pool(2);
        std::latch release(1);
        std::latch started(2);
        pool.Queue([&] { started.count_down(), release.wait(); });
        pool.Queue([&] { started.count_down(), release.wait(); });
        started.wait();
        pool.Queue([&] { ++done; });
        EXPECT_EQ(pool.ThreadCount(), 2u);
        EXPECT_EQ(pool.QueuedCount(), 1u);
        EXPECT_EQ(done.load(), 0);
        release.count_down();
    }  // the destructor waits for everything queued
    EXPECT_EQ(done.load(), 1);
}

TEST(ThreadPool, IdleThreadsAreReusedAndExceptionsAreContained) {
    ThreadPool pool(4);
    for (int i = 0; i < 20; ++i) {
        std::promise<void> p;
        pool.Queue([&] {
            p.set_value();
            throw 42;
        });
        p.get_future().wait();
    }
    EXPECT_LE(pool.ThreadCount(), 4u);
    std::promise<void> last;
    pool.Queue([&] { last.set_value(); });
    EXPECT_EQ(last.get_future().wait_for(10s), std::future_status::ready);
}

}  // namespace talvex
