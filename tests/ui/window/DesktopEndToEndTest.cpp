// The desktop program end to end against the fixture video site on a real nginx: a second
// start hands its address to the running window, which downloads it; closing the window (by
// Close or by SIGTERM) keeps an unfinished download for the next start, which lists it again.
#include <QApplication>
#include <QTimer>
#include <csignal>
#include <random>

#include "activity/ActivityQueue.h"
#include "app/SettingsStore.h"
#include "app/SingleInstance.h"
#include "download/DownloadItem.h"
#include "engine/Engine.h"
#include "integration/sitescripts/FixtureSite.h"
#include "net/CookieJar.h"
#include "platform/Process.h"
#include "platform/Utf8.h"
#include "ui/ActivityItemListCtrl.h"
#include "ui/CSimpleTabCtrl.h"
#include "ui/EngineDownloads.h"
#include "ui/TabActivity.h"
#include "ui/TabDownload.h"
#include "ui/window/WindowFixture.h"

namespace talvex::test {
namespace {

namespace fs = std::filesystem;

std::string Watch(const std::string& id) {
    return "http://www.youtube.com/watch?v=" + id;
}

class DesktopEndToEndTest : public WindowFixture {
protected:
    void SetUp() override {
        ClearSharedCookies();
        ASSERT_TRUE(site_.Start()) << site_.LastError();
        ASSERT_TRUE(SettingsStore().SetString(setting::kDownloadDirectory,
                                              Utf8ToWide(folder_.Path().string())));
        // Nobody sits at these windows: a question that opens on its own (the site's login
        // for a restricted video of a playlist) is closed, as a user dismissing it would.
        dismisser_.setInterval(100);
        QObject::connect(&dismisser_, &QTimer::timeout, [] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                modal->close();
            }
        });
        dismisser_.start();
    }
    void TearDown() override {
        WindowFixture::TearDown();
        ClearSharedCookies();
    }

    // Starts the real program with args; standard output and error go to pipes nobody reads
    // (the program writes next to nothing).
    bool StartProgram(Process& process, const std::vector<std::string>& args) {
        std::vector<std::string> argv = {TALVEX_GUI_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        Process::Options options;
        options.stdinMode = Process::Stream::Null;
        return process.Start(argv, options);
    }
    std::vector<std::string> FinalFiles() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_.Path())) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

    FixtureSite site_;
    TempDir folder_;
    QTimer dismisser_;
};

TEST_F(DesktopEndToEndTest, SecondStartHandsItsAddressToTheWindowWhichDownloadsIt) {
    const std::string served = RandomBytes(3 * 1024 * 1024 + 17, 7);
    WriteFileBytes(site_.MediaFolder() / "youtube/aHDtour2011/37.mp4", served);
    // This process is the first instance: it holds the lock, and its window listens.
    InstanceStart first = StartInstance(L"");
    ASSERT_TRUE(first.first);
    ui::MainDlg& window = OpenWindow();

    Process second;
    ASSERT_TRUE(StartProgram(second, {"--download", Watch("aHDtour2011")}));
    // It hands the line over and ends at once, without a window.
    std::optional<int> code = second.Wait(15000);
    if (!code) {
        // It opened a window of its own: no stray program may outlive the test.
        second.Kill();
        second.Wait(5000);
    }
    ASSERT_TRUE(code.has_value());
    EXPECT_EQ(*code, 0);

    ActivityQueue& queue = *window.GetEngine().GetActivityQueue();
    ASSERT_TRUE(WaitUntil(
        [&] {
            auto items = queue.Items();
            return items.size() == 1 && items[0]->state.load() == ActivityState::Completed &&
                   WorkFilesIn(folder_.Path()).empty();
        },
        60000));
    // The window switched to the Activity tab, and its list shows the item completed.
    EXPECT_EQ(window.Tabs().CurrentIndex(), 2);
    window.ActivityTab().Refresh();
    const QAbstractItemModel* model = window.ActivityTab().List().model();
    ASSERT_EQ(model->rowCount(), 1);
    EXPECT_EQ(model->index(0, 4).data().toString(), "Completed");
    const QString shownName = model->index(0, 0).data().toString();

    auto* item = static_cast<DownloadItem*>(queue.Items()[0].get());
    const fs::path stored = WideToUtf8(item->OutputPath());
    EXPECT_EQ(stored.parent_path(), folder_.Path());
    EXPECT_EQ(shownName.toStdString(), stored.filename().string());
    EXPECT_TRUE(ReadFileBytes(stored) == served) << "the stored file differs from the served one";
}

TEST_F(DesktopEndToEndTest, APlaylistIsReadOffTheWindowThreadAndKeepsTheOrderOfAddresses) {
    ui::MainDlg& window = OpenWindow();
    prompts_.answers = {ui::MessageAnswer::Yes};  // download the whole playlist
    window.DownloadTab().AddUrls("http://www.youtube.com/playlist?list=PLtravel2011\r\n" +
                                     QString::fromStdString(Watch("sd360only01")) + "\r\n",
                                 true);
    // The click has returned while the list page is still to be read: nothing is queued yet,
    // not even the plain address behind it.
    ASSERT_EQ(prompts_.messages.size(), 1u);
    EXPECT_EQ(window.Downloads().PendingCount(), 1);
    ActivityQueue& queue = *window.GetEngine().GetActivityQueue();
    EXPECT_TRUE(queue.Items().empty());

    ASSERT_TRUE(WaitUntil([&] { return window.Downloads().PendingCount() == 0; }, 30000));
    auto items = queue.Items();
    ASSERT_GE(items.size(), 3u) << "the playlist's videos and the plain address";
    std::vector<std::wstring> pages;
    for (const auto& item : items) {
        pages.push_back(static_cast<DownloadItem&>(*item).PageUrl());
    }
    // The playlist's videos first, in the page's order, then the address given after it.
    EXPECT_EQ(pages.back(), Utf8ToWide(Watch("sd360only01")));
    EXPECT_EQ(pages.front(), Utf8ToWide(Watch("aHDtour2011")));
}

