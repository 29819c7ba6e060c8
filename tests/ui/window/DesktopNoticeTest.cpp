// Notices of work that ended in the background, sent to a notification service on a private
// session bus: what they say, when they are not sent, and that clicking one brings the window
// to the front on the Activity tab.
#include <QAction>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QMenu>
#include <QProcess>
#include <QVariantMap>
#include <QWidget>
#include <vector>

#include "activity/ActivityQueue.h"
#include "app/SettingsStore.h"
#include "engine/Engine.h"
#include "ui/ActivityItemListCtrl.h"
#include "ui/ActivityModel.h"
#include "ui/CSimpleTabCtrl.h"
#include "ui/DesktopNotifier.h"
#include "ui/TabActivity.h"
#include "ui/WorkEndNotice.h"
#include "ui/window/WindowFixture.h"
#include "unit/activity/FakeActivity.h"

namespace talvex::test {

// A stand-in for the desktop's notification service: records what it is asked to show.
class FakeNotificationService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Notice {
        QString app, summary, body;
        QStringList actions;
        QVariantMap hints;
        uint id = 0;
    };
    std::vector<Notice> notices;

public slots:
    uint Notify(const QString& app, uint, const QString&, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints, int) {
        notices.push_back({app, summary, body, actions, hints, ++lastId_});
        return lastId_;
    }

private:
    uint lastId_ = 40;
};

namespace {

// A dbus-daemon of the test's own, ended with the test.
class PrivateBus {
public:
    PrivateBus() {
        daemon_.start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--session"), QStringLiteral("--nofork"),
                       QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1")});
        if (daemon_.waitForStarted(5000) && daemon_.waitForReadyRead(5000)) {
            address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
        }
    }
    ~PrivateBus() {
        daemon_.kill();
        daemon_.waitForFinished(5000);
    }
    bool Up() const { return !address_.isEmpty(); }
    QDBusConnection Connect(const QString& name) {
        return QDBusConnection::connectToBus(address_, name);
    }

private:
    QProcess daemon_;
    QString address_;
};

class DesktopNoticeTest : public WindowFixture {
protected:
    void SetUp() override {
        ASSERT_TRUE(bus_.Up()) << "dbus-daemon did not start";
        service_ = bus_.Connect(QStringLiteral("notice-service"));
        ASSERT_TRUE(service_.registerObject(QStringLiteral("/org/freedesktop/Notifications"),
                                            &fake_, QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(service_.registerService(QStringLiteral("org.freedesktop.Notifications")));
        client_ = bus_.Connect(QStringLiteral("notice-client"));
        ASSERT_TRUE(client_.isConnected());
    }
    void TearDown() override {
        held_.clear();
        WindowFixture::TearDown();
        QDBusConnection::disconnectFromBus(QStringLiteral("notice-client"));
        QDBusConnection::disconnectFromBus(QStringLiteral("notice-service"));
    }

    ui::MainDlg& Open() {
        ui::MainDlg& window = OpenWindow();
        window.SetNotifier(new ui::DesktopNotifier(client_));
        return window;
    }
    // An item of the window's queue, listed while it runs, then ended as asked. The Activity
    // tab need not be shown: its timer still watches for ended items.
    void RunAndEnd(ui::MainDlg& window, ActivityKind kind, const wchar_t* name, ActivityState end) {
        RefPtr<talvex::testing::FakeItem> item(new talvex::testing::FakeItem(kind, name));
        window.GetEngine().GetActivityQueue()->Add(item.get());
        item->SetState(ActivityState::Running);
        ASSERT_TRUE(WaitUntil(
            [&] { return window.ActivityTab().List().Model().RowOf(item.get()) >= 0; }, 5000));
        item->SetState(end);
        held_.push_back(item);
    }

    PrivateBus bus_;
    QDBusConnection service_{QString()};
    QDBusConnection client_{QString()};
    FakeNotificationService fake_;
    std::vector<RefPtr<talvex::testing::FakeItem>> held_;
};

TEST_F(DesktopNoticeTest, WorkEndingInTheBackgroundIsAnnouncedAndTheClickShowsTheActivityTab) {
    ui::MainDlg& window = Open();
    // Another window comes to the front: ours is in the background.
    QWidget elsewhere;
    elsewhere.show();
    elsewhere.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&elsewhere, 5000));
    ASSERT_FALSE(window.isActiveWindow());

