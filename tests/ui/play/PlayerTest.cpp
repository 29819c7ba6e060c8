// The player on the Play page with the real multimedia back end: a double-clicked H.264 clip
// plays, the controls pause and seek, and full screen comes and goes. Needs a back end that
// decodes H.264 (gstreamer1.0-plugins-good and gstreamer1.0-libav); without one the page has no
// player, which PlayBackendTest covers.
#include <QLabel>
#include <QMediaPlayer>
#include <QSignalSpy>
#include <QSlider>
#include <QVideoWidget>

#include "PlayTabFixture.h"
#include "ui/CustomButton.h"
#include "ui/PlayabilityCheck.h"
#include "ui/VideoPlayerPane.h"

namespace talvex::test {
namespace {

using ui::VideoPlayerPane;

constexpr int kPlayWaitMs = 15000;

class PlayerTest : public PlayTabFixture {
protected:
    void SetUp() override {
        if (!VideoPlayerPane::BackendUsable()) {
            GTEST_SKIP() << "no multimedia back end that decodes H.264 on this machine";
        }
    }

    // Double-clicks the file and waits until the player is playing it.
    VideoPlayerPane& PlayByDoubleClick(const QString& name) {
        QSignalSpy decided(&Tab().Check(), &ui::PlayabilityCheck::Decided);
        DoubleClickFile(name);
        // ".flv" and ".mp3" are decided at once, the others in the background.
        if (decided.isEmpty()) {
            EXPECT_TRUE(decided.wait(20000));
        }
        VideoPlayerPane* pane = Tab().Player();
        EXPECT_NE(pane, nullptr);
        return *pane;
    }
};

TEST_F(PlayerTest, ADoubleClickedH264ClipPlays) {
    Clip(downloads, "clip.mp4", {}, 4);
    VideoPlayerPane& pane = PlayByDoubleClick("clip.mp4");
    QMediaPlayer* player = pane.Player();

    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(player->source(),
              QUrl::fromLocalFile(QString::fromStdString((downloads / "clip.mp4").string())));
    QTRY_COMPARE_WITH_TIMEOUT(player->playbackState(), QMediaPlayer::PlayingState, kPlayWaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(player->position() > 300, kPlayWaitMs);
    EXPECT_EQ(player->error(), QMediaPlayer::NoError);
    // The slider and the time follow.
    QTRY_VERIFY_WITH_TIMEOUT(pane.PositionSlider()->value() > 0, kPlayWaitMs);
    EXPECT_GE(pane.PositionSlider()->maximum(), 3900);
    EXPECT_TRUE(pane.TimeLabel()->text().endsWith("/ 0:04"))
        << pane.TimeLabel()->text().toStdString();
    EXPECT_TRUE(pane.PauseButton()->isVisible());
    EXPECT_FALSE(pane.PlayButton()->isVisible());
}

TEST_F(PlayerTest, FlvFromTheEncoderPlaysToo) {
    Clip(downloads, "clip.flv", {"-c:v", "flv1", "-c:a", "libmp3lame"}, 3);
    VideoPlayerPane& pane = PlayByDoubleClick("clip.flv");
    QTRY_VERIFY_WITH_TIMEOUT(pane.Player()->position() > 300, kPlayWaitMs);
}

TEST_F(PlayerTest, PauseStopsThePositionAndPlayGoesOn) {
    Clip(downloads, "clip.mp4", {}, 4);
    VideoPlayerPane& pane = PlayByDoubleClick("clip.mp4");
    QMediaPlayer* player = pane.Player();
    QTRY_VERIFY_WITH_TIMEOUT(player->position() > 200, kPlayWaitMs);

    QTest::mouseClick(pane.PauseButton(), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(player->playbackState(), QMediaPlayer::PausedState, kPlayWaitMs);
    EXPECT_TRUE(pane.PlayButton()->isVisible());
    const qint64 pausedAt = player->position();
    QTest::qWait(500);
    EXPECT_LT(player->position() - pausedAt, 100);

    QTest::mouseClick(pane.PlayButton(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(player->position() > pausedAt + 200, kPlayWaitMs);
}

TEST_F(PlayerTest, TheSliderSeeks) {
    Clip(downloads, "long.mp4", {}, 8);
    VideoPlayerPane& pane = PlayByDoubleClick("long.mp4");
    QMediaPlayer* player = pane.Player();
    QTRY_VERIFY_WITH_TIMEOUT(player->isSeekable() && pane.PositionSlider()->isEnabled(),
                             kPlayWaitMs);
    QTest::mouseClick(pane.PauseButton(), Qt::LeftButton);

    // Page Up on the focused slider jumps a page ahead.
    QSlider* slider = pane.PositionSlider();
    slider->setPageStep(6000);
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_PageUp);
    QTRY_VERIFY_WITH_TIMEOUT(player->position() >= 5500, kPlayWaitMs);
}

TEST_F(PlayerTest, FullScreenByDoubleClickOrButtonAndBackWithEscape) {
    Clip(downloads, "clip.mp4", {}, 4);
    VideoPlayerPane& pane = PlayByDoubleClick("clip.mp4");
    QVideoWidget* video = pane.Video();

    QTest::mouseDClick(video, Qt::LeftButton);
    QTRY_VERIFY(pane.IsFullScreen());
    EXPECT_TRUE(video->isWindow());
    QTest::keyClick(video, Qt::Key_Escape);
    QTRY_VERIFY(!pane.IsFullScreen());
    EXPECT_FALSE(video->isWindow());
    EXPECT_EQ(video->parentWidget(), &pane);

    QTest::mouseClick(pane.FullScreenButton(), Qt::LeftButton);
    QTRY_VERIFY(pane.IsFullScreen());
    QTest::mouseDClick(video, Qt::LeftButton);
    QTRY_VERIFY(!pane.IsFullScreen());
}

TEST_F(PlayerTest, ClosingTheFullScreenWindowBringsThePictureBack) {
    Clip(downloads, "clip.mp4", {}, 4);
    VideoPlayerPane& pane = PlayByDoubleClick("clip.mp4");
    pane.SetFullScreen(true);
    QTRY_VERIFY(pane.IsFullScreen());
    pane.Video()->close();
    QTRY_VERIFY(!pane.IsFullScreen());
    EXPECT_TRUE(pane.Video()->isVisible());
}

TEST_F(PlayerTest, AnotherFilePlaysInsteadAndTheSameFileStartsOver) {
    Clip(downloads, "a.mp4", {}, 4);
    Clip(downloads, "b.mp4", {}, 4);
    Tab().FillFileList();
    VideoPlayerPane& pane = PlayByDoubleClick("a.mp4");
    QMediaPlayer* player = pane.Player();
    QTRY_VERIFY_WITH_TIMEOUT(player->position() > 1000, kPlayWaitMs);

    PlayByDoubleClick("a.mp4");
    QTRY_VERIFY_WITH_TIMEOUT(player->position() < 900, kPlayWaitMs);

    PlayByDoubleClick("b.mp4");
    EXPECT_EQ(pane.CurrentFile(), QString::fromStdString((downloads / "b.mp4").string()));
    QTRY_VERIFY_WITH_TIMEOUT(player->position() > 300, kPlayWaitMs);
}

TEST_F(PlayerTest, NothingIsPlayedAtStartAndThePlayButtonWaitsForAFile) {
    Clip(downloads, "clip.mp4");
    VideoPlayerPane* pane = Tab().Player();
    ASSERT_NE(pane, nullptr);
    EXPECT_TRUE(pane->Player()->source().isEmpty());
    EXPECT_FALSE(pane->PlayButton()->isEnabled());
    EXPECT_EQ(Tab().UpgradeLink(), nullptr);
}

}  // namespace
}  // namespace talvex::test