TEST_F(DesktopEndToEndTest, APausedDownloadIsListedAgainAfterARestartAndStartCompletesIt) {
    const std::string served = RandomBytes(6 * 1024 * 1024, 3);
    WriteFileBytes(site_.MediaFolder() / "youtube/slowStream1/18.mp4", served);
    ui::MainDlg& window = OpenWindow();
    window.HandleCommandLine(L"/download " + Utf8ToWide(Watch("slowStream1")));
    ActivityQueue& queue = *window.GetEngine().GetActivityQueue();
    RefPtr<ActivityItem> item;
    int32_t percent = 0;
    double speed = 0;
    int32_t left = 0;
    ASSERT_TRUE(WaitUntil(
        [&] {
            auto items = queue.Items();
            if (items.size() != 1 || !static_cast<DownloadItem&>(*items[0]).IsMultiStream()) {
                return false;
            }
            item = items[0];
            item->GetProgress(percent, speed, left);
            return item->state.load() == ActivityState::Running && percent >= 10;
        },
        30000));
    queue.PauseSelected({item.get()});
    ASSERT_TRUE(WaitUntil([&] { return item->state.load() == ActivityState::Paused; }, 15000));
    // The work file and, beside it, the record of what is on disk.
    ASSERT_TRUE(WaitUntil([&] { return WorkFilesIn(folder_.Path()).size() == 2; }, 15000));
    item->GetProgress(percent, speed, left);
    // Closing waits until only the window holds its items.
    item.reset();

    prompts_.answers = {ui::MessageAnswer::Yes};
    ASSERT_TRUE(window.close());
    ASSERT_EQ(prompts_.messages.size(), 1u) << "a paused item counts as running work";
    window_.reset();
    ASSERT_EQ(WorkFilesIn(folder_.Path()).size(), 2u) << "kept for the next start";

    // The next start lists it again, paused, with its progress; Start goes on with it.
    ui::MainDlg& again = OpenWindow();
    ActivityQueue& listed = *again.GetEngine().GetActivityQueue();
    ASSERT_EQ(listed.Items().size(), 1u);
    item = listed.Items()[0];
    EXPECT_EQ(item->state.load(), ActivityState::Paused);
    int32_t shown = 0;
    item->GetProgress(shown, speed, left);
    EXPECT_NEAR(shown, percent, 2);
    again.ActivityTab().Refresh();
    const QAbstractItemModel* model = again.ActivityTab().List().model();
    ASSERT_EQ(model->rowCount(), 1);
    EXPECT_EQ(model->index(0, 4).data().toString(), "Paused");
    listed.StartSelected({item.get()});
    ASSERT_TRUE(WaitUntil(
        [&] {
            return item->state.load() == ActivityState::Completed &&
                   WorkFilesIn(folder_.Path()).empty();
        },
        60000));
    const fs::path stored = WideToUtf8(item->OutputPath());
    EXPECT_TRUE(ReadFileBytes(stored) == served) << "the stored file differs from the served one";
    item.reset();
}

TEST_F(DesktopEndToEndTest, SigtermClosesTheRunningProgramCleanly) {
    WriteFileBytes(site_.MediaFolder() / "youtube/slowStream1/18.mp4",
                   RandomBytes(16 * 1024 * 1024, 5));
    Process program;
    ASSERT_TRUE(StartProgram(program, {"--download", Watch("slowStream1")}));
    // Downloading: its work file is in the folder.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (WorkFilesIn(folder_.Path()).empty() && std::chrono::steady_clock::now() < deadline) {
        ASSERT_FALSE(program.Wait(50).has_value()) << "the program ended on its own";
    }
    if (WorkFilesIn(folder_.Path()).empty()) {
        program.Kill();
        program.Wait(5000);
        FAIL() << "the download did not start";
    }

    ASSERT_TRUE(program.Signal(SIGTERM));
    std::optional<int> code = program.Wait(25000);
    if (!code) {
        program.Kill();
        program.Wait(5000);
    }
    ASSERT_TRUE(code.has_value()) << "SIGTERM did not end the program";
    EXPECT_EQ(*code, 0);
    // The running download is kept for the next start (its work file and record), unless the
    // signal came before its transfer began.
    const std::vector<std::string> files = WorkFilesIn(folder_.Path());
    EXPECT_EQ(FinalFiles().size(), files.size()) << "nothing but work files";
    EXPECT_TRUE(files.empty() || files.size() == 2) << files.size();
    // The pages saved their settings on the way out.
    EXPECT_EQ(SettingsStore().GetString(setting::kActivitySortCol, L"-"), L"-");
    EXPECT_EQ(SettingsStore().GetNumber(setting::kDownloadQuality), 6u);
}

}  // namespace
}  // namespace talvex::test
