#pragma once
// The update check: asks the vendor's notifier page for the newest program and script file.
// A newer program opens the update dialog; otherwise a newer script file is downloaded,
// verified and installed at once, without asking. A check started by the user ends with a
// message (up to date, or why it could not be done); the automatic one shows only the dialog.
//
// The network part runs on a worker of the check's own: Run returns at once and the window
// stays responsive. Shutdown (the window is closing) stops the worker's transfer, waits for it
// and closes an open update dialog, so nothing of the check outlives the engine.
#include <QObject>
#include <QPointer>
#include <atomic>
#include <cstdint>
#include <thread>

#include "ui/UpdateCheckWork.h"

class QWidget;

namespace talvex {
class Engine;
}

namespace talvex::ui {

class CheckUpdateDlg;
class UiPrompts;

class UpdateCheck : public QObject {
    Q_OBJECT
public:
    // owner: the main window, the parent of the dialog and the messages.
    UpdateCheck(Engine& engine, UiPrompts& prompts, QWidget* owner);
    ~UpdateCheck() override;
    UpdateCheck(const UpdateCheck&) = delete;
    UpdateCheck& operator=(const UpdateCheck&) = delete;

    // Starts a check (on the user-interface thread; returns at once). manual: the user asked
    // (Help menu), so the result is always told. While a check is under way another one is not
    // started; a manual request then makes the running check tell its result.
    void Run(bool manual);
    // The automatic check at start: when "NextCheckAutoUpdate" has been reached, stores the
    // next time (a day later) and starts an automatic check. True when one was started.
    bool RunIfDue();
    bool RunIfDue(uint32_t now);
    // Stops a running check and waits for its worker, closes the update dialog; later calls
    // of Run do nothing. Also done by the destructor.
    void Shutdown();

    // A check (its worker, its dialog or its closing message) is under way.
    bool IsBusy() const { return busy_; }
    // The update dialog while it is open.
    CheckUpdateDlg* Dialog() const { return dialog_; }

    // The message texts (built-in English without a language file).
    QString UpToDateText(const QString& scriptVersion) const;
    QString CheckFailedText() const;
    QString ScriptsFailedText() const;

signals:
    // The update dialog is on the screen.
    void dialogOpened(talvex::ui::CheckUpdateDlg* dialog);
    // The installer was started: the program should end now, so that it can be replaced.
    void quitRequested();
    // A check has ended, its dialog or message closed.
    void finished();

private:
    void OnWorkDone(const UpdateCheckOutcome& outcome);
    void ShowOutcome(const UpdateCheckOutcome& outcome, bool manual);
    void JoinWorker();

    Engine& engine_;
    UiPrompts& prompts_;
    QPointer<QWidget> owner_;
    std::thread worker_;
    StopFlag stop_{false};
    std::atomic<bool> manual_{false};
    bool busy_ = false;
    bool shutDown_ = false;
    QPointer<CheckUpdateDlg> dialog_;
};

}  // namespace talvex::ui
