#include "ui/CheckUpdateDlg.h"

#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <atomic>
#include <mutex>
#include <system_error>

#include "activity/ProgressStatistics.h"
#include "app/StringTable.h"
#include "download/ThreadDownload.h"
#include "engine/Engine.h"
#include "platform/Folders.h"
#include "platform/Utf8.h"
#include "ui/CustomButton.h"
#include "ui/DialogUnits.h"
#include "ui/QtMessageSink.h"
#include "ui/UiPrompts.h"
#include "ui/UiText.h"
#include "ui/UpdateRules.h"

namespace talvex::ui {

// The download thread's observer. The thread may call it while the dialog goes away; the
// dialog detaches first (waiting for a call under way), and the relay itself is freed only
// once the thread has ended.
class CheckUpdateDlg::FinishRelay : public IThreadObserver {
public:
    explicit FinishRelay(CheckUpdateDlg* dialog) : dialog_(dialog) {}

    void OnThreadFinished(std::wstring name, std::wstring result) override {
        std::lock_guard<std::mutex> hold(lock_);
        called_.store(true);
        if (dialog_ != nullptr) {
            dialog_->OnThreadFinished(std::move(name), std::move(result));
        }
    }
    void Detach() {
        std::lock_guard<std::mutex> hold(lock_);
        dialog_ = nullptr;
    }
    // Whether the thread has reported its end.
    bool Called() const { return called_.load(); }

private:
    std::mutex lock_;
    CheckUpdateDlg* dialog_;
    std::atomic<bool> called_{false};
};

namespace {

QLabel* WrappedLabel(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setWordWrap(true);
    return label;
}

// A widget that keeps its place in the layout while hidden, so that nothing moves when the
// download state appears.
template <class Widget>
Widget* KeepingPlace(Widget* widget) {
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
    widget->hide();
    return widget;
}

QString Filled(QString pattern, const QString& value) {
    return pattern.replace(QStringLiteral("%1"), value);
}

}  // namespace

CheckUpdateDlg::CheckUpdateDlg(Engine& engine, UiPrompts& prompts, QString installerUrl,
                               QString version, QString whatsNew, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      engine_(engine),
      prompts_(prompts),
      installerUrl_(std::move(installerUrl)),
      newer_(new QLabel(this)),
      version_(new QLabel(this)),
      clickOn_(WrappedLabel(this)),
      alternatively_(WrappedLabel(this)),
      whatsNewLabel_(new QLabel(this)),
      whatsNew_(new QPlainTextEdit(this)),
      progress_(KeepingPlace(new QProgressBar(this))),
      status_(KeepingPlace(new QLabel(this))),
      speed_(KeepingPlace(new QLabel(this))),
      timeLeft_(KeepingPlace(new QLabel(this))),
      install_(new CustomButton(this)),
      remind_(new CustomButton(this)),
      timer_(new QTimer(this)),
      sink_(std::make_unique<QtMessageSink>(this)) {
    setModal(true);
    const DialogUnits du(font());

    QFont bold = version_->font();
    bold.setBold(true);
    version_->setFont(bold);
    version_->setText(version);
    version_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    version_->setAccessibleName(QStringLiteral("New version"));

    whatsNew_->setReadOnly(true);
    whatsNew_->setPlainText(whatsNew);
    whatsNewLabel_->setBuddy(whatsNew_);

    progress_->setRange(0, 100);
    progress_->setTextVisible(false);
    progress_->setAccessibleName(QStringLiteral("Download progress"));

    install_->SetColors(ButtonColors::Red());
    remind_->SetColors(ButtonColors::Grey());
    for (CustomButton* button : {install_, remind_}) {
        button->setFocusPolicy(Qt::StrongFocus);
        button->setMinimumSize(du.X(90), du.Y(15));
    }
    QFont buttonFont = install_->font();
    buttonFont.setBold(true);
    install_->setFont(buttonFont);

    // The version right after the sentence that announces it.
    auto* versionRow = new QHBoxLayout;
    versionRow->addWidget(newer_);
    versionRow->addWidget(version_);
    versionRow->addStretch(1);

    auto* stateRow = new QHBoxLayout;
    stateRow->addWidget(status_, 2);
    stateRow->addWidget(speed_, 1);
    stateRow->addWidget(timeLeft_, 1);

    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch(1);
    buttonRow->addWidget(install_);
    buttonRow->addWidget(remind_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(du.X(7), du.Y(7), du.X(7), du.Y(7));
    layout->setSpacing(du.Y(3));
    layout->addLayout(versionRow);
    layout->addWidget(clickOn_);
    layout->addWidget(alternatively_);
    layout->addWidget(whatsNewLabel_);
    layout->addWidget(whatsNew_, 1);
    layout->addWidget(progress_);
    layout->addLayout(stateRow);
    layout->addLayout(buttonRow);
    setFixedSize(du.Size(314, 195));

    ApplyTexts();

    timer_->setInterval(kRefreshMs);
    connect(timer_, &QTimer::timeout, this, &CheckUpdateDlg::OnRefresh);
    connect(install_, &QAbstractButton::clicked, this, &CheckUpdateDlg::InstallNow);
    connect(remind_, &QAbstractButton::clicked, this, [this] { done(kNotNow); });
    setTabOrder(install_, remind_);
    setTabOrder(remind_, whatsNew_);
    install_->setFocus();
}

CheckUpdateDlg::~CheckUpdateDlg() {
    blockSignals(true);
    StopDownload();
    sink_->Detach();
}

QString CheckUpdateDlg::GetText(const wchar_t* key, const wchar_t* builtIn) const {
    return Text(*engine_.GetStringTable(), key, builtIn);
}

void CheckUpdateDlg::ApplyTexts() {
    setWindowTitle(GetText(L"dlg.checkupd.title", L"Update available"));
    newer_->setText(
        GetText(L"dlg.ckeckupd.lbl.anewer", L"A newer version of Talvex is available:"));
    clickOn_->setText(
        GetText(L"dlg.checkupd.lbl.clickon", L"Click on Install Now to download the new version."));
    alternatively_->setText(
        GetText(L"dlg.checkupd.lbl.alternatively",
                L"Alternatively, you can download the newest version from the Talvex web site."));
    whatsNewLabel_->setText(GetText(L"dlg.checkupd.lbl.whatsnew", L"What's new:"));
    status_->setText(QStringLiteral("Status:"));
    speed_->setText(Filled(GetText(L"dlg.checkupd.lbl.speed", L"Speed: %1"), QString()));
    timeLeft_->setText(Filled(GetText(L"dlg.checkupd.lbl.eta", L"ETA: %1"), QString()));
    install_->setText(GetText(L"dlg.checkupd.btn.installnow", L"Install Now"));
    remind_->setText(GetText(L"dlg.checkupd.btn.remind", L"Remind me next time"));
    for (QLabel* label : {newer_, clickOn_, alternatively_, whatsNewLabel_}) {
        label->setAccessibleName(label->text());
    }
    whatsNew_->setAccessibleName(whatsNewLabel_->text());
    install_->setAccessibleName(install_->text());
    remind_->setAccessibleName(remind_->text());
}

void CheckUpdateDlg::InstallNow() {
    if (downloading_) {
        return;
    }
    if (engine_.GetActivityQueue()->HasActiveItems()) {
        const QString question = GetText(
            L"dlg.ckeckupd.msgbx.runningitems",
            L"You are currently downloading or converting video(s). This will stop all active "
            L"video downloads or conversions. Are you sure you want to do this?");
        if (prompts_.Message(this, MessageIcon::Warning, MessageButtons::YesNo, question) !=
            MessageAnswer::Yes) {
            return;
        }
        engine_.StopAll();
    }
    const std::wstring url = installerUrl_.toStdWString();
    if (!IsHttpsAddress(url)) {
        ShowFailure(GetText(L"dlg.checkupd.lbl.dwnldstatus.failed", L"Download failed"));
        return;
    }
    const std::filesystem::path folder = DataFolder();
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    installerPath_ = folder / WideToUtf8(InstallerFileName(url));

    statistics_ = std::make_unique<ProgressStatistics>();
    startReported_ = false;
    link_ = std::make_shared<MessageSinkLink>(sink_.get());
    relay_ = std::make_unique<FinishRelay>(this);
    auto* thread = new ThreadDownload(static_cast<IEngine*>(&engine_), url,
                                      Utf8ToWide(installerPath_.string()), link_);
    thread->name = L"Installer download";
    thread->observer = relay_.get();
    StartedThread started;
    if (!engine_.GetThreadManager()->StartThread(thread, &started)) {
        delete thread;
        relay_.reset();
        link_->Detach();
        ShowFailure(GetText(L"dlg.checkupd.lbl.dwnldstatus.failed", L"Download failed"));
        return;
    }
    thread_ = started;
    downloading_ = true;

    progress_->setValue(0);
    status_->setText(GetText(L"dlg.checkupd.lbl.dwnldstatus.started", L"Download started"));
    speed_->setText(Filled(GetText(L"dlg.checkupd.lbl.speed", L"Speed: %1"), QString()));
    timeLeft_->setText(Filled(GetText(L"dlg.checkupd.lbl.eta", L"ETA: %1"), QString()));
    for (QWidget* widget : {static_cast<QWidget*>(progress_), static_cast<QWidget*>(status_),
                            static_cast<QWidget*>(speed_), static_cast<QWidget*>(timeLeft_)}) {
        widget->show();
    }
    install_->setEnabled(false);
    remind_->setEnabled(false);
    timer_->start();
}

bool CheckUpdateDlg::event(QEvent* event) {
    if (event->type() != SinkEvent::EventType()) {
        return QDialog::event(event);
    }
    const auto* message = static_cast<SinkEvent*>(event);
    if (!downloading_ || !statistics_) {
        return true;
    }
    switch (message->message) {
        case kMsgDownloadSize:
            statistics_->OnSize(message->wParam);
            break;
        case kMsgDownloadProgress:
            // The first report carries the start tick, the later ones the bytes so far.
            if (!startReported_) {
                startReported_ = true;
                statistics_->OnStart(message->wParam);
            } else {
                statistics_->Update(message->wParam, message->wParam, 0.0, 0.0);
            }
            break;
        case kMsgDownloadComplete:
            statistics_->OnComplete();
            break;
        default:
            break;
    }
    return true;
}

void CheckUpdateDlg::OnRefresh() {
    if (!downloading_ || !statistics_) {
        return;
    }
    const ProgressStatistics::ProgressText figures =
        ProgressStatistics::FormatProgress(*statistics_, engine_.GetStringTable());
    speed_->setText(Filled(GetText(L"dlg.checkupd.lbl.speed", L"Speed: %1"),
                           QString::fromStdWString(figures.speed)));
    timeLeft_->setText(Filled(GetText(L"dlg.checkupd.lbl.eta", L"ETA: %1"),
                              QString::fromStdWString(figures.timeLeft)));
    progress_->setValue(figures.percent);
    // A thread whose job failed with an exception ends without a report: it failed.
    if (thread_.handle && thread_.handle->Ended() && relay_ && !relay_->Called()) {
        OnDownloadFinished(L"Failed");
    }
}

void CheckUpdateDlg::OnThreadFinished(std::wstring, std::wstring result) {
    QMetaObject::invokeMethod(
        this, [this, result = std::move(result)] { OnDownloadFinished(result); },
        Qt::QueuedConnection);
}

void CheckUpdateDlg::OnDownloadFinished(const std::wstring& result) {
    if (!downloading_) {
        return;
    }
    downloading_ = false;
    timer_->stop();
    speed_->hide();
    timeLeft_->hide();
    ReleaseRelay();
    if (!result.empty()) {
        ShowFailure(GetText(L"dlg.checkupd.lbl.dwnldstatus.failed", L"Download failed"));
        emit downloadEnded();
        return;
    }
    status_->setText(GetText(L"dlg.checkupd.lbl.dwnldstatus.completed", L"Download completed"));
    progress_->setValue(100);
    emit downloadEnded();
    // The desktop's handler for the file's kind (a package installer, an archive manager)
    // opens it; nothing is run through a shell.
    if (prompts_.OpenUrl(QUrl::fromLocalFile(QString::fromStdString(installerPath_.string())))) {
        done(kInstallerStarted);
        return;
    }
    ShowFailure(GetText(L"dlg.checkupd.lbl.dwnldstatus.failed.inst", L"Installation failed"));
}

void CheckUpdateDlg::ShowFailure(const QString& status) {
    status_->setText(status);
    status_->show();
    install_->setText(GetText(L"dlg.checkupd.btn.tryagain", L"Try again"));
    install_->setAccessibleName(install_->text());
    install_->setEnabled(true);
    remind_->setEnabled(true);
    install_->setFocus();
}

void CheckUpdateDlg::StopDownload() {
    timer_->stop();
    if (!downloading_) {
        return;
    }
    downloading_ = false;
    engine_.GetThreadManager()->StopThread(thread_.threadId);
    link_->Detach();
    ReleaseRelay();
    emit downloadEnded();
}

void CheckUpdateDlg::ReleaseRelay() {
    if (!relay_) {
        return;
    }
    relay_->Detach();
    if (thread_.handle && !thread_.handle->Wait(kCloseWaitMs)) {
        // The thread still runs and may still hold the relay: it is left to the thread.
        (void)relay_.release();
        return;
    }
    relay_.reset();
}

void CheckUpdateDlg::reject() {
    StopDownload();
    done(kNotNow);
}

void CheckUpdateDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    emit opened();
}

}  // namespace talvex::ui
