// The activity list's texts at the edges of their ranges.
#include <gtest/gtest.h>

#include "activity/ActivityTexts.h"

namespace talvex {
namespace {

using namespace activity_text;

TEST(ActivityTexts, SpeedSwitchesToMegabytesAtOneMebibyte) {
    EXPECT_EQ(Speed(nullptr, 1048575.0), L"1024.00 KB/s");
    EXPECT_EQ(Speed(nullptr, 1048576.0), L"1.00 MB/s");
    EXPECT_EQ(Speed(nullptr, 0.0), L"0.00 KB/s");
}

TEST(ActivityTexts, TimeLeftCountsHoursPastADayAndShowsDashesWithoutAnEstimate) {
    EXPECT_EQ(TimeLeft(nullptr, 86400 + 3600 + 60 + 1), L"25h 1m");
    EXPECT_EQ(TimeLeft(nullptr, 3599), L"59m 59s");
    EXPECT_EQ(TimeLeft(nullptr, 59), L"59s");
    EXPECT_EQ(TimeLeft(nullptr, 0), L"0s");
    EXPECT_EQ(TimeLeft(nullptr, -1), L"--");
}

TEST(ActivityTexts, SizeRoundsHalvesAwayFromZero) {
    EXPECT_EQ(Size(nullptr, 0.5), L"0.50 MB");
    EXPECT_EQ(Size(nullptr, 1.5), L"2 MB");
    EXPECT_EQ(Size(nullptr, 2.5), L"3 MB");
    EXPECT_EQ(Size(nullptr, 0.0), L"0.00 MB");
}

TEST(ActivityTexts, ProgressIsCappedAndRightAligned) {
    EXPECT_EQ(Progress(7), L"  7%");
    EXPECT_EQ(Progress(100), L"100%");
    EXPECT_EQ(Progress(140), L"100%");
}

TEST(ActivityTexts, StateTextDependsOnTheKindOnlyWhileRunning) {
    EXPECT_EQ(State(nullptr, ActivityKind::Download, ActivityState::Running), L"Downloading");
    EXPECT_EQ(State(nullptr, ActivityKind::Conversion, ActivityState::Running), L"Converting");
    EXPECT_EQ(State(nullptr, ActivityKind::Conversion, ActivityState::Pausing), L"Paused");
    EXPECT_EQ(State(nullptr, ActivityKind::Download, ActivityState::Failed), L"Failed");
    EXPECT_EQ(State(nullptr, ActivityKind::Download, ActivityState::Created), L"");
}

}  // namespace
}  // namespace talvex
