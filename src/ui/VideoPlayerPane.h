#pragma once
// The Play page's player: the picture, a play/pause button, a position slider with the time,
// and full screen (the button or a double-click on the picture; Escape, a double-click or
// closing the full-screen window come back). Qt Multimedia plays the file through its back end
// (GStreamer by default), which must be able to decode H.264; the page checks BackendUsable()
// before making a pane and shows how to get the missing parts instead.
#include <QString>
#include <QWidget>

class QAudioOutput;
class QLabel;
class QMediaPlayer;
class QSlider;
class QVideoWidget;

namespace talvex {
class StringTable;
}

namespace talvex::ui {

class CustomButton;

class VideoPlayerPane : public QWidget {
    Q_OBJECT
public:
    // Whether the multimedia back end decodes H.264 video. Must be asked before a player is
    // made: the GStreamer back end without its base plug-ins crashes while making one, and
    // without its decoders it would only fail file after file.
    static bool BackendUsable();
    // "m:ss", or "h:mm:ss" from an hour on.
    static QString FormatTime(qint64 milliseconds);

    explicit VideoPlayerPane(const StringTable& strings, QWidget* parent = nullptr);
    ~VideoPlayerPane() override;

    // Loads the file and starts playing it (from its start when it was playing already).
    void Play(const QString& file);
    void TogglePlayPause();
    void SetFullScreen(bool fullScreen);
    bool IsFullScreen() const;
    // The buttons' tooltips.
    void ApplyLanguage();

    // The parts, for the page and the tests.
    QMediaPlayer* Player() const { return player_; }
    QVideoWidget* Video() const { return video_; }
    // One of the two shows: Play while paused or stopped, Pause while playing.
    CustomButton* PlayButton() const { return play_; }
    CustomButton* PauseButton() const { return pause_; }
    QSlider* PositionSlider() const { return slider_; }
    QLabel* TimeLabel() const { return time_; }
    CustomButton* FullScreenButton() const { return fullScreen_; }
    QString CurrentFile() const { return file_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void UpdatePlayPause();
    void UpdateTime();
    // Sound goes to the default output when there is one. Without any output device the
    // player is left without sound: the FFmpeg back end crashes writing to a missing one.
    void EnsureAudioOutput();

    const StringTable& strings_;
    QMediaPlayer* player_ = nullptr;
    QAudioOutput* audio_ = nullptr;
    QVideoWidget* video_ = nullptr;
    CustomButton* play_ = nullptr;
    CustomButton* pause_ = nullptr;
    QSlider* slider_ = nullptr;
    QLabel* time_ = nullptr;
    CustomButton* fullScreen_ = nullptr;
    QString file_;
};

}  // namespace talvex::ui
