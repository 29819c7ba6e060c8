// Which files the player takes, decided on real clips made by the encoder, and the background
// check: it answers without holding up the window, and only its latest question is answered.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QThreadPool>

#include <filesystem>
#include <string>
#include <vector>

#include "convert/EncoderReport.h"
#include "integration/convert/MediaFixtures.h"
#include "support/TestHome.h"
#include "ui/PlayabilityCheck.h"

namespace talvex::test {
namespace {

namespace fs = std::filesystem;
using ui::PlayabilityCheck;

const std::vector<std::string> kMpeg4Part2 = {"-c:v", "mpeg4", "-c:a", "aac"};
const std::vector<std::string> kH264 = {"-c:v", "libx264", "-preset", "ultrafast", "-c:a", "aac"};
const std::vector<std::string> kAudioOnlyAac = {"-vn", "-c:a", "aac"};

// Opens the pipe for writing once a reader (the encoder) has it open, then closes it, which
// ends the reader's wait. False when no reader came within the time.
bool EndPipeOnceRead(const fs::path& pipe) {
    for (int tries = 0; tries < 400; ++tries) {
        const int writer = ::open(pipe.c_str(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0) {
            ::close(writer);
            return true;
        }
        QTest::qWait(50);
    }
    return false;
}

class PlayabilityCheckTest : public ::testing::Test {
protected:
    fs::path Clip(const std::string& name, const std::vector<std::string>& args = kH264) {
        const fs::path file = dir.Path() / name;
        EXPECT_TRUE(MakeClip(file, 160, 120, 0.5, args)) << name;
        return file;
    }

    TempDir dir;
    PlayabilityCheck check{EncoderPath()};
};

TEST_F(PlayabilityCheckTest, H264InTheMp4FamilyPlays) {
    EXPECT_TRUE(check.IsPlayable(Clip("h264.mp4")));
    EXPECT_TRUE(check.IsPlayable(Clip("h264.mov")));
    EXPECT_TRUE(check.IsPlayable(Clip("h264.3gp")));
    // The extension counts in any letter case.
    EXPECT_TRUE(check.IsPlayable(Clip("UPPER.MP4")));
}

TEST_F(PlayabilityCheckTest, OtherVideoInAnMp4IsRefused) {
    EXPECT_FALSE(check.IsPlayable(Clip("part2.mp4", kMpeg4Part2)));
    EXPECT_FALSE(check.IsPlayable(Clip("part2.mov", kMpeg4Part2)));
}

TEST_F(PlayabilityCheckTest, AnMp4WithoutVideoIsRefused) {
    EXPECT_FALSE(check.IsPlayable(Clip("sound.mp4", kAudioOnlyAac)));
}

TEST_F(PlayabilityCheckTest, OtherContainersAreRefusedWhateverTheyHold) {
    // H.264 inside, yet not a container the player takes.
    EXPECT_FALSE(check.IsPlayable(Clip("h264.avi")));
    EXPECT_FALSE(check.IsPlayable(Clip("h264.mkv")));
    EXPECT_FALSE(check.IsPlayable(Clip("part2.avi", kMpeg4Part2)));
}

TEST_F(PlayabilityCheckTest, FlvAndMp3PlayWithoutAskingTheEncoder) {
    // An encoder that cannot be run would refuse anything it is asked about.
    PlayabilityCheck noEncoder(dir.Path() / "no-such-encoder");
    EXPECT_TRUE(noEncoder.IsPlayable(dir.Path() / "never-made.flv"));
    EXPECT_TRUE(noEncoder.IsPlayable(dir.Path() / "never-made.MP3"));
    EXPECT_FALSE(noEncoder.IsPlayable(Clip("h264.mp4")));
}

TEST_F(PlayabilityCheckTest, TheExtensionIsTheFileNamesNotTheFolders) {
    fs::create_directories(dir.Path() / "season.flv");
    const fs::path clip = dir.Path() / "season.flv" / "episode";
    ASSERT_TRUE(MakeClip(clip, 160, 120, 0.5, {"-c:v", "libx264", "-f", "mp4"}));
    EXPECT_FALSE(check.IsPlayable(clip));
}

TEST_F(PlayabilityCheckTest, TheCodecCountsByItsFirstWord) {
    // What the encoder prints on an H.264 download: profile and codec tag follow the name.
    EXPECT_TRUE(PlayabilityCheck::DecideByReport(
        L"  Stream #0:0(und): Video: h264 (High) (avc1 / 0x31637661), yuv420p(tv, bt709), "
        L"1280x720 [SAR 1:1 DAR 16:9], 1015 kb/s, 25 fps"));
    EXPECT_TRUE(PlayabilityCheck::DecideByReport(L"Stream #0:0: Video: H264, yuv420p, 320x240"));
    EXPECT_FALSE(
        PlayabilityCheck::DecideByReport(L"Stream #0:0: Video: h2645 (x), yuv420p, 320x240"));
    EXPECT_FALSE(PlayabilityCheck::DecideByReport(
        L"Stream #0:0(und): Video: mpeg4 (Simple Profile) (mp4v / 0x7634706D), yuv420p, "
        L"320x240"));
    EXPECT_FALSE(PlayabilityCheck::DecideByReport(
        L"Stream #0:0(und): Audio: aac (LC) (mp4a / 0x6134706D), 44100 Hz, mono"));
    EXPECT_FALSE(PlayabilityCheck::DecideByReport(std::nullopt));
}

TEST_F(PlayabilityCheckTest, ABackgroundCheckAnswersOnTheWindowThread) {
    const fs::path good = Clip("good.mp4");
    const fs::path bad = Clip("bad.mp4", kMpeg4Part2);
    QSignalSpy decided(&check, &PlayabilityCheck::Decided);

    check.Start(QString::fromStdString(good.string()));
    EXPECT_TRUE(check.Pending());
    ASSERT_TRUE(decided.wait(20000));
    EXPECT_FALSE(check.Pending());
    EXPECT_EQ(decided.takeFirst(), (QList<QVariant>{QString::fromStdString(good.string()), true}));

    check.Start(QString::fromStdString(bad.string()));
    ASSERT_TRUE(decided.wait(20000));
    EXPECT_EQ(decided.takeFirst(), (QList<QVariant>{QString::fromStdString(bad.string()), false}));
}

TEST_F(PlayabilityCheckTest, ExtensionDecisionsAnswerAtOnce) {
    QSignalSpy decided(&check, &PlayabilityCheck::Decided);
    check.Start(QString::fromStdString((dir.Path() / "x.flv").string()));
    check.Start(QString::fromStdString((dir.Path() / "x.avi").string()));
    EXPECT_FALSE(check.Pending());
    ASSERT_EQ(decided.size(), 2);
    EXPECT_TRUE(decided[0][1].toBool());
    EXPECT_FALSE(decided[1][1].toBool());
}

TEST_F(PlayabilityCheckTest, AStuckCheckHoldsNothingUpAndAnOutdatedAnswerIsDropped) {
    // A named pipe given a media name: the encoder waits on it until someone writes.
    const fs::path pipe = dir.Path() / "stuck.mp4";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const fs::path good = Clip("good.mp4");
    QSignalSpy decided(&check, &PlayabilityCheck::Decided);

    QElapsedTimer timer;
    timer.start();
    check.Start(QString::fromStdString(pipe.string()));
    EXPECT_LT(timer.elapsed(), 1000);
    EXPECT_TRUE(check.Pending());
    // The user gives up on it and chooses another file, which plays.
    check.Start(QString::fromStdString(good.string()));
    ASSERT_TRUE(decided.wait(20000));
    ASSERT_EQ(decided.size(), 1);
    EXPECT_EQ(decided[0][0].toString(), QString::fromStdString(good.string()));
    EXPECT_TRUE(decided[0][1].toBool());

    // Now the pipe ends; its late answer must not arrive.
    ASSERT_TRUE(EndPipeOnceRead(pipe));
    ASSERT_TRUE(QThreadPool::globalInstance()->waitForDone(20000));
    QCoreApplication::processEvents();
    QTest::qWait(50);
    EXPECT_EQ(decided.size(), 1);
    EXPECT_FALSE(check.Pending());
}

TEST_F(PlayabilityCheckTest, ACheckerClosedMidwayIsNotCalledBack) {
    const fs::path pipe = dir.Path() / "slow.mp4";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    bool answered = false;
    {
        PlayabilityCheck shortLived(EncoderPath());
        QObject::connect(&shortLived, &PlayabilityCheck::Decided, [&] { answered = true; });
        shortLived.Start(QString::fromStdString(pipe.string()));
    }
    // The encoder is still reading for the checker that is gone.
    ASSERT_TRUE(EndPipeOnceRead(pipe));
    ASSERT_TRUE(QThreadPool::globalInstance()->waitForDone(20000));
    QCoreApplication::processEvents();
    QTest::qWait(50);
    EXPECT_FALSE(answered);
}

}  // namespace
}  // namespace talvex::test
