// The main window's own rules: the Help menu, switching language at run time, acting on an
// instance command line, and the question before closing while items run.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTimer>
#include <set>
#include <thread>

#include <QCheckBox>
#include "app/SettingsStore.h"
#include "app/StringTable.h"
#include "engine/Engine.h"
#include "platform/Folders.h"
#include "platform/MessageSink.h"
#include "ui/CSimpleTabCtrl.h"

#include "ui/CustomButton.h"
#include "ui/HyperlinkLabel.h"
#include "ui/QtMessageSink.h"
#include "ui/TabDownload.h"
#include "ui/window/WindowFixture.h"
#include "unit/activity/FakeActivity.h"

namespace talvex::test {
namespace {

QStringList ActionTexts(const QMenu& menu) {
    QStringList texts;
    for (const QAction* action : menu.actions()) {
        if (!action->isSeparator()) {
            texts << action->text() + (action->isEnabled() ? "" : " (disabled)");
        }
    }
    return texts;
}

QMenu* Submenu(const QMenu& menu) {
    for (const QAction* action : menu.actions()) {
        if (action->menu() != nullptr) {
            return action->menu();
        }
    }
    return nullptr;
}

using MainWindowTest = WindowFixture;

TEST_F(MainWindowTest, HelpMenuOffersPagesLanguagesAndTheAboutBox) {
    ui::MainDlg& window = OpenWindow();
    std::unique_ptr<QMenu> menu = window.BuildHelpMenu();
    EXPECT_EQ(ActionTexts(*menu),
              QStringList({"Talvex Help", "Frequently Asked Questions", "Supported Sites",
                           "Check for Updates", "Choose Language",
                           "Notify When Work Ends in the Background", "About Talvex"}));
    QMenu* languages = Submenu(*menu);
    ASSERT_NE(languages, nullptr);
    QStringList names;
    for (const QAction* action : languages->actions()) {
        names << action->text() + (action->isChecked() ? " *" : "");
    }
    // Every installed language file, the current one checked.
    EXPECT_EQ(names.size(), 3);
    EXPECT_TRUE(names.contains("English *")) << names.join(", ").toStdString();

    // "About Talvex" opens the About box, modal to the window.
    QString aboutTitle;
    QTimer::singleShot(0, [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            aboutTitle = modal->windowTitle();
            modal->close();
        }
    });
    menu->actions().last()->trigger();
    EXPECT_EQ(aboutTitle, "About Talvex");

