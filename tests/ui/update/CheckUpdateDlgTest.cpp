// The update dialog: its texts, the installer download over https with progress, speed and
// time left, opening the installer, the failure paths with "Try again", running items, and
// closing while the download runs.
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTimer>
#include <random>

#include "app/threads/DThreadManager.h"
#include "ui/CheckUpdateDlg.h"
#include "ui/CustomButton.h"
#include "ui/update/UpdateTestSupport.h"
#include "unit/activity/FakeActivity.h"

namespace talvex::test {
namespace {

constexpr int kDownloadLimitMs = 30000;

std::string RandomBytes(size_t size) {
    std::mt19937 random(7);
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(random() & 0xff);
    }
    return bytes;
}

class CheckUpdateDlgTest : public UpdateFixture {
protected:
    std::unique_ptr<ui::CheckUpdateDlg> Dialog(const std::string& url) {
        auto dialog = std::make_unique<ui::CheckUpdateDlg>(
            *engine_, prompts_, QString::fromStdString(url), QStringLiteral("3.6"),
            QStringLiteral("Faster downloads.\nTwo new sites."), &window_);
        QObject::connect(dialog.get(), &ui::CheckUpdateDlg::downloadEnded,
                         [this] { ++downloadsEnded_; });
        dialog->show();
        return dialog;
    }
    bool WaitForDownloadEnd(int count) {
        return RunEventsUntil([&] { return downloadsEnded_ >= count; }, kDownloadLimitMs);
    }
    size_t ThreadCount() {
        return static_cast<DThreadManager*>(engine_->GetThreadManager())->ThreadCount();
    }
    std::filesystem::path Installed(const char* name) const { return home_.DataFolder() / name; }

    int downloadsEnded_ = 0;
};

TEST_F(CheckUpdateDlgTest, ShowsTheNewVersionAndItsChangesAndRemindsLater) {
    auto dialog = Dialog(Https("/talvex-3.6.deb"));
    EXPECT_EQ(dialog->windowTitle(), "Update available");
    EXPECT_EQ(dialog->VersionLabel()->text(), "3.6");
    EXPECT_EQ(dialog->WhatsNewBox()->toPlainText(), "Faster downloads.\nTwo new sites.");
    EXPECT_TRUE(dialog->WhatsNewBox()->isReadOnly());
    EXPECT_EQ(dialog->InstallButton()->text(), "Install Now");
    EXPECT_EQ(dialog->RemindButton()->text(), "Remind me next time");
    for (QWidget* hidden :
         {static_cast<QWidget*>(dialog->ProgressBar()),
          static_cast<QWidget*>(dialog->StatusLabel()), static_cast<QWidget*>(dialog->SpeedLabel()),
          static_cast<QWidget*>(dialog->TimeLeftLabel())}) {
        EXPECT_FALSE(hidden->isVisible());
    }
    dialog->RemindButton()->click();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), ui::CheckUpdateDlg::kNotNow);
    EXPECT_TRUE(nginx_.AccessLog().empty());
}

