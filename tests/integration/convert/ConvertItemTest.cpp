#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <set>
#include <thread>

#include "MediaFixtures.h"
#include "app/threads/RefPtr.h"
#include "convert/ConversionProfiles.h"
#include "convert/ConvertItem.h"
#include "convert/EncoderReport.h"
#include "convert/ManualCommandRefusal.h"
#include "convert/TrimTimes.h"
#include "platform/Process.h"
#include "platform/Utf8.h"
#include "support/TestHome.h"

namespace talvex {

namespace fs = std::filesystem;
using test::FinishSink;
using test::MediaInfo;
using test::Probe;
using test::WorkFilesIn;

namespace {

std::wstring W(const fs::path& p) {
    return Utf8ToWide(p.string());
}
fs::path P(const std::wstring& w) {
    return fs::path(WideToUtf8(w));
}

void Sleep(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace

class ConvertItemTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_FALSE(FindExecutableOnPath("ffmpeg").empty()) << "the tests need ffmpeg";
        clips_ = new test::TempDir;
    }
    static void TearDownTestSuite() {
        delete clips_;
        clips_ = nullptr;
    }
    // Clips are made on first use: ctest runs each test in a process of its own.
    static fs::path Clip(const char* name, int width, int height, double seconds) {
        fs::path file = clips_->Path() / name;
        if (!fs::exists(file)) {
            EXPECT_TRUE(test::MakeClip(file, width, height, seconds)) << name;
        }
        return file;
    }
    static fs::path Wide() { return Clip("wide.mp4", 1280, 640, 3); }
    static fs::path Portrait() { return Clip("portrait.mp4", 480, 640, 2); }
    // Long enough that pausing and stopping find the encoder at work.
    static fs::path Long() { return Clip("long.mp4", 640, 360, 40); }

    // A copy of a clip in this test's own folder, under the given name.
    fs::path Source(const fs::path& clip, const std::string& name) {
        fs::path to = dir_.Path() / name;
        fs::copy_file(clip, to, fs::copy_options::overwrite_existing);
        return to;
    }

    RefPtr<ConvertItem> NewItem(int profile, ConversionQuality quality, const fs::path& source) {
        auto item = MakeRef<ConvertItem>(profile, quality);
        item->ownerWindow = &sink_;
        item->sourcePath = W(source);
        return item;
    }

    // Runs to the end; the final state.
    ActivityState RunToEnd(const RefPtr<ConvertItem>& item) {
        const int before = sink_.FinishedCount(item.get());
        EXPECT_TRUE(item->Run());
        EXPECT_TRUE(sink_.WaitFinished(item.get(), before + 1));
        return item->state.load();
    }

    // Waits (bounded) until the encoder has reported progress; false when it ended first.
    bool WaitForProgress(const RefPtr<ConvertItem>& item) {
        for (int i = 0; i < 6000; ++i) {
            int32_t p;
            double s;
            int32_t left;
            item->GetProgress(p, s, left);
            if (p > 0 && p < 100 && item->state.load() == ActivityState::Running) {
                return true;
            }
            if (item->state.load() != ActivityState::Running) {
                return false;
            }
            Sleep(10);
        }
        return false;
    }

