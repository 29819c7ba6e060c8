// talvex-cli convert on real clips with the real encoder.
#include <gtest/gtest.h>

#include "integration/cli/CliProcess.h"
#include "integration/convert/MediaFixtures.h"
#include "support/TestHome.h"

namespace talvex::test {
namespace {

namespace fs = std::filesystem;

class CliConvert : public ::testing::Test {
protected:
    void SetUp() override {
        clip_ = dir_.Path() / "clip.mp4";
        ASSERT_TRUE(MakeClip(clip_, 320, 240, 6.0));
    }

    TestHome home_;
    TempDir dir_;
    fs::path clip_;
};

TEST_F(CliConvert, TrimmedConversionKeepsOnlyTheCut) {
    const CliResult result =
        RunCli({"convert", "-p", "mp3", "--trim", "00:00:01", "00:00:03", clip_.string()}, 180);
    ASSERT_EQ(result.exitCode, 0) << result.out << result.err;
    const fs::path mp3 = dir_.Path() / "clip.mp3";
    EXPECT_EQ(result.out, "Completed: " + mp3.string() + "\n");
    const MediaInfo info = Probe(mp3);
    ASSERT_TRUE(info.ok && info.hasAudio);
    EXPECT_NEAR(info.duration, 2.0, 0.5);
    EXPECT_TRUE(WorkFilesIn(dir_.Path()).empty());
    EXPECT_TRUE(fs::exists(clip_)) << "the source stays";
}

TEST_F(CliConvert, TrimTimesAreCheckedAgainstTheMediaBeforeAnythingRuns) {
    // A start beyond the six seconds of the clip, then a malformed end.
    for (const auto& [start, end] : std::vector<std::pair<std::string, std::string>>{
             {"00:00:10", "00:00:00"}, {"00:00:01", "0:00:03"}, {"00:00:03", "00:00:02"}}) {
        const CliResult result =
            RunCli({"convert", "-p", "mp3", "--trim", start, end, clip_.string()});
        EXPECT_EQ(result.exitCode, 2) << start << " " << end;
        EXPECT_NE(result.err.find("Invalid value for Start or End Time"), std::string::npos)
            << result.err;
        EXPECT_EQ(result.out, "");
    }
    EXPECT_FALSE(fs::exists(dir_.Path() / "clip.mp3"));
}

TEST_F(CliConvert, ManualCommandRunsAsTyped) {
    const CliResult result =
        RunCli({"convert", "--manual", "ffmpeg -i %1 -vn -ab 64k %2.mp3", clip_.string()}, 180);
    ASSERT_EQ(result.exitCode, 0) << result.out << result.err;
    EXPECT_EQ(result.out, "Completed: Manual Conversion - clip.mp4\n");
    const MediaInfo info = Probe(dir_.Path() / "clip.mp4.mp3");
    EXPECT_TRUE(info.ok && info.hasAudio && !info.hasVideo);

    // A command that is not the encoder's is refused before anything runs.
    const fs::path marker = dir_.Path() / "marker";
    const CliResult refused =
        RunCli({"convert", "--manual", "touch " + marker.string() + " %1", clip_.string()});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.err.find("must start with ffmpeg"), std::string::npos) << refused.err;
    EXPECT_FALSE(fs::exists(marker));
}

TEST_F(CliConvert, ExistingOutputIsKeptUnlessReplaceIsGiven) {
    const fs::path mp3 = dir_.Path() / "clip.mp3";
    WriteFileBytes(mp3, "an older conversion");
    CliResult result = RunCli({"convert", "-p", "mp3", clip_.string()}, 180);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(ReadFileBytes(mp3), "an older conversion");
    ASSERT_EQ(Lines(result.out).size(), 1u);
    const fs::path other(Lines(result.out)[0].substr(11));
    EXPECT_NE(other, mp3);
    EXPECT_TRUE(Probe(other).hasAudio);

    result = RunCli({"convert", "-p", "mp3", "--replace", clip_.string()}, 180);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "Completed: " + mp3.string() + "\n");
    EXPECT_TRUE(Probe(mp3).hasAudio);
}

TEST_F(CliConvert, MissingFileIsAUsageErrorAndNothingIsConverted) {
    const CliResult result =
        RunCli({"convert", "-p", "mp3", clip_.string(), (dir_.Path() / "missing.mp4").string()});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.err.find("missing.mp4: no such file"), std::string::npos) << result.err;
    EXPECT_FALSE(fs::exists(dir_.Path() / "clip.mp3"));
    const CliResult folder = RunCli({"convert", "-p", "mp3", dir_.Path().string()});
    EXPECT_EQ(folder.exitCode, 2);
    EXPECT_NE(folder.err.find("a folder, not a media file"), std::string::npos) << folder.err;
}

}  // namespace
}  // namespace talvex::test
