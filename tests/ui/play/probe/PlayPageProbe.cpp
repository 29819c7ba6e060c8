// Shows the Play page in a process of its own and prints what it made of the multimedia back
// end, as "key=value" lines. The back end is chosen once per process, so PlayBackendTest runs
// this with GStreamer's plug-in folders pointed elsewhere to see the page without them.
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QTest>
#include <cstdio>

#include "app/SettingsStore.h"
#include "app/StringTable.h"
#include "support/TestHome.h"
#include "ui/TabPlay.h"
#include "ui/common/ScriptedPrompts.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    talvex::test::TestHome home;
    talvex::SettingsStore settings;
    talvex::StringTable strings;
    talvex::test::ScriptedPrompts prompts;
    // One file that plays by its name alone, so a double-click reaches the player.
    talvex::test::WriteFileBytes(home.Root() / "media" / "clip.flv", "x");
    settings.SetString(talvex::setting::MruDirName(1), (home.Root() / "media").wstring());

    talvex::ui::TabPlay page(settings, strings, prompts);
    page.resize(700, 330);
    page.show();
    if (!QTest::qWaitForWindowExposed(&page)) {
        std::printf("exposed=0\n");
        return 1;
    }
    QLabel* link = page.UpgradeLink();
    std::printf("player=%d\n", page.Player() != nullptr ? 1 : 0);
    std::printf("link=%d\n", link != nullptr && link->isVisible() ? 1 : 0);
    if (link != nullptr) {
        std::printf("link-text=%s\n", qPrintable(link->text()));
        // Keyboard: the label takes the focus, Tab reaches its link, Enter follows it.
        link->setFocus();
        QTest::keyClick(link, Qt::Key_Tab);
        QTest::keyClick(link, Qt::Key_Return);
        for (const QUrl& url : prompts.opened) {
            std::printf("opened=%s\n", qPrintable(url.toString()));
        }
    }
    page.PlayFileAt(0);
    std::printf("messages=%d\n", static_cast<int>(prompts.messages.size()));
    return 0;
}