TEST_F(CheckUpdateDlgTest, TheInstallerArrivesWithProgressAndIsOpenedByTheDesktop) {
    const std::string installer = RandomBytes(1200 * 1024);
    Publish("slow/talvex-3.6.deb", installer);
    auto dialog = Dialog(Https("/slow/talvex-3.6.deb"));

    // What the dialog showed while the download ran.
    std::vector<int> percents;
    QString speedSeen, timeLeftSeen;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        if (dialog->IsDownloading()) {
            percents.push_back(dialog->ProgressBar()->value());
            if (dialog->SpeedLabel()->text().contains("KB/s") ||
                dialog->SpeedLabel()->text().contains("MB/s")) {
                speedSeen = dialog->SpeedLabel()->text();
                timeLeftSeen = dialog->TimeLeftLabel()->text();
            }
        }
    });
    sampler.start(50);

    dialog->InstallButton()->click();
    EXPECT_TRUE(dialog->IsDownloading());
    EXPECT_FALSE(dialog->InstallButton()->isEnabled());
    EXPECT_FALSE(dialog->RemindButton()->isEnabled());
    EXPECT_TRUE(dialog->ProgressBar()->isVisible());
    EXPECT_TRUE(dialog->SpeedLabel()->isVisible());
    EXPECT_EQ(dialog->StatusLabel()->text(), "Download started");
    ASSERT_TRUE(WaitForDownloadEnd(1));
    sampler.stop();

    EXPECT_EQ(dialog->StatusLabel()->text(), "Download completed");
    EXPECT_EQ(dialog->ProgressBar()->value(), 100);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), ui::CheckUpdateDlg::kInstallerStarted);
    // Saved under its own name in the data folder, whole, and handed to the desktop.
    EXPECT_EQ(dialog->InstallerPath(), Installed("talvex-3.6.deb"));
    EXPECT_TRUE(ReadFileBytes(Installed("talvex-3.6.deb")) == installer);
    ASSERT_EQ(prompts_.opened.size(), 1u);
    EXPECT_EQ(prompts_.opened[0],
              QUrl::fromLocalFile(QString::fromStdString(Installed("talvex-3.6.deb").string())));
    // Progress was shown on the way, rising, and with a speed and a time left.
    ASSERT_FALSE(percents.empty());
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
    EXPECT_TRUE(
        std::any_of(percents.begin(), percents.end(), [](int p) { return p > 0 && p < 100; }));
    EXPECT_TRUE(speedSeen.startsWith("Speed: ")) << speedSeen.toStdString();
    EXPECT_TRUE(timeLeftSeen.startsWith("ETA: ")) << timeLeftSeen.toStdString();
    EXPECT_EQ(ThreadCount(), 0u);
}

TEST_F(CheckUpdateDlgTest, AFailedDownloadOffersTryAgainWhichStartsOver) {
    auto dialog = Dialog(Https("/talvex-3.6.deb"));
    dialog->InstallButton()->click();
    ASSERT_TRUE(WaitForDownloadEnd(1));
    EXPECT_EQ(dialog->StatusLabel()->text(), "Download failed");
    EXPECT_EQ(dialog->InstallButton()->text(), "Try again");
    EXPECT_TRUE(dialog->InstallButton()->isEnabled());
    EXPECT_TRUE(dialog->RemindButton()->isEnabled());
    EXPECT_FALSE(dialog->SpeedLabel()->isVisible());
    EXPECT_FALSE(dialog->TimeLeftLabel()->isVisible());
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(std::filesystem::exists(Installed("talvex-3.6.deb")));
    EXPECT_TRUE(prompts_.opened.empty());

    // The file appears on the site; Try again fetches it.
    Publish("talvex-3.6.deb", RandomBytes(4096));
    dialog->InstallButton()->click();
    ASSERT_TRUE(WaitForDownloadEnd(2));
    EXPECT_EQ(dialog->result(), ui::CheckUpdateDlg::kInstallerStarted);
    EXPECT_TRUE(ReadFileBytes(Installed("talvex-3.6.deb")) == RandomBytes(4096));
    EXPECT_EQ(prompts_.opened.size(), 1u);
}

TEST_F(CheckUpdateDlgTest, AnInstallerTheDesktopCannotOpenOffersTryAgain) {
    Publish("talvex-3.6.deb", RandomBytes(2048));
    prompts_.openSucceeds = false;
    auto dialog = Dialog(Https("/talvex-3.6.deb"));
    dialog->InstallButton()->click();
    ASSERT_TRUE(WaitForDownloadEnd(1));
    EXPECT_EQ(prompts_.opened.size(), 1u);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->StatusLabel()->text(), "Installation failed");
    EXPECT_EQ(dialog->InstallButton()->text(), "Try again");
    EXPECT_TRUE(dialog->InstallButton()->isEnabled());

    prompts_.openSucceeds = true;
    dialog->InstallButton()->click();
    ASSERT_TRUE(WaitForDownloadEnd(2));
    EXPECT_EQ(dialog->result(), ui::CheckUpdateDlg::kInstallerStarted);
}

