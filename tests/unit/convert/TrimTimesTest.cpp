#include <gtest/gtest.h>

#include "convert/EncoderDuration.h"
#include "convert/TrimTimes.h"

namespace talvex {

namespace {
const std::wstring kTwoMinutes =
    L"Input #0, mov,mp4,m4a,3gp,3g2,mj2, from 'a.mp4':\n"
    L"  Duration: 00:02:00.04, start: 0.000000, bitrate: 191 kb/s\n"
    L"  Stream #0:0[0x1](und): Video: h264 (High) (avc1 / 0x31637661), yuv420p(progressive), "
    L"1280x640\n";
}

TEST(TrimTimeForm, ExactlyTwoDigitHoursAndMinutesSecondsBelowSixty) {
    EXPECT_TRUE(IsWellFormedTrimTime(L"00:00:00"));
    EXPECT_TRUE(IsWellFormedTrimTime(L"99:59:59"));
    EXPECT_FALSE(IsWellFormedTrimTime(L"0:00:00"));  // seven characters
    EXPECT_FALSE(IsWellFormedTrimTime(L"00:60:00"));
    EXPECT_FALSE(IsWellFormedTrimTime(L"00:00:60"));
    EXPECT_FALSE(IsWellFormedTrimTime(L"00-00-00"));
    EXPECT_FALSE(IsWellFormedTrimTime(L"0a:00:00"));
    EXPECT_FALSE(IsWellFormedTrimTime(L"00:00:000"));
    EXPECT_FALSE(IsWellFormedTrimTime(L""));
}

TEST(TrimTimeCheck, StartMustBeInsideTheMediaAndBeforeAGivenEnd) {
    const std::optional<std::wstring> report = kTwoMinutes;
    EXPECT_EQ(CheckTrimTimes(L"00:01:00", L"00:00:00", report), TrimCheck::Valid);
    // Start at the duration with "to the end": refused, focus on the end box.
    EXPECT_EQ(CheckTrimTimes(L"00:02:00", L"00:00:00", report), TrimCheck::BadEnd);
    EXPECT_EQ(CheckTrimTimes(L"00:00:30", L"00:00:20", report), TrimCheck::BadEnd);
    EXPECT_EQ(CheckTrimTimes(L"00:00:30", L"00:00:30", report), TrimCheck::BadEnd);
    // The end is not checked against the duration.
    EXPECT_EQ(CheckTrimTimes(L"00:00:30", L"00:05:00", report), TrimCheck::Valid);
}

TEST(TrimTimeCheck, MalformedTextsTellWhichBox) {
    EXPECT_EQ(CheckTrimTimes(L"0:00:00", L"00:00:00", kTwoMinutes), TrimCheck::BadStart);
    EXPECT_EQ(CheckTrimTimes(L"0:00:00", L"bad", kTwoMinutes), TrimCheck::BadStart);
    EXPECT_EQ(CheckTrimTimes(L"00:00:00", L"00:0:00", kTwoMinutes), TrimCheck::BadEnd);
}

TEST(TrimTimeCheck, UnreadableDurationLetsWellFormedTimesPass) {
    EXPECT_EQ(CheckTrimTimes(L"10:00:00", L"00:00:00", std::nullopt), TrimCheck::Valid);
    EXPECT_EQ(CheckTrimTimes(L"10:00:00", L"00:00:00", std::wstring(L"no duration here")),
              TrimCheck::Valid);
    EXPECT_EQ(CheckTrimTimes(L"10:00:00", L"00:00:00",
                             std::wstring(L"  Duration: N/A, start: 0.000000, bitrate: N/A\n")),
              TrimCheck::Valid);
    // Without a duration nothing is checked beyond the form, not even the order.
    EXPECT_EQ(CheckTrimTimes(L"00:00:30", L"00:00:20", std::nullopt), TrimCheck::Valid);
}

TEST(TrimTimeCheck, ReportDurationInWholeSeconds) {
    EXPECT_EQ(ReportDurationSeconds(kTwoMinutes), 120);
    EXPECT_EQ(ReportDurationSeconds(L"  Duration: 01:02:03.99, start"), 3723);
    EXPECT_FALSE(ReportDurationSeconds(L"  Duration: 1:2, x"));
    EXPECT_FALSE(ReportDurationSeconds(L""));
}

TEST(TrimTimeCheck, HourLongMediaCountsItsMinutes) {
    // 1 h 2 min 5 s: a start in the last minute is inside, one past the end is not.
    const std::wstring report =
        L"Input #0, wav, from 'long.wav':\n"
        L"  Duration: 01:02:05.00, bitrate: 64 kb/s\n";
    EXPECT_EQ(ReportDurationSeconds(report), 3725);
    EXPECT_EQ(CheckTrimTimes(L"01:02:04", L"00:00:00", report), TrimCheck::Valid);
    EXPECT_EQ(CheckTrimTimes(L"01:01:00", L"01:02:00", report), TrimCheck::Valid);
    EXPECT_EQ(CheckTrimTimes(L"01:02:05", L"00:00:00", report), TrimCheck::BadEnd);
    EXPECT_EQ(CheckTrimTimes(L"01:03:00", L"00:00:00", report), TrimCheck::BadEnd);
}

TEST(CutLength, WhatTheEncoderWorksThroughForHourLongMedia) {
    // As the monitor has it: read from the encoder's header line.
    const std::optional<int64_t> read =
        ParseEncoderDuration(L"  Duration: 01:02:05.00, bitrate: 64 kb/s");
    ASSERT_EQ(read, 372500);
    const int64_t duration = *read;
    EXPECT_EQ(CutLength(duration, L"01:01:55", L"00:00:00"), 1000);  // to the end
    EXPECT_EQ(CutLength(duration, L"00:30:00", L"01:00:00"), 180000);
    EXPECT_EQ(CutLength(duration, L"01:00:00", L"02:00:00"), 12500);     // the end lies beyond
    EXPECT_EQ(CutLength(duration, L"00:10:00", L"00:05:00"), 312500);    // end before start
    EXPECT_EQ(CutLength(duration, L"01:02:05", L"00:00:00"), duration);  // nothing to cut
    EXPECT_EQ(CutLength(duration, L"0:00:00", L"0:00:00"), duration);
}

TEST(ClockTimeParse, LenientPartsForTheCut) {
    EXPECT_EQ(ParseClockTime(L"1:00:30").TotalSeconds(), 3630);
    EXPECT_EQ(ParseClockTime(L"0:00:00").TotalSeconds(), 0);
    EXPECT_EQ(ParseClockTime(L"90").TotalSeconds(), 90);
    // One ":": hours before it, seconds after it, no minutes.
    ClockTime t = ParseClockTime(L"2:30");
    EXPECT_EQ(t.hours, 2);
    EXPECT_EQ(t.minutes, 0);
    EXPECT_EQ(t.seconds, 30);
    // Missing and non-numeric parts read as 0.
    EXPECT_EQ(ParseClockTime(L"::5").TotalSeconds(), 5);
    EXPECT_EQ(ParseClockTime(L"x:1:y").TotalSeconds(), 60);
}

}  // namespace talvex
