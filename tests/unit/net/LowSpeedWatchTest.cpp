// The low-speed floor of transfers that wait for the download budget, on made-up clocks.
#include "net/LowSpeedWatch.h"

#include <gtest/gtest.h>

namespace talvex {
namespace {

// 1 KB a second over 10 s.
NetTimeouts Floor() {
    NetTimeouts timeouts;
    timeouts.lowSpeedBytesPerSecond = 1024;
    timeouts.lowSpeedSeconds = 10;
    return timeouts;
}

TEST(LowSpeedWatchTest, SilentTransferIsTooSlowAfterOnePeriod) {
    LowSpeedWatch watch(Floor(), 5000);
    for (uint64_t now = 5000; now < 15000; now += 100) {
        ASSERT_FALSE(watch.TooSlow(now)) << now;
    }
    EXPECT_TRUE(watch.TooSlow(15000));
}

TEST(LowSpeedWatchTest, TrickleBelowTheFloorIsTooSlowWhileASlowLinkIsNot) {
    LowSpeedWatch trickle(Floor(), 0);
    LowSpeedWatch slow(Floor(), 0);
    bool trickleEnded = false;
    for (uint64_t now = 100; now <= 30000 && !trickleEnded; now += 100) {
        trickle.OnBytes(90);  // 900 bytes a second
        slow.OnBytes(110);    // 1,100 bytes a second
        trickleEnded = trickle.TooSlow(now);
        ASSERT_FALSE(slow.TooSlow(now)) << now;
    }
    EXPECT_TRUE(trickleEnded);
}

TEST(LowSpeedWatchTest, StallAfterABurstIsFoundOnePeriodLater) {
    LowSpeedWatch watch(Floor(), 0);
    uint64_t now = 0;
    for (; now < 8000; now += 100) {
        watch.OnBytes(100000);
        ASSERT_FALSE(watch.TooSlow(now));
    }
    // The server stalls at 8 s: the burst leaves the window 10 s later (within a sample).
    uint64_t ended = 0;
    for (; now <= 40000 && ended == 0; now += 100) {
        ended = watch.TooSlow(now) ? now : 0;
    }
    EXPECT_GE(ended, 18000u);
    EXPECT_LE(ended, 18500u);
}

TEST(LowSpeedWatchTest, TimeSpentWaitingForTheBudgetDoesNotCount) {
    // A limited transfer: 200 bytes a second in all, received in a moment each second and
    // then waiting 0.9 s of each second for its share. Far below the floor by the wall
    // clock, never too slow by its own time.
    LowSpeedWatch limited(Floor(), 0);
    for (uint64_t second = 1; second <= 300; ++second) {
        limited.OnBytes(200);
        limited.OnWaited(900);
        ASSERT_FALSE(limited.TooSlow(second * 1000)) << second;
    }
    // The same transfer once its server stalls: the time it is not waiting adds up.
    uint64_t ended = 0;
    for (uint64_t now = 301000; now <= 400000 && ended == 0; now += 100) {
        ended = limited.TooSlow(now) ? now : 0;
    }
    EXPECT_GT(ended, 0u);
    EXPECT_LE(ended, 312000u);
}

TEST(LowSpeedWatchTest, ZeroTurnsTheFloorOff) {
    NetTimeouts noBytes = Floor();
    noBytes.lowSpeedBytesPerSecond = 0;
    NetTimeouts noTime = Floor();
    noTime.lowSpeedSeconds = 0;
    LowSpeedWatch a(noBytes, 0);
    LowSpeedWatch b(noTime, 0);
    EXPECT_FALSE(a.TooSlow(1000000));
    EXPECT_FALSE(b.TooSlow(1000000));
}

}  // namespace
}  // namespace talvex