    RunAndEnd(window, ActivityKind::Download, L"Holiday.mp4", ActivityState::Completed);
    RunAndEnd(window, ActivityKind::Conversion, L"Holiday.mp3", ActivityState::Failed);
    ASSERT_TRUE(WaitUntil([&] { return fake_.notices.size() == 2; }, 5000));
    EXPECT_EQ(fake_.notices[0].summary, "Download completed");
    EXPECT_EQ(fake_.notices[0].body, "Holiday.mp4");
    EXPECT_EQ(fake_.notices[0].app, "Talvex");
    EXPECT_EQ(fake_.notices[0].hints.value("desktop-entry").toString(), "talvex");
    EXPECT_EQ(fake_.notices[1].summary, "Conversion failed");
    EXPECT_EQ(fake_.notices[1].body, "Holiday.mp3");
    ASSERT_GE(fake_.notices[0].actions.size(), 2);
    EXPECT_EQ(fake_.notices[0].actions[0], "default");

    // Later ticks, and showing the list, announce nothing again.
    window.Tabs().SelectTab(2);
    window.ActivityTab().Refresh();
    QTest::qWait(1200);
    EXPECT_EQ(fake_.notices.size(), 2u);

    // Clicking a notice of some other program does nothing; clicking ours shows the list.
    window.Tabs().SelectTab(0);
    ASSERT_TRUE(WaitUntil([&] { return window.Notifier().OpenNotices() == 2; }, 5000));
    const auto click = [&](uint id) {
        QDBusMessage signal = QDBusMessage::createSignal(
            QStringLiteral("/org/freedesktop/Notifications"),
            QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("ActionInvoked"));
        signal << id << QStringLiteral("default");
        service_.send(signal);
    };
    click(7);
    QTest::qWait(300);
    EXPECT_EQ(window.Tabs().CurrentIndex(), 0);
    click(fake_.notices[0].id);
    EXPECT_TRUE(WaitUntil([&] { return window.Tabs().CurrentIndex() == 2; }, 5000));
    EXPECT_TRUE(WaitUntil([&] { return window.isActiveWindow(); }, 5000));
}

TEST_F(DesktopNoticeTest, NoNoticeWhenTurnedOffInTheHelpMenuOrWhileTheWindowIsActive) {
    ui::MainDlg& window = Open();
    SettingsStore& settings = *window.GetEngine().GetSettings();
    QWidget elsewhere;
    const auto toFront = [](QWidget& w) {
        w.show();
        w.activateWindow();
        return QTest::qWaitForWindowActive(&w, 5000);
    };

    // Off through the menu (stored), with the window in the background: nothing is sent.
    std::unique_ptr<QMenu> menu = window.BuildHelpMenu();
    QAction* toggle = nullptr;
    for (QAction* action : menu->actions()) {
        if (action->isCheckable() && action->text().startsWith("Notify")) {
            toggle = action;
        }
    }
    ASSERT_NE(toggle, nullptr);
    EXPECT_TRUE(toggle->isChecked());
    toggle->trigger();
    EXPECT_EQ(settings.GetNumber(ui::kNotificationsOffSetting), 1u);
    ASSERT_TRUE(toFront(elsewhere));
    RunAndEnd(window, ActivityKind::Download, L"Quiet.mp4", ActivityState::Completed);
    QTest::qWait(1500);

    // On again, but the window is the active one: the user sees the list already.
    ui::SetNotificationsWanted(settings, true);
    ASSERT_TRUE(toFront(window));
    RunAndEnd(window, ActivityKind::Download, L"Seen.mp4", ActivityState::Failed);
    QTest::qWait(1500);
    EXPECT_TRUE(fake_.notices.empty());

    // In the background again: the next one is announced, and only that one.
    ASSERT_TRUE(toFront(elsewhere));
    RunAndEnd(window, ActivityKind::Conversion, L"Later.mp3", ActivityState::Completed);
    ASSERT_TRUE(WaitUntil([&] { return !fake_.notices.empty(); }, 5000));
    QTest::qWait(300);
    ASSERT_EQ(fake_.notices.size(), 1u);
    EXPECT_EQ(fake_.notices[0].body, "Later.mp3");
}

}  // namespace
}  // namespace talvex::test

#include "DesktopNoticeTest.moc"
