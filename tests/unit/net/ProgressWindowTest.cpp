#include "net/ProgressWindow.h"

#include <gtest/gtest.h>

#include <vector>

namespace talvex {
namespace {

struct Sink : IActivityProgressNotify {
    struct Call {
        uint64_t done, counted;
        double speed, alt;
    };
    std::vector<Call> calls;
    bool Update(uint64_t done, uint64_t counted, double speed, double alt) override {
        calls.push_back({done, counted, speed, alt});
        return true;
    }
    bool OnSize(uint64_t) override { return true; }
    bool OnStart(uint64_t) override { return true; }
    bool OnComplete() override { return true; }
    uint64_t GetDone() override { return 0; }
};

TEST(ProgressWindowTest, FirstChunkReportsThenAtMostEvery200Ms) {
    Sink sink;
    ProgressWindow window(&sink, 1000, 10000);
    window.OnChunk(500, 10100);  // first: always
    ASSERT_EQ(sink.calls.size(), 1u);
    EXPECT_EQ(sink.calls[0].done, 1500u);
    EXPECT_EQ(sink.calls[0].counted, 1500u);
    EXPECT_DOUBLE_EQ(sink.calls[0].speed, 5000.0);  // 500 bytes in 100 ms

    window.OnChunk(1000, 10200);
    window.OnChunk(1000, 10300);  // exactly 200 ms: still inside the window
    EXPECT_EQ(sink.calls.size(), 1u);
    window.OnChunk(1000, 10301);
    ASSERT_EQ(sink.calls.size(), 2u);
    EXPECT_EQ(sink.calls[1].done, 4500u);
    EXPECT_DOUBLE_EQ(sink.calls[1].speed, 3000.0 * 1000.0 / 201.0);
    EXPECT_DOUBLE_EQ(sink.calls[1].alt, sink.calls[1].speed);
    EXPECT_EQ(window.RunningTotal(), 4500u);
}

TEST(ProgressWindowTest, FirstChunkInTheStartMillisecondHasAFiniteSpeed) {
    Sink sink;
    ProgressWindow window(&sink, 0, 500);
    window.OnChunk(4096, 500);
    ASSERT_EQ(sink.calls.size(), 1u);
    EXPECT_DOUBLE_EQ(sink.calls[0].speed, 4096000.0);
}

TEST(ProgressWindowTest, CountsBeyondFourGiB) {
    Sink sink;
    ProgressWindow window(&sink, 5ull << 30, 0);
    window.OnChunk(1, 1);
    ASSERT_EQ(sink.calls.size(), 1u);
    EXPECT_EQ(sink.calls[0].done, (5ull << 30) + 1);
}

}  // namespace
}  // namespace talvex