    static test::TempDir* clips_;
    test::TempDir dir_;
    FinishSink sink_;
};

test::TempDir* ConvertItemTest::clips_ = nullptr;

TEST_F(ConvertItemTest, EveryProfileWritesItsContainerWithTheFittedPicture) {
    struct Case {
        int profile;
        ConversionQuality quality;
        const char* format;  // a name ffprobe lists for the container
        int width, height;   // 1280 x 640 fitted to the profile's target
        const char* extension;
    };
    const Case cases[] = {
        {kProfileIpod, ConversionQuality::kHigh, "mov", 320, 160, ".mov"},
        {kProfileIphone, ConversionQuality::kOptimal, "mp4", 480, 240, ".mp4"},
        {kProfilePsp, ConversionQuality::kMedium, "mp4", 320, 160, ".mp4"},
        {kProfileCellPhone, ConversionQuality::kLow, "3gp", 128, 64, ".3gp"},
        {kProfileWmv, ConversionQuality::kHigh, "asf", 320, 160, ".wmv"},
        {kProfileXvid, ConversionQuality::kOptimal, "avi", 320, 160, ".avi"},
        {kProfileMp3, ConversionQuality::kMedium, "mp3", 0, 0, ".mp3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.profile);
        fs::path source = Source(Wide(), "clip" + std::to_string(c.profile) + ".flv");
        auto item = NewItem(c.profile, c.quality, source);
        ASSERT_EQ(RunToEnd(item), ActivityState::Completed) << WideToUtf8(item->LastMessage());
        fs::path out = dir_.Path() / ("clip" + std::to_string(c.profile) + c.extension);
        EXPECT_EQ(P(item->OutputPath()), out);
        MediaInfo info = Probe(out);
        ASSERT_TRUE(info.ok);
        EXPECT_NE(info.formatName.find(c.format), std::string::npos) << info.formatName;
        EXPECT_TRUE(info.hasAudio);
        EXPECT_EQ(info.hasVideo, c.profile != kProfileMp3);
        if (info.hasVideo) {
            EXPECT_EQ(info.width, c.width);
            EXPECT_EQ(info.height, c.height);
        }
        EXPECT_TRUE(fs::exists(source));  // kept: convertFlag is off
        int32_t p;
        double s;
        int32_t left;
        item->GetProgress(p, s, left);
        EXPECT_EQ(p, 100);
    }
    EXPECT_TRUE(WorkFilesIn(dir_.Path()).empty());
}

TEST_F(ConvertItemTest, EveryQualityOfOneProfile) {
    const int widths[] = {640, 480, 480, 480};
    for (int q = 0; q < kConversionQualityCount; ++q) {
        SCOPED_TRACE(q);
        fs::path source = Source(Wide(), "q" + std::to_string(q) + ".flv");
        auto item = NewItem(kProfileIphone, kConversionQualities[q], source);
        ASSERT_EQ(RunToEnd(item), ActivityState::Completed);
        MediaInfo info = Probe(P(item->OutputPath()));
        EXPECT_EQ(info.videoCodec, "mpeg4");
        EXPECT_EQ(info.width, widths[q]);
        EXPECT_EQ(info.height, widths[q] / 2);
        EXPECT_EQ(info.sampleRate, 44100);
        EXPECT_EQ(info.channels, 2);
    }
}

TEST_F(ConvertItemTest, PortraitSourceKeepsItsAspect) {
    auto item = NewItem(kProfileIphone, ConversionQuality::kHigh, Source(Portrait(), "tall.mp4"));
    ASSERT_EQ(RunToEnd(item), ActivityState::Completed);
    // 480 x 640 for a 640 x 480 target: height 480, width 0.75 x 480.
    MediaInfo info = Probe(P(item->OutputPath()));
    EXPECT_EQ(info.width, 360);
    EXPECT_EQ(info.height, 480);
    EXPECT_EQ(P(item->OutputPath()), dir_.Path() / "tall(iphone).mp4");  // tall.mp4 is the source
}

TEST_F(ConvertItemTest, VolumeZeroDropsTheAudio) {
    auto item = NewItem(kProfileIpod, ConversionQuality::kLow, Source(Wide(), "mute.mp4"));
    item->volumePercent = 0;
    ASSERT_EQ(RunToEnd(item), ActivityState::Completed);
    MediaInfo info = Probe(P(item->OutputPath()));
    EXPECT_TRUE(info.hasVideo);
    EXPECT_FALSE(info.hasAudio);
}

TEST_F(ConvertItemTest, NamesWithBlanksQuotesAndShellCharactersAreJustNames) {
    const std::string name = "my \"quoted\" 'clip' $(touch pwned) `id`; x.mp4";
    auto item = NewItem(kProfileMp3, ConversionQuality::kLow, Source(Wide(), name));
    ASSERT_EQ(RunToEnd(item), ActivityState::Completed);
    fs::path out = dir_.Path() / "my \"quoted\" 'clip' $(touch pwned) `id`; x.mp3";
    EXPECT_EQ(P(item->OutputPath()), out);
    EXPECT_TRUE(Probe(out).hasAudio);
    EXPECT_FALSE(fs::exists(dir_.Path() / "pwned"));
    EXPECT_FALSE(fs::exists("pwned"));
    // The probe reads such a name too.
    EXPECT_EQ(ProbePictureSize(EncoderPath(), dir_.Path() / name), (PictureSize{1280, 640}));
}

TEST_F(ConvertItemTest, TakenNamesGetTheSuffixOncePerTry) {
    fs::path source = Source(Wide(), "a.flv");
    test::WriteFileBytes(dir_.Path() / "a.mp3", "x");
    test::WriteFileBytes(dir_.Path() / "a(mp3).mp3", "y");
    auto item = NewItem(kProfileMp3, ConversionQuality::kLow, source);
    ASSERT_EQ(RunToEnd(item), ActivityState::Completed);
    EXPECT_EQ(P(item->OutputPath()), dir_.Path() / "a(mp3)(mp3).mp3");
    EXPECT_EQ(item->GetFileName(), L"a(mp3)(mp3).mp3");
    EXPECT_EQ(test::ReadFileBytes(dir_.Path() / "a.mp3"), "x");
    EXPECT_EQ(test::ReadFileBytes(dir_.Path() / "a(mp3).mp3"), "y");
}

TEST_F(ConvertItemTest, ReplaceExistingReplacesOnlyAtTheEnd) {
    fs::path source = Source(Long(), "r.mp4");
    fs::path existing = dir_.Path() / "r.mov";
    test::WriteFileBytes(existing, "old");
    auto item = NewItem(kProfileIpod, ConversionQuality::kLow, source);
    item->replaceExisting = true;
    ASSERT_TRUE(item->Run());
    ASSERT_TRUE(WaitForProgress(item));
    ASSERT_TRUE(item->Pause());
    EXPECT_EQ(test::ReadFileBytes(existing), "old");  // still there while converting
    ASSERT_TRUE(item->Run());                         // resumes
    ASSERT_TRUE(sink_.WaitFinished(item.get()));
    ASSERT_EQ(item->state.load(), ActivityState::Completed);
    EXPECT_EQ(P(item->OutputPath()), existing);
    EXPECT_TRUE(Probe(existing).hasVideo);
    EXPECT_FALSE(fs::exists(dir_.Path() / "r(ipod).mov"));
}

TEST_F(ConvertItemTest, ReplaceExistingNeverReplacesTheSource) {
    // MP4 to iPhone MP4, and a link to the source under the output's name: either way the
    // only copy of the user's file must survive its own conversion.
    fs::path source = Source(Wide(), "b.mp4");
    const std::string original = test::ReadFileBytes(source);
    auto item = NewItem(kProfileIphone, ConversionQuality::kLow, source);
    item->replaceExisting = true;
    ASSERT_EQ(RunToEnd(item), ActivityState::Completed);
    EXPECT_EQ(P(item->OutputPath()), dir_.Path() / "b(iphone).mp4");
    EXPECT_TRUE(test::ReadFileBytes(source) == original);

    fs::path real = Source(Wide(), "c.flv");
    fs::create_symlink(real, dir_.Path() / "c.mp3");
    const std::string realBytes = test::ReadFileBytes(real);
    auto viaLink = NewItem(kProfileMp3, ConversionQuality::kLow, dir_.Path() / "c.mp3");
    viaLink->replaceExisting = true;
    ASSERT_EQ(RunToEnd(viaLink), ActivityState::Completed);
    EXPECT_EQ(P(viaLink->OutputPath()), dir_.Path() / "c(mp3).mp3");
    EXPECT_TRUE(test::ReadFileBytes(real) == realBytes);
}

TEST_F(ConvertItemTest, ProgressRisesThroughIntermediateValuesTo100) {
    auto item = NewItem(kProfileIpod, ConversionQuality::kHigh, Source(Long(), "p.mp4"));
    ASSERT_TRUE(item->Run());
    std::vector<int32_t> seen;
    for (int i = 0; i < 18000 && sink_.FinishedCount(item.get()) == 0; ++i) {
        int32_t p;
        double s;
        int32_t left;
        item->GetProgress(p, s, left);
        if (seen.empty() || seen.back() != p) {
            seen.push_back(p);
        }
        Sleep(10);
    }
    ASSERT_TRUE(sink_.WaitFinished(item.get()));
    ASSERT_EQ(item->state.load(), ActivityState::Completed);
    int32_t p;
    double s;
    int32_t left;
    item->GetProgress(p, s, left);
    EXPECT_EQ(p, 100);
    // Never backwards, and somewhere between the ends (the encoder reports twice a second;
    // how many figures a run shows depends on the machine's speed).
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_TRUE(std::any_of(seen.begin(), seen.end(), [](int32_t v) { return v > 0 && v < 100; }))
        << "values seen: " << seen.size();
}

TEST_F(ConvertItemTest, PauseTwiceThenResumeCompletes) {
    auto item = NewItem(kProfileIpod, ConversionQuality::kLow, Source(Long(), "pause.mp4"));
    ASSERT_TRUE(item->Run());
    ASSERT_TRUE(WaitForProgress(item));
    ASSERT_TRUE(item->Pause());
    EXPECT_EQ(item->state.load(), ActivityState::Paused);
    EXPECT_FALSE(item->Pause());  // already paused: the encoder is not stopped twice
    EXPECT_FALSE(item->CanPause());
    EXPECT_TRUE(item->CanStart());
    EXPECT_TRUE(item->CanStop());
    // A paused encoder makes no progress.
    int32_t before, after, left;
    double s;
    item->GetProgress(before, s, left);
    Sleep(700);
    item->GetProgress(after, s, left);
    EXPECT_EQ(before, after);
    ASSERT_TRUE(item->Run());
    EXPECT_EQ(item->state.load(), ActivityState::Running);
    ASSERT_TRUE(sink_.WaitFinished(item.get()));
    EXPECT_EQ(item->state.load(), ActivityState::Completed);
    EXPECT_TRUE(Probe(P(item->OutputPath())).hasVideo);
    EXPECT_TRUE(WorkFilesIn(dir_.Path()).empty());
}

TEST_F(ConvertItemTest, StopWhileRunningLeavesNoFiles) {
    auto item = NewItem(kProfileIpod, ConversionQuality::kLow, Source(Long(), "stop.mp4"));
    ASSERT_TRUE(item->Run());
    ASSERT_TRUE(WaitForProgress(item));
    // Paused and resumed so that the stop surely meets a running encoder.
    ASSERT_TRUE(item->Pause());
    ASSERT_TRUE(item->Resume());
    ASSERT_TRUE(item->Stop());
    ASSERT_TRUE(sink_.WaitFinished(item.get()));
    EXPECT_EQ(item->state.load(), ActivityState::Canceled);
    EXPECT_FALSE(fs::exists(dir_.Path() / "stop.mov"));
    EXPECT_TRUE(WorkFilesIn(dir_.Path()).empty());
    EXPECT_TRUE(fs::exists(dir_.Path() / "stop.mp4"));
    EXPECT_EQ(sink_.FinishedCount(item.get()), 1);
}

TEST_F(ConvertItemTest, StopWhilePausedResumesThenEnds) {
    auto item = NewItem(kProfileIpod, ConversionQuality::kLow, Source(Long(), "stoppaused.mp4"));
    item->convertFlag = true;  // the source is kept when the conversion is canceled
    ASSERT_TRUE(item->Run());
    ASSERT_TRUE(WaitForProgress(item));
    ASSERT_TRUE(item->Pause());
    ASSERT_TRUE(item->Stop());
    ASSERT_TRUE(sink_.WaitFinished(item.get()));
    EXPECT_EQ(item->state.load(), ActivityState::Canceled);
    EXPECT_FALSE(fs::exists(dir_.Path() / "stoppaused.mov"));
    EXPECT_TRUE(WorkFilesIn(dir_.Path()).empty());
    EXPECT_TRUE(fs::exists(dir_.Path() / "stoppaused.mp4"));
    // Canceled items can be started again, and then complete.
    EXPECT_TRUE(item->CanStart());
    EXPECT_EQ(RunToEnd(item), ActivityState::Completed);
    EXPECT_FALSE(fs::exists(dir_.Path() / "stoppaused.mp4"));  // convertFlag after success
}

TEST_F(ConvertItemTest, StopBeforeRunCancelsWithoutANotice) {
    auto item = NewItem(kProfileMp3, ConversionQuality::kLow, Source(Wide(), "q.mp4"));
    ASSERT_TRUE(item->Prepare());
    EXPECT_EQ(item->state.load(), ActivityState::Queued);
    EXPECT_TRUE(item->CanStop());
    ASSERT_TRUE(item->Stop());
    EXPECT_EQ(item->state.load(), ActivityState::Canceled);
    EXPECT_EQ(sink_.FinishedCount(item.get()), 0);
}

TEST_F(ConvertItemTest, BadInputFailsAndCleansUp) {
    fs::path bad = dir_.Path() / "bad.mp4";
    test::WriteFileBytes(bad, "this is not a video");
    auto item = NewItem(kProfileIphone, ConversionQuality::kHigh, bad);
    item->convertFlag = true;
    EXPECT_EQ(RunToEnd(item), ActivityState::Failed);
    EXPECT_FALSE(fs::exists(dir_.Path() / "bad(iphone).mp4"));
    EXPECT_TRUE(fs::exists(bad));  // never deleted on failure
    EXPECT_TRUE(WorkFilesIn(dir_.Path()).empty());
    EXPECT_TRUE(item->CanStart());
}

TEST_F(ConvertItemTest, EncoderThatCannotStartFails) {
    auto item = NewItem(kProfileMp3, ConversionQuality::kLow, Source(Wide(), "n.mp4"));
    item->tools.encoder = dir_.Path() / "no-encoder-here";
    EXPECT_EQ(RunToEnd(item), ActivityState::Failed);
    EXPECT_TRUE(WorkFilesIn(dir_.Path()).empty());
}

TEST_F(ConvertItemTest, EncoderIgnoringQuitIsKilled) {
    // A named pipe with no writer: the encoder blocks opening it and never reads "q".
    fs::path fifo = dir_.Path() / "blocked.mp4";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto item =
        NewItem(kProfileMp3, ConversionQuality::kLow, fifo);  // the MP3 profile runs no probe
    ASSERT_TRUE(item->Run());
    Sleep(300);
    ASSERT_TRUE(item->Stop());
    ASSERT_TRUE(sink_.WaitFinished(item.get(), 1, 60));
    EXPECT_EQ(item->state.load(), ActivityState::Canceled);
    EXPECT_TRUE(WorkFilesIn(dir_.Path()).empty());
}

TEST_F(ConvertItemTest, TrimmedConversionCoversOnlyTheCut) {
    auto item = NewItem(kProfileMp3, ConversionQuality::kLow, Source(Long(), "cut.mp4"));
    item->trim = true;
    item->trimStart = L"00:00:05";
    item->trimEnd = L"00:00:12";
    ASSERT_EQ(RunToEnd(item), ActivityState::Completed);
    MediaInfo info = Probe(P(item->OutputPath()));
    EXPECT_NEAR(info.duration, 7.0, 0.3);
}

TEST_F(ConvertItemTest, ManualCommandRunsTheUsersLine) {
    fs::path source = Source(Wide(), "hand made.mp4");
    auto item = NewItem(kProfileManual, ConversionQuality::kHigh, source);
    EXPECT_TRUE(item->manual);
    item->manualParams = L"ffmpeg -i %1 -vn -ar 22050 -ac 1 \"%2.mp3\"";
    item->SetOutputPath(L"Manual Conversion - hand made.mp4");
    ASSERT_EQ(RunToEnd(item), ActivityState::Completed);
    MediaInfo info = Probe(dir_.Path() / "hand made.mp4.mp3");
    EXPECT_TRUE(info.hasAudio);
    EXPECT_EQ(info.sampleRate, 22050);
    EXPECT_EQ(item->GetFileName(), L"Manual Conversion - hand made.mp4");
    EXPECT_FALSE(item->CanPause());

    // A failing manual line fails the item.
    auto failing = NewItem(kProfileManual, ConversionQuality::kHigh, source);
    failing->manualParams = L"ffmpeg -i %1.missing %2.mp3";
    EXPECT_EQ(RunToEnd(failing), ActivityState::Failed);
}

TEST_F(ConvertItemTest, RenamingAFinishedItemMovesItsFile) {
    test::WriteFileBytes(dir_.Path() / "taken.mp3", "keep");
    auto item = NewItem(kProfileMp3, ConversionQuality::kLow, Source(Wide(), "ren.mp4"));
    ASSERT_EQ(RunToEnd(item), ActivityState::Completed);
    ASSERT_TRUE(item->SetFileName(L"renamed.mp3"));
    EXPECT_EQ(P(item->OutputPath()), dir_.Path() / "renamed.mp3");
    EXPECT_TRUE(Probe(dir_.Path() / "renamed.mp3").hasAudio);
    EXPECT_FALSE(fs::exists(dir_.Path() / "ren.mp3"));
    // A taken name gets the suffix instead of replacing the file there.
    ASSERT_TRUE(item->SetFileName(L"taken.mp3"));
    EXPECT_EQ(P(item->OutputPath()), dir_.Path() / "taken(mp3).mp3");
    EXPECT_EQ(test::ReadFileBytes(dir_.Path() / "taken.mp3"), "keep");
    EXPECT_FALSE(item->SetFileName(L"../elsewhere.mp3"));
}

TEST_F(ConvertItemTest, ProbeReadsTheRealOutputOfSeveralContainers) {
    struct Case {
        const char* name;
        std::vector<std::string> args;
    };
    const Case cases[] = {
        {"c.mkv", {"-c:v", "libx264", "-preset", "ultrafast"}},
        {"c.webm", {"-c:v", "libvpx", "-c:a", "libvorbis"}},
        {"c.avi", {"-c:v", "mpeg4"}},
        {"c.flv", {"-c:v", "flv", "-ar", "44100"}},
        {"c.mov", {"-c:v", "libx264", "-preset", "ultrafast", "-colorspace", "bt709"}},
        {"c.wmv", {"-c:v", "wmv2", "-c:a", "wmav2"}},
        {"c.ogv", {"-c:v", "libtheora", "-c:a", "libvorbis"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::path file = dir_.Path() / c.name;
        ASSERT_TRUE(test::MakeClip(file, 352, 198, 1, c.args));
        EXPECT_EQ(ProbePictureSize(EncoderPath(), file), (PictureSize{352, 198}));
    }
    EXPECT_EQ(ProbePictureSize(EncoderPath(), dir_.Path() / "missing.mp4"), (PictureSize{}));
}

TEST_F(ConvertItemTest, TrimCheckReadsTheRealDuration) {
    // wide.mp4 lasts 3 seconds.
    EXPECT_EQ(CheckTrimTimesOfFile(L"00:00:02", L"00:00:00", EncoderPath(), Wide()),
              TrimCheck::Valid);
    EXPECT_EQ(CheckTrimTimesOfFile(L"00:00:03", L"00:00:00", EncoderPath(), Wide()),
              TrimCheck::BadEnd);
    // Unreadable: only the form counts.
    EXPECT_EQ(
        CheckTrimTimesOfFile(L"00:10:00", L"00:00:00", EncoderPath(), dir_.Path() / "missing.mp4"),
        TrimCheck::Valid);
}

}  // namespace talvex

namespace talvex {

TEST_F(ConvertItemTest, SizeOfASourceBeyond4GiBIsNotTruncated) {
    fs::path big = dir_.Path() / "big.flv";
    { std::ofstream touch(big); }
    fs::resize_file(big, 5ull << 30);  // sparse: no disk space used
    auto item = NewItem(kProfileMp3, ConversionQuality::kLow, big);
    ASSERT_TRUE(item->Prepare());
    EXPECT_DOUBLE_EQ(item->sizeMB.load(), 5120.0);
    EXPECT_EQ(P(item->OutputPath()), dir_.Path() / "big.mp3");
    EXPECT_NE(item->workPath.find(L"/~qrv"), std::wstring::npos);
    EXPECT_TRUE(item->workPath.ends_with(L".tmp.mp3"));
    EXPECT_FALSE(fs::exists(P(item->workPath)));  // only the name is reserved
}

TEST_F(ConvertItemTest, CommandGoesToTheDebugLog) {
    test::TestHome home;
    test::WriteFileBytes(home.SettingsFile(), R"({"DebugLogging": 1})");
    fs::create_directories(home.DataFolder());
    auto item = NewItem(kProfileMp3, ConversionQuality::kLow, Source(Wide(), "logged.mp4"));
    ASSERT_EQ(RunToEnd(item), ActivityState::Completed);
    const std::string log = test::ReadFileBytes(home.DataFolder() / "Log.txt");
    EXPECT_FALSE(item->CommandText().empty());
    EXPECT_NE(log.find("Enter ConvertItem::StartEncoder with command:" +
                       WideToUtf8(item->CommandText()) + "\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("Exit ConvertItem::AsyncRun (success)\n"), std::string::npos);
}

TEST_F(ConvertItemTest, ManualCommandNamingAnotherProgramIsRefusedAndNothingRuns) {
    const fs::path source = Source(Wide(), "m.mp4");
    test::WriteFileBytes(dir_.Path() / "victim" / "keep.txt", "keep");
    const fs::path marker = dir_.Path() / "marker";
    // Relative names in a manual command are in the source's folder.
    const std::wstring commands[] = {
        L"rm -rf victim",
        L"/bin/sh -c 'touch " + W(marker) + L"'",
        L"sh -c \"touch marker\"",
        L"touch marker %1",
    };
    for (const std::wstring& command : commands) {
        SCOPED_TRACE(WideToUtf8(command));
        auto item = NewItem(kProfileManual, ConversionQuality::kHigh, source);
        item->manualParams = command;
        item->SetOutputPath(L"Manual Conversion - m.mp4");
        EXPECT_EQ(RunToEnd(item), ActivityState::Failed);
        EXPECT_EQ(item->LastMessage(), ManualCommandRefusal(nullptr, command, EncoderPath()));
        EXPECT_TRUE(item->CommandText().empty());  // no command was started
    }
    EXPECT_EQ(test::ReadFileBytes(dir_.Path() / "victim" / "keep.txt"), "keep");
    EXPECT_FALSE(fs::exists(marker));

    // The encoder named by its own path runs.
    auto byPath = NewItem(kProfileManual, ConversionQuality::kHigh, source);
    byPath->manualParams = W(EncoderPath()) + L" -i %1 -vn \"%2.mp3\"";
    ASSERT_EQ(RunToEnd(byPath), ActivityState::Completed) << WideToUtf8(byPath->LastMessage());
    EXPECT_TRUE(Probe(dir_.Path() / "m.mp4.mp3").hasAudio);
}

TEST_F(ConvertItemTest, HourLongInputIsCheckedAndCutByItsFullLength) {
    // 1 h 2 min 5 s of silence: quick to make, and long enough that minutes count.
    const fs::path hour = dir_.Path() / "hour.wav";
    ASSERT_EQ(test::RunProgram({"ffmpeg", "-hide_banner", "-loglevel", "error", "-nostdin", "-y",
                                "-f", "lavfi", "-i", "anullsrc=r=8000:cl=mono", "-t", "3725",
                                "-c:a", "pcm_u8", hour.string()}),
              0);
    EXPECT_EQ(CheckTrimTimesOfFile(L"01:02:00", L"00:00:00", EncoderPath(), hour),
              TrimCheck::Valid);
    EXPECT_EQ(CheckTrimTimesOfFile(L"00:30:00", L"01:02:04", EncoderPath(), hour),
              TrimCheck::Valid);
    EXPECT_EQ(CheckTrimTimesOfFile(L"01:02:05", L"00:00:00", EncoderPath(), hour),
              TrimCheck::BadEnd);

    auto item = NewItem(kProfileMp3, ConversionQuality::kLow, hour);
    item->trim = true;
    item->trimStart = L"01:01:55";
    item->trimEnd = L"00:00:00";
    ASSERT_EQ(RunToEnd(item), ActivityState::Completed) << WideToUtf8(item->LastMessage());
    EXPECT_NEAR(Probe(P(item->OutputPath())).duration, 10.0, 0.3);
}

}  // namespace talvex
