// The segment arithmetic of a segmented download: the byte ranges of a file and the combined
// figures of its segments.
#include "download/SegmentPlan.h"

#include <gtest/gtest.h>

namespace talvex {
namespace {

using P = std::vector<std::pair<uint64_t, uint64_t>>;
using Figures = SegmentPlan::Figures;

P Pairs(uint64_t size) {
    P out;
    for (const ByteRange& r : SegmentPlan(size).Ranges()) {
        out.emplace_back(r.from, r.to);
    }
    return out;
}

// The ranges follow one another from byte 0 to the last byte, none of them empty.
void ExpectTiles(uint64_t size) {
    const SegmentPlan plan(size);
    EXPECT_EQ(plan.Size(), size);
    uint64_t next = 0;
    for (const ByteRange& r : plan.Ranges()) {
        EXPECT_EQ(r.from, next) << size;
        EXPECT_GE(r.to, r.from) << size;
        next = r.to + 1;
    }
    EXPECT_EQ(next, size);
}

TEST(DownloadSegments, FourRangesWithTheRemainderInTheLast) {
    EXPECT_EQ(Pairs(1003), (P{{0, 249}, {250, 499}, {500, 749}, {750, 1002}}));
    EXPECT_EQ(Pairs(1000), (P{{0, 249}, {250, 499}, {500, 749}, {750, 999}}));
    EXPECT_EQ(Pairs(1001), (P{{0, 249}, {250, 499}, {500, 749}, {750, 1000}}));
    // Integer division: small sizes can give more than four segments.
    EXPECT_EQ(Pairs(10), (P{{0, 1}, {2, 3}, {4, 5}, {6, 7}, {8, 9}}));
    EXPECT_EQ(Pairs(3), (P{{0, 2}}));
    EXPECT_EQ(Pairs(1), (P{{0, 0}}));
    EXPECT_TRUE(SegmentPlan(0).Ranges().empty());
}

TEST(DownloadSegments, SizesNearTheSegmentCount) {
    EXPECT_EQ(Pairs(2), (P{{0, 1}}));
    EXPECT_EQ(Pairs(4), (P{{0, 0}, {1, 1}, {2, 2}, {3, 3}}));
    EXPECT_EQ(Pairs(7), (P{{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}, {6, 6}}));
    EXPECT_EQ(Pairs(9), (P{{0, 1}, {2, 3}, {4, 5}, {6, 8}}));
    EXPECT_EQ(Pairs(15), (P{{0, 2}, {3, 5}, {6, 8}, {9, 11}, {12, 14}}));
    for (uint64_t size = 1; size < 16; ++size) {
        ExpectTiles(size);
    }
}

TEST(DownloadSegments, FromSixteenBytesAlwaysFourAndOnlyTheLastLonger) {
    for (uint64_t size = 16; size < 3000; ++size) {
        const std::vector<ByteRange> ranges = SegmentPlan(size).Ranges();
        ASSERT_EQ(ranges.size(), 4u) << size;
        for (size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(ranges[i].to - ranges[i].from + 1, size / 4) << size;
        }
        EXPECT_EQ(ranges[3].to - ranges[3].from + 1, size / 4 + size % 4) << size;
        ExpectTiles(size);
    }
}

TEST(DownloadSegments, SizesBeyondFourGibibytesAreCoveredExactly) {
    for (uint64_t size : {(4ull << 30) + 1003, (5ull << 30) + 7, (1ull << 40) + 3}) {
        const SegmentPlan plan(size);
        ASSERT_EQ(plan.Ranges().size(), 4u) << size;
        ExpectTiles(size);
        EXPECT_EQ(plan.Ranges()[0].to + 1, size / 4);
    }
}

TEST(DownloadProgress, SegmentsAreAveragedAndSummed) {
    std::vector<Figures> segments = {
        {100, 0.0, 0}, {51, 1000.0, 10}, {50, 3000.0, 7}, {0, 500.0, 30}};
    auto running = SegmentPlan::Combine(segments, true);
    ASSERT_TRUE(running);
    EXPECT_EQ(running->percent, 50);  // 201 / 4, rounded down
    EXPECT_DOUBLE_EQ(running->speed, 4500.0);
    EXPECT_EQ(running->secondsLeft, 11);  // 47 / 4
    // Paused or pausing: the percent only.
    auto paused = SegmentPlan::Combine(segments, false);
    ASSERT_TRUE(paused);
    EXPECT_EQ(paused->percent, 50);
    EXPECT_EQ(paused->speed, 0.0);
    EXPECT_EQ(paused->secondsLeft, -1);
}

TEST(DownloadProgress, AlmostDoneShowsOneSecondAndUnknownStaysUnknown) {
    auto nearly = SegmentPlan::Combine({{99, 10.0, 0}, {100, 0.0, 0}}, true);
    ASSERT_TRUE(nearly);
    EXPECT_EQ(nearly->secondsLeft, 1);
    auto unknown = SegmentPlan::Combine({{10, 10.0, 5}, {0, 0.0, -1}}, true);
    ASSERT_TRUE(unknown);
    EXPECT_EQ(unknown->secondsLeft, -1);
}

TEST(DownloadProgress, ResumedSegmentsCombineWithTheFinishedOnes) {
    // After a resume: two segments finished before the pause, one going on with an estimate,
    // one whose new transfer has not reported a speed yet.
    auto resumed =
        SegmentPlan::Combine({{100, 0.0, 0}, {100, 0.0, 0}, {40, 2048.0, 12}, {25, 0.0, -1}}, true);
    ASSERT_TRUE(resumed);
    EXPECT_EQ(resumed->percent, 66);  // 265 / 4
    EXPECT_DOUBLE_EQ(resumed->speed, 2048.0);
    EXPECT_EQ(resumed->secondsLeft, -1);
    // Once the last one has its estimate: the mean of all four, the finished ones counting 0.
    auto later = SegmentPlan::Combine(
        {{100, 0.0, 0}, {100, 0.0, 0}, {60, 2048.0, 8}, {30, 512.0, 20}}, true);
    ASSERT_TRUE(later);
    EXPECT_EQ(later->percent, 72);     // 290 / 4
    EXPECT_EQ(later->secondsLeft, 7);  // 28 / 4
}

TEST(DownloadProgress, NoSegmentsLeaveTheFiguresAlone) {
    EXPECT_FALSE(SegmentPlan::Combine({}, true));
    EXPECT_FALSE(SegmentPlan::Combine({}, false));
}

}  // namespace
}  // namespace talvex
