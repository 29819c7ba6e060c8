#include "ui/VideoPlayerPane.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMediaDevices>
#include <QMediaFormat>
#include <QMediaPlayer>
#include <QSlider>
#include <QStyle>
#include <QUrl>
#include <QVBoxLayout>
#include <QVideoWidget>
#include <algorithm>
#include <climits>

#include "app/DebugLog.h"
#include "app/StringTable.h"
#include "ui/CustomButton.h"
#include "ui/Pictures.h"
#include "ui/UiText.h"

namespace talvex::ui {

namespace {

constexpr int kPictureSide = 16;
constexpr QSize kButtonSize(30, 26);

CustomButton* MakeButton(const QPixmap& picture, const QPixmap& disabled, QWidget* parent) {
    auto* button = new CustomButton(picture, disabled, false, parent);
    button->SetColors(ButtonColors::Grey());
    button->setFixedSize(kButtonSize);
    return button;
}

}  // namespace

bool VideoPlayerPane::BackendUsable() {
    // The back end lists what it can decode from what is installed: GStreamer without
    // gstreamer1.0-libav (or without the demuxers of gstreamer1.0-plugins-good) lists no H.264.
    const QList<QMediaFormat::VideoCodec> codecs =
        QMediaFormat().supportedVideoCodecs(QMediaFormat::Decode);
    return codecs.contains(QMediaFormat::VideoCodec::H264);
}

QString VideoPlayerPane::FormatTime(qint64 milliseconds) {
    const qint64 seconds = std::max<qint64>(0, milliseconds) / 1000;
    const qint64 hours = seconds / 3600;
    const qint64 minutes = seconds / 60 % 60;
    const qint64 rest = seconds % 60;
    if (hours > 0) {
        return QStringLiteral("%1:%2:%3")
            .arg(hours)
            .arg(minutes, 2, 10, QLatin1Char('0'))
            .arg(rest, 2, 10, QLatin1Char('0'));
    }
    return QStringLiteral("%1:%2").arg(minutes).arg(rest, 2, 10, QLatin1Char('0'));
}

VideoPlayerPane::VideoPlayerPane(const StringTable& strings, QWidget* parent)
    : QWidget(parent), strings_(strings) {
    player_ = new QMediaPlayer(this);
    video_ = new QVideoWidget(this);
    video_->setAutoFillBackground(true);
    QPalette black = video_->palette();
    black.setColor(QPalette::Window, Qt::black);
    video_->setPalette(black);
    video_->setWindowTitle(QStringLiteral("Talvex"));
    // Focusable so that Escape reaches it in full screen.
    video_->setFocusPolicy(Qt::ClickFocus);
    video_->installEventFilter(this);
    player_->setVideoOutput(video_);

    play_ = MakeButton(pictures::ButtonPicture(pictures::Picture::Play, kPictureSide),
                       pictures::ButtonPicture(pictures::Picture::Play, kPictureSide, true), this);
    pause_ =
        MakeButton(pictures::ButtonPicture(pictures::Picture::Pause, kPictureSide),
                   pictures::ButtonPicture(pictures::Picture::Pause, kPictureSide, true), this);
    const QIcon fullIcon = style()->standardIcon(QStyle::SP_TitleBarMaxButton);
    fullScreen_ = MakeButton(fullIcon.pixmap(kPictureSide, kPictureSide),
                             fullIcon.pixmap(kPictureSide, kPictureSide, QIcon::Disabled), this);
    slider_ = new QSlider(Qt::Horizontal, this);
    slider_->setRange(0, 0);
    time_ = new QLabel(this);
    time_->setTextFormat(Qt::PlainText);

    auto* controls = new QHBoxLayout;
    controls->setContentsMargins(0, 0, 0, 0);
    controls->setSpacing(4);
    controls->addWidget(play_);
    controls->addWidget(pause_);
    controls->addWidget(slider_, 1);
    controls->addWidget(time_);
    controls->addWidget(fullScreen_);
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(4);
    root->addWidget(video_, 1);
    root->addLayout(controls);

    connect(play_, &CustomButton::clicked, this, &VideoPlayerPane::TogglePlayPause);
    connect(pause_, &CustomButton::clicked, this, &VideoPlayerPane::TogglePlayPause);
    connect(fullScreen_, &CustomButton::clicked, this, [this] { SetFullScreen(true); });
    connect(player_, &QMediaPlayer::playbackStateChanged, this, &VideoPlayerPane::UpdatePlayPause);
    connect(player_, &QMediaPlayer::durationChanged, this, [this](qint64 duration) {
        slider_->setRange(0, static_cast<int>(std::min<qint64>(duration, INT_MAX)));
        UpdateTime();
    });
    connect(player_, &QMediaPlayer::positionChanged, this, [this](qint64 position) {
        // While the user drags the handle, the handle is theirs.
        if (!slider_->isSliderDown()) {
            slider_->setValue(static_cast<int>(std::min<qint64>(position, INT_MAX)));
        }
        UpdateTime();
    });
    connect(player_, &QMediaPlayer::seekableChanged, slider_, &QSlider::setEnabled);
    // Drags, clicks on the groove and the arrow keys; the value the player reports back does
    // not come through here, so there is no loop.
    connect(slider_, &QSlider::actionTriggered, this,
            [this] { player_->setPosition(slider_->sliderPosition()); });
    connect(player_, &QMediaPlayer::errorOccurred, this,
            [](QMediaPlayer::Error, const QString& text) {
                // Shown nowhere: a file the check let through plays as far as it can.
                DebugLog::Write(L"Play: " + text.toStdWString());
            });
    // A sound device plugged in later is used from then on.
    auto* devices = new QMediaDevices(this);
    connect(devices, &QMediaDevices::audioOutputsChanged, this,
            &VideoPlayerPane::EnsureAudioOutput);

    slider_->setEnabled(false);
    UpdatePlayPause();
    UpdateTime();
    ApplyLanguage();
}

VideoPlayerPane::~VideoPlayerPane() {
    // The picture may be a window of its own; stop before the parts go.
    player_->stop();
}

void VideoPlayerPane::ApplyLanguage() {
    const QString play = Text(strings_, L"tab.play.btn.play", L"Play");
    const QString pause = Text(strings_, L"tab.play.btn.pause", L"Pause");
    const QString full = Text(strings_, L"tab.play.btn.fullscreen",
                              L"Full screen (double-click the picture; Esc to leave)");
    play_->SetTooltipText(play);
    play_->setAccessibleName(play);
    pause_->SetTooltipText(pause);
    pause_->setAccessibleName(pause);
    fullScreen_->SetTooltipText(full);
    fullScreen_->setAccessibleName(full);
    slider_->setAccessibleName(Text(strings_, L"tab.play.slider.position", L"Position"));
}

void VideoPlayerPane::EnsureAudioOutput() {
    if (audio_ != nullptr || QMediaDevices::audioOutputs().isEmpty()) {
        return;
    }
    audio_ = new QAudioOutput(this);
    player_->setAudioOutput(audio_);
}

void VideoPlayerPane::Play(const QString& file) {
    EnsureAudioOutput();
    const QUrl url = QUrl::fromLocalFile(file);
    if (player_->source() == url) {
        player_->setPosition(0);
    } else {
        player_->setSource(url);
    }
    file_ = file;
    player_->play();
    UpdatePlayPause();
}

void VideoPlayerPane::TogglePlayPause() {
    if (player_->source().isEmpty()) {
        return;
    }
    if (player_->playbackState() == QMediaPlayer::PlayingState) {
        player_->pause();
    } else {
        EnsureAudioOutput();
        player_->play();
    }
}

void VideoPlayerPane::SetFullScreen(bool fullScreen) {
    if (fullScreen == video_->isFullScreen()) {
        return;
    }
    video_->setFullScreen(fullScreen);
    if (fullScreen) {
        video_->activateWindow();
        video_->setFocus(Qt::OtherFocusReason);
    }
}

bool VideoPlayerPane::IsFullScreen() const {
    return video_->isFullScreen();
}

void VideoPlayerPane::UpdatePlayPause() {
    const bool playing = player_->playbackState() == QMediaPlayer::PlayingState;
    const bool loaded = !player_->source().isEmpty();
    play_->setVisible(!playing);
    pause_->setVisible(playing);
    play_->setEnabled(loaded);
    fullScreen_->setEnabled(loaded);
}

void VideoPlayerPane::UpdateTime() {
    time_->setText(FormatTime(player_->position()) + QStringLiteral(" / ") +
                   FormatTime(player_->duration()));
}

bool VideoPlayerPane::eventFilter(QObject* watched, QEvent* event) {
    if (watched != video_) {
        return QWidget::eventFilter(watched, event);
    }
    switch (event->type()) {
        case QEvent::MouseButtonDblClick:
            SetFullScreen(!IsFullScreen());
            return true;
        case QEvent::KeyPress: {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Escape && IsFullScreen()) {
                SetFullScreen(false);
                return true;
            }
            if (key == Qt::Key_Space) {
                TogglePlayPause();
                return true;
            }
            break;
        }
        case QEvent::Close:
            // Closing the full-screen window (Alt+F4) brings the picture back into the page
            // rather than losing it.
            if (IsFullScreen()) {
                event->ignore();
                SetFullScreen(false);
                return true;
            }
            break;
        default:
            break;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace talvex::ui
