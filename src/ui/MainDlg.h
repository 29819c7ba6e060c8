#pragma once
// The program's only top-level window: the logo, the Help button and its menu, the question
// "What do you want to do?", the tab strip with the four pages, and a line of links. It owns
// the engine and receives the workers' messages (instance command, select tab, item finished,
// update check) as Qt events through its message sink.
//
// Shutting down (Close, or a signal from the session) saves every page's settings and stops
// every item; destroying the window then waits for the workers that still use the engine, and
// only then lets the pages and the engine go.
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "activity/ActivityItem.h"
#include "app/threads/RefPtr.h"

#include "ui/UiPrompts.h"

class QLabel;
class QMenu;
class QPushButton;

namespace talvex {
class Engine;
}

namespace talvex::ui {

class CSimpleTabCtrl;
class CustomButton;
class DStaticText;
class EngineDownloads;
class QtMessageSink;
class RequestLoginDlg;
class TabActivity;
class DesktopNotifier;
class TabConvert;
class TabDownload;
class TabPlay;
class UpdateCheck;

class MainDlg : public QWidget {
    Q_OBJECT
public:
    // How long shutting down waits for workers to let go of their items; after it, what they
    // still use is not destroyed.
    static constexpr int kWorkerWaitMs = 20000;

    // commandLine: the program's own command line, acted on once the window is up.
    MainDlg(std::wstring commandLine, UiPrompts& prompts, QWidget* parent = nullptr);
    ~MainDlg() override;

    Engine& GetEngine() { return *engine_; }
    CSimpleTabCtrl& Tabs() { return *tabs_; }
    TabDownload& DownloadTab() { return *tabDownload_; }
    TabActivity& ActivityTab() { return *tabActivity_; }
    TabConvert& ConvertTab() { return *tabConvert_; }
    TabPlay& PlayTab() { return *tabPlay_; }
    EngineDownloads& Downloads() { return *downloads_; }
    QtMessageSink& Sink() { return *sink_; }
    UpdateCheck& Updates() { return *updateCheck_; }
    // The Help menu as it would open now (rebuilt each time: the language list may change).
    std::unique_ptr<QMenu> BuildHelpMenu();

    // Asks each page to write its settings: Download, Convert, Play, Activity.
    void SaveSettings();
    // Re-texts the window and its pages from the current language.
    void ApplyTexts();
    // Switches to a listed language by its display name and re-texts everything.
    bool SwitchLanguage(const QString& languageName);
    // The close request of the window: saves settings, asks when items run (unless ask is
    // false), stops everything. False when the user kept the window open.
    bool RequestClose(bool ask);
    // Whether everything has been stopped (the window may go).
    bool IsShutDown() const { return shutDown_; }

    // Acts on an instance command line ("/addurl URL", "/download URL").
    void HandleCommandLine(const std::wstring& line);

    // Where notices of work ended in the background go (the session bus's service by
    // default); the window takes ownership.
    void SetNotifier(DesktopNotifier* notifier);
    DesktopNotifier& Notifier() { return *notifier_; }
    // Brings the window to the front on the Activity tab (a notice was clicked).
    void ShowActivity();

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildWindow();
    void OnHelpButton();
    void ShowAbout();
    void OnLink(const QString& id);
    void OpenSitePage(const QString& path);
    void HandleMessage(uint32_t message, uintptr_t wParam, intptr_t lParam);
    void Shutdown();
    void OnItemEnded(const QString& fileName, bool isDownload, bool completed);
    // Waits up to limitMs until no worker holds a stopped item; false when one still does.
    bool WaitForWorkers(int limitMs);

    UiPrompts& prompts_;
    std::wstring commandLine_;
    // Declared first: the engine outlives every page that shows its items.
    std::unique_ptr<QtMessageSink> sink_;
    std::unique_ptr<Engine> engine_;
    std::unique_ptr<RequestLoginDlg> login_;
    std::unique_ptr<UpdateCheck> updateCheck_;
    EngineDownloads* downloads_ = nullptr;
    CSimpleTabCtrl* tabs_ = nullptr;
    TabDownload* tabDownload_ = nullptr;
    TabConvert* tabConvert_ = nullptr;
    TabActivity* tabActivity_ = nullptr;
    TabPlay* tabPlay_ = nullptr;
    QLabel* logo_ = nullptr;
    CustomButton* helpButton_ = nullptr;
    DStaticText* what2do_ = nullptr;
    QLabel* links_ = nullptr;
    DesktopNotifier* notifier_ = nullptr;
    // Items stopped at shutdown, held until their workers have let go of them.
    std::vector<RefPtr<ActivityItem>> stoppedItems_;
    bool shutDown_ = false;
};

}  // namespace talvex::ui