    // The help page opens from the bundled pages when no site is configured, and from the
    // configured site otherwise.
    menu->actions().at(0)->trigger();
    ASSERT_EQ(prompts_.opened.size(), 1u);
    EXPECT_TRUE(prompts_.opened[0].isLocalFile());
    EXPECT_TRUE(prompts_.opened[0].toLocalFile().endsWith("/pages/help.html"));
    window.GetEngine().GetSettings()->SetString(setting::kSiteUrl, L"www.example.test/");
    window.BuildHelpMenu()->actions().at(1)->trigger();
    ASSERT_EQ(prompts_.opened.size(), 2u);
    EXPECT_EQ(prompts_.opened[1].toString(), "http://www.example.test/faq.html");
}

TEST_F(MainWindowTest, SwitchingLanguageRetextsWindowAndPagesAndIsStored) {
    ui::MainDlg& window = OpenWindow();
    std::unique_ptr<QMenu> menu = window.BuildHelpMenu();
    QMenu* languages = Submenu(*menu);
    ASSERT_NE(languages, nullptr);
    QAction* other = nullptr;
    for (QAction* action : languages->actions()) {
        if (!action->isChecked()) {
            other = action;
        }
    }
    ASSERT_NE(other, nullptr);
    const QString before = window.Tabs().TabTitle(0);
    const QString downloadButtonBefore = window.DownloadTab().DownloadButton()->text();
    other->trigger();

    const std::wstring id = window.GetEngine().GetSettings()->GetLanguage();
    EXPECT_NE(id, L"1033");
    StringTable expected;
    ASSERT_TRUE(expected.LoadLanguage(ResourceFolder(), id));
    EXPECT_EQ(window.Tabs().TabTitle(0).toStdWString(),
              expected.GetText(L"tab.name.download", L"Download"));
    EXPECT_NE(window.Tabs().TabTitle(0), before);
    EXPECT_EQ(window.DownloadTab().DownloadButton()->text().toStdWString(),
              expected.GetText(L"dlg.main.btn.download", L"DOWNLOAD"));
    EXPECT_NE(window.DownloadTab().DownloadButton()->text(), downloadButtonBefore);
    // The next menu is in the new language, with the new language checked.
    std::unique_ptr<QMenu> again = window.BuildHelpMenu();
    EXPECT_EQ(again->actions().at(0)->text().toStdWString(),
              expected.GetText(L"menu.item.help", L"Talvex Help"));
}

TEST_F(MainWindowTest, InstanceCommandLinesFillTheAddressBoxAndMalformedOnesAreIgnored) {
    ui::MainDlg& window = OpenWindow(L"/addurl http://www.youtube.com/watch?v=aHDtour2011");
    window.Tabs().SelectTab(2);
    // The window acts on its own command line once its event loop runs.
    ASSERT_TRUE(WaitUntil(
        [&] { return !window.DownloadTab().AddressBox()->toPlainText().isEmpty(); }, 2000));
    EXPECT_EQ(window.Tabs().CurrentIndex(), 0);
    EXPECT_EQ(window.DownloadTab().AddressBox()->toPlainText(),
              "http://www.youtube.com/watch?v=aHDtour2011\n");

    // Text after an unquoted value that is not an option: the whole line is ignored.
    window.HandleCommandLine(L"/addurl http://www.youtube.com/watch?v=other12345 trailing");
    EXPECT_EQ(window.DownloadTab().AddressBox()->toPlainText(),
              "http://www.youtube.com/watch?v=aHDtour2011\n");
    window.HandleCommandLine(L"/ADDURL \"http://www.youtube.com/watch?v=sd360only01\"");
    EXPECT_TRUE(window.DownloadTab().AddressBox()->toPlainText().contains("sd360only01"));
}

TEST_F(MainWindowTest, CloseAsksWhileItemsRunAndNoKeepsEverything) {
    ui::MainDlg& window = OpenWindow();
    ActivityQueue& queue = *window.GetEngine().GetActivityQueue();
    RefPtr<talvex::testing::FakeItem> running(
        new talvex::testing::FakeItem(ActivityKind::Download));
    queue.Add(running.get());
    ASSERT_EQ(running->state.load(), ActivityState::Running);

    prompts_.answers = {ui::MessageAnswer::No};
    EXPECT_FALSE(window.close());
    ASSERT_EQ(prompts_.messages.size(), 1u);
    EXPECT_EQ(prompts_.messages[0].icon, ui::MessageIcon::Warning);
    EXPECT_EQ(prompts_.messages[0].buttons, ui::MessageButtons::YesNo);
    EXPECT_TRUE(prompts_.messages[0].text.startsWith("You are currently downloading"));
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(queue.Contains(running.get()));
    EXPECT_EQ(running->state.load(), ActivityState::Running);
    // The pages' settings were written anyway.
    EXPECT_FALSE(
        window.GetEngine().GetSettings()->GetString(setting::kDownloadDirectory, L"").empty());

    prompts_.answers = {ui::MessageAnswer::Yes};
    EXPECT_TRUE(window.close());
    EXPECT_TRUE(window.IsShutDown());
    EXPECT_EQ(running->state.load(), ActivityState::Canceled);
    EXPECT_FALSE(queue.Contains(running.get()));
}

TEST_F(MainWindowTest, CloseWithNothingRunningDoesNotAsk) {
    ui::MainDlg& window = OpenWindow();
    RefPtr<talvex::testing::FakeItem> done(new talvex::testing::FakeItem(ActivityKind::Download));
    window.GetEngine().GetActivityQueue()->Add(done.get());
    done->SetState(ActivityState::Completed);
    EXPECT_TRUE(window.close());
    EXPECT_TRUE(prompts_.messages.empty());
}

TEST_F(MainWindowTest, PostedMessagesSelectTabsAndFinishItemsOnTheWindowThread) {
    ui::MainDlg& window = OpenWindow();
    std::thread worker([&] { window.Sink().Post(kMsgSelectTab, 2, 0); });
    worker.join();
    ASSERT_TRUE(WaitUntil([&] { return window.Tabs().CurrentIndex() == 2; }, 2000));

    // A finished download's follow-up conversion is queued when its notice is handled.
    ActivityQueue& queue = *window.GetEngine().GetActivityQueue();
    RefPtr<talvex::testing::FakeItem> download(
        new talvex::testing::FakeItem(ActivityKind::Download));
    RefPtr<talvex::testing::FakeItem> conversion(
        new talvex::testing::FakeItem(ActivityKind::Conversion));
    download->followUp.Store(conversion.get());
    queue.Add(download.get());
    download->SetOutputPath(L"/tmp/video.mp4");
    download->SetState(ActivityState::Completed);
    std::thread finisher([&] {
        window.Sink().Post(kMsgItemFinished, reinterpret_cast<uintptr_t>(download.get()), 0);
    });
    finisher.join();
    ASSERT_TRUE(WaitUntil([&] { return queue.Contains(conversion.get()); }, 2000));
    EXPECT_EQ(conversion->sourcePath, L"/tmp/video.mp4");
}

TEST_F(MainWindowTest, TabReachesEveryEnabledControlAndTheAddressBoxHasTheFocusAtStart) {
    ui::MainDlg& window = OpenWindow();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    ui::TabDownload& page = window.DownloadTab();
    EXPECT_EQ(QApplication::focusWidget(), page.AddressBox());

    std::set<QWidget*> visited;
    for (int i = 0; i < 40 && QApplication::focusWidget() != nullptr; ++i) {
        visited.insert(QApplication::focusWidget());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    const QList<QWidget*> expected = {
        page.AddressBox(),     page.PasteButton(),    page.BrowseButton(), page.FolderLink(),
        page.AutoConvertBox(), page.DownloadButton(), &window.Tabs()};
    for (QWidget* widget : expected) {
        EXPECT_TRUE(visited.count(widget)) << widget->metaObject()->className();
    }
    // The Help button and the link line on the window's background, too.
    bool help = false, links = false;
    for (QWidget* widget : visited) {
        help = help || widget->accessibleName() == "Help";
        links = links || (qobject_cast<QLabel*>(widget) != nullptr &&
                          static_cast<QLabel*>(widget)->text().contains("Contact Us"));
    }
    EXPECT_TRUE(help);
    EXPECT_TRUE(links);
}

}  // namespace
}  // namespace talvex::test
