#pragma once
// The update dialog: tells of a newer program and what changed in it, and on Install Now
// downloads the installer into the data folder on a thread of the engine's thread manager,
// showing progress, speed and time left, then opens it with the desktop's handler for its kind
// of file. Ends with kInstallerStarted once the installer was opened (the program should then
// end so that it can be replaced) and with kNotNow otherwise. A failed download or a failed
// start offers "Try again".
#include <QDialog>
#include <QString>
#include <filesystem>
#include <memory>
#include <string>

#include "app/threads/IThreadManager.h"
#include "app/threads/IThreadObserver.h"

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QTimer;

namespace talvex {
class Engine;
class MessageSinkLink;
class ProgressStatistics;
}  // namespace talvex

namespace talvex::ui {

class CustomButton;
class QtMessageSink;
class UiPrompts;

class CheckUpdateDlg : public QDialog, public IThreadObserver {
    Q_OBJECT
public:
    static constexpr int kInstallerStarted = 100;
    static constexpr int kNotNow = 1125;
    // How often the progress figures are refreshed.
    static constexpr int kRefreshMs = 100;
    // How long closing waits for a stopped download to end. A stopped transfer ends with its
    // next piece of data; one from a stalled server may not, and it no longer reaches the
    // dialog, so the window is not held for it.
    static constexpr int kCloseWaitMs = 3000;

    // installerUrl must be an https address (anything else is never fetched); version and
    // whatsNew are shown as they are.
    CheckUpdateDlg(Engine& engine, UiPrompts& prompts, QString installerUrl, QString version,
                   QString whatsNew, QWidget* parent = nullptr);
    ~CheckUpdateDlg() override;

    // Install Now (and Try again).
    void InstallNow();
    bool IsDownloading() const { return downloading_; }
    // Where the installer is (being) saved; empty before the first Install Now.
    const std::filesystem::path& InstallerPath() const { return installerPath_; }

    // On the ending download thread.
    void OnThreadFinished(std::wstring name, std::wstring result) override;

    CustomButton* InstallButton() const { return install_; }
    CustomButton* RemindButton() const { return remind_; }
    QLabel* VersionLabel() const { return version_; }
    QPlainTextEdit* WhatsNewBox() const { return whatsNew_; }
    QProgressBar* ProgressBar() const { return progress_; }
    QLabel* StatusLabel() const { return status_; }
    QLabel* SpeedLabel() const { return speed_; }
    QLabel* TimeLeftLabel() const { return timeLeft_; }

signals:
    // The dialog is on the screen.
    void opened();
    // A download ended (completed, failed or stopped); the dialog shows the result.
    void downloadEnded();

public slots:
    // Closing (the close button, Escape): stops a running download and ends with kNotNow.
    void reject() override;

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    class FinishRelay;

    void ApplyTexts();
    void OnRefresh();
    void OnDownloadFinished(const std::wstring& result);
    void ShowFailure(const QString& status);
    // Stops a running download; the thread no longer reaches the dialog afterwards.
    void StopDownload();
    // Lets go of the relay once the thread has ended (or leaves it to the thread when that
    // does not end in time).
    void ReleaseRelay();
    QString GetText(const wchar_t* key, const wchar_t* builtIn) const;

    Engine& engine_;
    UiPrompts& prompts_;
    const QString installerUrl_;
    std::filesystem::path installerPath_;

    QLabel* newer_;
    QLabel* version_;
    QLabel* clickOn_;
    QLabel* alternatively_;
    QLabel* whatsNewLabel_;
    QPlainTextEdit* whatsNew_;
    QProgressBar* progress_;
    QLabel* status_;
    QLabel* speed_;
    QLabel* timeLeft_;
    CustomButton* install_;
    CustomButton* remind_;
    QTimer* timer_;

    std::unique_ptr<QtMessageSink> sink_;
    std::shared_ptr<MessageSinkLink> link_;
    std::unique_ptr<FinishRelay> relay_;
    std::unique_ptr<ProgressStatistics> statistics_;
    StartedThread thread_;
    bool downloading_ = false;
    bool startReported_ = false;
};

}  // namespace talvex::ui
