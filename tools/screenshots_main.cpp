// talvex-screenshots: opens the real main window (under Xvfb, against the local imitation of the
// video site that tools/screenshots.sh starts) and saves pictures of it for the docs: the
// Download tab, the Help menu open, the Activity tab with a completed, a failed, a running and a
// paused download, the Convert tab, the Play tab playing the completed download, the About box
// and the manual conversion dialog.
//
//   talvex-screenshots OUTPUT-FOLDER SUFFIX
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QListWidget>
#include <QMenu>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <cstdio>

#include "activity/ActivityQueue.h"
#include "engine/Engine.h"
#include "ui/CSimpleTabCtrl.h"
#include "ui/ConvManualDlg.h"
#include "ui/MainDlg.h"
#include "ui/TabActivity.h"
#include "ui/TabDownload.h"
#include "ui/TabPlay.h"
#include "ui/UiPrompts.h"

using namespace talvex;

namespace {

template <class Pred>
bool WaitUntil(Pred pred, int limitMs) {
    QElapsedTimer timer;
    timer.start();
    while (!pred()) {
        if (timer.elapsed() > limitMs) {
            return false;
        }
        QApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(20);
    }
    return true;
}

void Settle(int ms) {
    WaitUntil([] { return false; }, ms);
}

bool Save(const QRect& area, const QString& file) {
    QScreen* screen = QGuiApplication::primaryScreen();
    const QPixmap picture = screen->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    const bool saved = picture.save(file);
    std::printf("%s %s\n", saved ? "saved" : "could not save", qPrintable(file));
    return saved;
}

int CountIn(ActivityQueue& queue, ActivityState state) {
    int count = 0;
    for (const auto& item : queue.Items()) {
        count += item->state.load() == state ? 1 : 0;
    }
    return count;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fputs("usage: talvex-screenshots OUTPUT-FOLDER SUFFIX\n", stderr);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const QString suffix = QString::fromLocal8Bit(argv[2]);
    QDir().mkpath(folder);
    auto path = [&](const char* name) { return folder + "/" + name + suffix + ".png"; };

    ui::QtUiPrompts prompts;
    ui::MainDlg window(L"", prompts);
    window.show();
    window.activateWindow();
    Settle(800);
    const QRect frame = window.frameGeometry();
    bool ok = Save(frame, path("main-download"));

    std::unique_ptr<QMenu> menu = window.BuildHelpMenu();
    // Where the Help button opens it: below the button's bottom-left corner.
    menu->popup(window.mapToGlobal(QPoint(window.width() - menu->sizeHint().width() - 12, 52)));
    Settle(500);
    ok = Save(frame.united(menu->geometry()), path("help-menu")) && ok;
    menu->close();
    Settle(200);

    // Four downloads: one that completes, one whose page does not exist, and two slow ones of
    // which one is paused.
    ActivityQueue& queue = *window.GetEngine().GetActivityQueue();
    window.DownloadTab().AddUrls(
        "http://www.youtube.com/watch?v=aHDtour2011\r\n"
        "http://www.youtube.com/watch?v=noSuchVideo\r\n"
        "http://www.youtube.com/watch?v=slowStream1&t=1\r\n"
        "http://www.youtube.com/watch?v=slowStream1&t=2\r\n",
        true);
    if (!WaitUntil(
            [&] {
                return CountIn(queue, ActivityState::Completed) == 1 &&
                       CountIn(queue, ActivityState::Failed) == 1 &&
                       CountIn(queue, ActivityState::Running) == 2;
            },
            60000)) {
        std::fputs("talvex-screenshots: the downloads did not reach their states\n", stderr);
        return 1;
    }
    Settle(2500);
    for (const auto& item : queue.Items()) {
        if (item->state.load() == ActivityState::Running) {
            queue.PauseSelected({item.get()});
            break;
        }
    }
    WaitUntil([&] { return CountIn(queue, ActivityState::Paused) == 1; }, 15000);
    Settle(1500);
    window.ActivityTab().Refresh();
    Settle(300);
    ok = Save(window.frameGeometry(), path("main-activity")) && ok;

    // The Convert tab, and the Play tab playing the completed download.
    window.Tabs().SelectTab(1);
    Settle(500);
    ok = Save(window.frameGeometry(), path("main-convert")) && ok;
    window.Tabs().SelectTab(3);
    window.PlayTab().FillFileList();
    Settle(500);
    for (int row = 0; row < window.PlayTab().FileList()->count(); ++row) {
        if (window.PlayTab().FileList()->item(row)->text().endsWith(".mp4")) {
            window.PlayTab().FileList()->setCurrentRow(row);
            window.PlayTab().PlayFileAt(row);
            break;
        }
    }
    Settle(2500);
    ok = Save(window.frameGeometry(), path("main-play")) && ok;

    // Dialogs are modal: pictured from inside their own event loop, then closed.
    auto pictureModal = [&](const char* name) {
        QTimer::singleShot(900, [&, name] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                ok = Save(modal->frameGeometry(), path(name)) && ok;
                modal->close();
            }
        });
    };
    pictureModal("about");
    window.BuildHelpMenu()->actions().last()->trigger();
    window.Tabs().SelectTab(1);
    pictureModal("manual-conversion");
    ui::ConvManualDlg manual(*window.GetEngine().GetStringTable(),
                             *window.GetEngine().GetSettings(), prompts, &window);
    manual.Ask(L"");

    window.RequestClose(false);
    return ok ? 0 : 1;
}
