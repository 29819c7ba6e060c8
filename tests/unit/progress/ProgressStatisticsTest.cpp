#include "activity/ProgressStatistics.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "app/StringTable.h"
#include "support/TestHome.h"

namespace talvex {
namespace {

struct Figures {
    int32_t percent = -7;
    double speed = -7.0;
    int32_t secondsLeft = -7;
};

bool StatsAt(const ProgressStatistics& stats, uint64_t now, Figures& f) {
    return stats.GetStatsAt(now, f.percent, f.speed, f.secondsLeft);
}

TEST(ProgressStatistics, NothingToReportBeforeTheFirstUpdate) {
    ProgressStatistics stats;
    stats.OnSize(1000);
    stats.OnStart(100);
    Figures f;
    EXPECT_FALSE(StatsAt(stats, 200, f));
    EXPECT_EQ(f.percent, -7);
    auto text = ProgressStatistics::FormatProgress(stats, nullptr);
    EXPECT_EQ(text.percent, 0);
    EXPECT_EQ(text.speed, L"0 KB/s");
    EXPECT_EQ(text.timeLeft, L"----");
}

TEST(ProgressStatistics, UnknownTotalGivesZeroPercentAndLeavesTheRest) {
    ProgressStatistics stats;
    stats.OnStart(100);
    stats.Update(500, 500, 1.0, 1.0);
    Figures f;
    ASSERT_TRUE(StatsAt(stats, 1100, f));
    EXPECT_EQ(f.percent, 0);
    EXPECT_EQ(f.speed, -7.0);
    EXPECT_EQ(f.secondsLeft, -7);
}

TEST(ProgressStatistics, AverageSpeedAndTimeLeftSinceTheStart) {
    ProgressStatistics stats;
    stats.OnSize(1000);
    stats.OnStart(1000);
    stats.Update(250, 250, 0, 0);
    Figures f;
    ASSERT_TRUE(StatsAt(stats, 2000, f));
    EXPECT_EQ(f.percent, 25);
    EXPECT_DOUBLE_EQ(f.speed, 250.0);
    EXPECT_EQ(f.secondsLeft, 3);
    // Percent rounds half up.
    stats.Update(2, 2, 0, 0);
    stats.OnSize(3);
    ASSERT_TRUE(StatsAt(stats, 2000, f));
    EXPECT_EQ(f.percent, 67);
}

TEST(ProgressStatistics, CompletedTransferReportsHundredPercentAndNoSpeed) {
    ProgressStatistics stats;
    stats.OnSize(4096);
    stats.OnStart(10);
    stats.Update(100, 100, 0, 0);
    stats.OnComplete();
    EXPECT_EQ(stats.GetDone(), 4096u);
    Figures f;
    ASSERT_TRUE(StatsAt(stats, 5000, f));
    EXPECT_EQ(f.percent, 100);
    EXPECT_EQ(f.speed, 0.0);
    EXPECT_EQ(f.secondsLeft, 0);
}

TEST(ProgressStatistics, NoElapsedTimeOrNoProgressGivesNoEstimate) {
    ProgressStatistics stats;
    stats.OnSize(1000);
    stats.OnStart(5000);
    stats.Update(0, 0, 0, 0);
    Figures f;
    ASSERT_TRUE(StatsAt(stats, 5000, f));  // the same millisecond as the start
    EXPECT_EQ(f.speed, 0.0);
    EXPECT_EQ(f.secondsLeft, -1);
    ASSERT_TRUE(StatsAt(stats, 4000, f));  // a reader whose clock reading predates the start
    EXPECT_EQ(f.secondsLeft, -1);
    ASSERT_TRUE(StatsAt(stats, 9000, f));  // time passed but nothing arrived
    EXPECT_EQ(f.speed, 0.0);
    EXPECT_EQ(f.secondsLeft, -1);
}

TEST(ProgressStatistics, ResumedTransferMeasuresOnlyTheNewAttempt) {
    ProgressStatistics stats;
    stats.OnSize(1000);
    stats.OnStart(0);
    stats.Update(500, 500, 0, 0);
    // Resumed much later: the earlier 500 bytes count as done, not as speed.
    stats.OnStart(60000);
    EXPECT_EQ(stats.GetDone(), 500u);
    stats.Update(600, 600, 0, 0);
    Figures f;
    ASSERT_TRUE(StatsAt(stats, 61000, f));
    EXPECT_EQ(f.percent, 60);
    EXPECT_DOUBLE_EQ(f.speed, 100.0);
    EXPECT_EQ(f.secondsLeft, 4);
}

TEST(ProgressStatistics, StreamTimeProgressEstimatesFromStreamTime) {
    // An RTMP stream: done and total are milliseconds of stream, counted is bytes.
    ProgressStatistics stats;
    stats.OnSize(60000);
    stats.OnStart(0);
    stats.Update(20000, 5000000, 0, 0);
    Figures f;
    ASSERT_TRUE(StatsAt(stats, 10000, f));
    EXPECT_EQ(f.percent, 33);
    EXPECT_DOUBLE_EQ(f.speed, 500000.0);
    EXPECT_EQ(f.secondsLeft, 20);  // 40 s of stream left at two stream seconds per second
}

TEST(ProgressStatistics, LargeFilesKeepExactFigures) {
    ProgressStatistics stats;
    const uint64_t total = 6ull << 30;  // 6 GiB
    stats.OnSize(total);
    stats.OnStart(0);
    stats.Update(total / 2, total / 2, 0, 0);
    Figures f;
    ASSERT_TRUE(StatsAt(stats, 1000, f));
    EXPECT_EQ(f.percent, 50);
    EXPECT_DOUBLE_EQ(f.speed, static_cast<double>(total / 2));
    EXPECT_EQ(f.secondsLeft, 1);
}

TEST(ProgressStatisticsFormat, TimeLeftTexts) {
    EXPECT_EQ(ProgressStatistics::FormatTimeLeft(nullptr, -1), L"----");
    EXPECT_EQ(ProgressStatistics::FormatTimeLeft(nullptr, 0), L"0s");
    EXPECT_EQ(ProgressStatistics::FormatTimeLeft(nullptr, 59), L"59s");
    EXPECT_EQ(ProgressStatistics::FormatTimeLeft(nullptr, 61), L"1m 1s");
    EXPECT_EQ(ProgressStatistics::FormatTimeLeft(nullptr, 3661), L"1h 1m");
    // Past a day the hours go on counting; no day is dropped.
    EXPECT_EQ(ProgressStatistics::FormatTimeLeft(nullptr, 86400 + 3661), L"25h 1m");
    EXPECT_EQ(ProgressStatistics::FormatTimeLeft(nullptr, 86399), L"23h 59m");
    EXPECT_EQ(ProgressStatistics::FormatTimeLeft(nullptr, 3 * 86400), L"72h 0m");
}

TEST(ProgressStatisticsFormat, SpeedSwitchesToMegabytesAtOneMebibyte) {
    EXPECT_EQ(ProgressStatistics::FormatSpeed(nullptr, 1048576.0), L"1.00 MB/s");
    EXPECT_EQ(ProgressStatistics::FormatSpeed(nullptr, 1048575.0), L"1024.00 KB/s");
    EXPECT_EQ(ProgressStatistics::FormatSpeed(nullptr, 0.0), L"0.00 KB/s");
    EXPECT_EQ(ProgressStatistics::FormatSpeed(nullptr, 5.5 * 1048576.0), L"5.50 MB/s");
}

TEST(ProgressStatisticsFormat, TextsComeFromTheLanguageFile) {
    test::TempDir dir;
    auto file = dir.Path() / "res1036.ini";
    test::WriteFileBytes(file,
                         "lang.name=Test\nlang.id=1036\n"
                         "dlg.download.lbl.speedkb=%1 Ko/s\n"
                         "dlg.download.lbl.esttimeh=%1 h %2 min\n");
    StringTable strings;
    ASSERT_TRUE(strings.Load(file, false));
    EXPECT_EQ(ProgressStatistics::FormatSpeed(&strings, 2048.0), L"2.00 Ko/s");
    EXPECT_EQ(ProgressStatistics::FormatSpeed(&strings, 2097152.0), L"2.00 MB/s");
    EXPECT_EQ(ProgressStatistics::FormatTimeLeft(&strings, 7260), L"2 h 1 min");
}

TEST(ProgressStatisticsFormat, FormatProgressUsesTheFigures) {
    ProgressStatistics stats;
    stats.OnSize(1u << 30);
    stats.OnStart(0);
    stats.OnComplete();
    stats.Update(1u << 30, 1u << 30, 0, 0);
    auto text = ProgressStatistics::FormatProgress(stats, nullptr);
    EXPECT_EQ(text.percent, 100);
    EXPECT_EQ(text.speed, L"0.00 KB/s");
    EXPECT_EQ(text.timeLeft, L"0s");
}

TEST(ProgressStatistics, ReaderAndWriterOnDifferentThreads) {
    ProgressStatistics stats;
    stats.OnSize(100000);
    stats.OnStart(0);
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (uint64_t i = 1; i <= 20000; ++i) {
            stats.Update(i * 5, i * 5, 0, 0);
        }
        done = true;
    });
    int32_t lastPercent = 0;
    while (!done) {
        Figures f;
        if (StatsAt(stats, 1000, f)) {
            EXPECT_GE(f.percent, lastPercent);  // monotone: no torn reads
            lastPercent = f.percent;
        }
    }
    writer.join();
    Figures f;
    ASSERT_TRUE(StatsAt(stats, 1000, f));
    EXPECT_EQ(f.percent, 100);
}

}  // namespace
}  // namespace talvex