TEST_F(CheckUpdateDlgTest, AnInstallerIsNeverFetchedOverPlainHttp) {
    Publish("talvex-3.6.deb", RandomBytes(2048));
    // The same file over http, and https with a certificate the client does not trust.
    auto dialog = Dialog(nginx_.Url("/talvex-3.6.deb"));
    dialog->InstallButton()->click();
    RunEventsUntil([] { return false; }, 200);
    EXPECT_EQ(dialog->StatusLabel()->text(), "Download failed");
    EXPECT_EQ(dialog->InstallButton()->text(), "Try again");
    EXPECT_TRUE(nginx_.AccessLog().empty());
    EXPECT_FALSE(std::filesystem::exists(Installed("talvex-3.6.deb")));

    trustBundle_.reset();
    trustFile_.reset();
    auto untrusted = Dialog(Https("/talvex-3.6.deb"));
    untrusted->InstallButton()->click();
    ASSERT_TRUE(WaitForDownloadEnd(1));
    EXPECT_EQ(untrusted->StatusLabel()->text(), "Download failed");
    EXPECT_FALSE(std::filesystem::exists(Installed("talvex-3.6.deb")));
    EXPECT_TRUE(prompts_.opened.empty());
}

TEST_F(CheckUpdateDlgTest, RunningItemsAreStoppedOnlyWhenTheUserAgrees) {
    Publish("talvex-3.6.deb", RandomBytes(2048));
    RefPtr<testing::FakeItem> item(new testing::FakeItem(ActivityKind::Download));
    engine_->AddItem(item.get());
    ASSERT_TRUE(engine_->GetActivityQueue()->HasActiveItems());
    auto dialog = Dialog(Https("/talvex-3.6.deb"));

    prompts_.answers.push_back(ui::MessageAnswer::No);
    dialog->InstallButton()->click();
    ASSERT_EQ(prompts_.messages.size(), 1u);
    EXPECT_EQ(prompts_.messages[0].buttons, ui::MessageButtons::YesNo);
    EXPECT_TRUE(prompts_.messages[0].text.startsWith("You are currently downloading"));
    EXPECT_FALSE(dialog->IsDownloading());
    EXPECT_EQ(item->state.load(), ActivityState::Running);
    EXPECT_TRUE(dialog->InstallButton()->isEnabled());

    prompts_.answers.push_back(ui::MessageAnswer::Yes);
    dialog->InstallButton()->click();
    EXPECT_EQ(item->state.load(), ActivityState::Canceled);
    EXPECT_TRUE(engine_->GetActivityQueue()->Items().empty());
    ASSERT_TRUE(WaitForDownloadEnd(1));
    EXPECT_EQ(dialog->result(), ui::CheckUpdateDlg::kInstallerStarted);
}

TEST_F(CheckUpdateDlgTest, ClosingDuringTheDownloadStopsItAndLeavesNoFile) {
    Publish("slow/talvex-3.6.deb", RandomBytes(4 * 1024 * 1024));
    auto dialog = Dialog(Https("/slow/talvex-3.6.deb"));
    dialog->InstallButton()->click();
    ASSERT_TRUE(RunEventsUntil([&] { return dialog->ProgressBar()->value() > 0; }, 10000));
    ASSERT_EQ(ThreadCount(), 1u);

    QElapsedTimer clock;
    clock.start();
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    EXPECT_LT(clock.elapsed(), ui::CheckUpdateDlg::kCloseWaitMs);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), ui::CheckUpdateDlg::kNotNow);
    EXPECT_FALSE(dialog->IsDownloading());
    EXPECT_EQ(ThreadCount(), 0u);
    dialog.reset();
    QTest::qWait(100);
    QCoreApplication::processEvents();
    EXPECT_TRUE(prompts_.opened.empty());
    // Neither the installer nor a piece of it stays behind.
    EXPECT_FALSE(std::filesystem::exists(Installed("talvex-3.6.deb")));
    for (const auto& entry : std::filesystem::directory_iterator(home_.DataFolder())) {
        EXPECT_EQ(entry.path().filename().string().rfind("~", 0), std::string::npos)
            << entry.path();
    }
}

}  // namespace
}  // namespace talvex::test
