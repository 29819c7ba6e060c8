// The download item's own rules, without a media server: names, the state table of its
// operations, and what a run that cannot start leaves behind. (The segment arithmetic is in
// SegmentPlanTest.)
#include "download/DownloadItem.h"

#include <gtest/gtest.h>

#include "activity/ItemPresence.h"
#include "app/SettingsStore.h"
#include "download/DownloadPaths.h"
#include "platform/Utf8.h"
#include "scripts/SiteParser.h"
#include "support/TestHome.h"
#include "unit/download/RecordingSink.h"
#include "unit/download/TestScripts.h"

namespace talvex {
namespace {

namespace fs = std::filesystem;
using test::RecordingSink;
using test::WaitUntil;

TEST(DownloadNames, FinalFileNames) {
    EXPECT_EQ(FinalFileName(L"Clip", L"mp4", 0), "Clip.mp4");
    EXPECT_EQ(FinalFileName(L"Clip", L"mp4", 3), "Clip[3].mp4");
    EXPECT_EQ(FinalFileName(L"Caf\u00e9", L"flv", 0), "Caf\xC3\xA9.flv");
    // Whatever a page or the user supplies stays one name inside the download folder.
    EXPECT_EQ(FinalFileName(L"../../etc/passwd", L"x/y", 0), ".._.._etc_passwd.x_y");
    std::string longName = FinalFileName(std::wstring(400, L'\u00e9'), L"mp4", 12);
    EXPECT_LE(longName.size(), 255u);
    EXPECT_EQ(longName.substr(longName.size() - 8), "[12].mp4");
    // An over-long extension is cut too, before a whole character, at each UTF-8 width.
    for (const wchar_t c : {L'\u00e9', L'\u65e5', static_cast<wchar_t>(0x1F600)}) {
        const std::string name = FinalFileName(L"Clip", std::wstring(200, c), 0);
        EXPECT_LE(name.size(), 255u);
        EXPECT_EQ(WideToUtf8(Utf8ToWide(name)), name) << "ends in a whole character";
    }
}

class DownloadItemTest : public ::testing::Test {
protected:
    RefPtr<DownloadItem> NewItem(SiteParser* parser = nullptr) {
        RefPtr<DownloadItem> item(new DownloadItem(parser, DownloadQuality::kNormal, false));
        item->ownerWindow = &sink_;
        item->workPath = FromPath(folder_);
        item->SetPageUrl(L"http://unit.test/watch?id=1");
        return item;
    }
    // The workers of an item hold references; once they are done only the test's remains.
    static bool WorkersDone(const RefPtr<DownloadItem>& item) {
        return WaitUntil([&] { return item->RefCount() == 1; });
    }
    size_t FilesInFolder() const {
        size_t n = 0;
        for ([[maybe_unused]] const auto& e : fs::directory_iterator(folder_)) {
            ++n;
        }
        return n;
    }

    test::TestHome home_;
    test::TempDir dir_;
    fs::path folder_ = dir_.Path() / "downloads";
    RecordingSink sink_;

    void SetUp() override { fs::create_directories(folder_); }
};

TEST_F(DownloadItemTest, FileNameFromTitleOutputOrPage) {
    auto item = NewItem();
    EXPECT_EQ(item->GetFileName(), L"http://unit.test/watch?id=1");
    item->SetOutputPath(L"/x/stored.mp4");
    EXPECT_EQ(item->GetFileName(), L"/x/stored.mp4");
    item->SetTitle(L"Clip");
    EXPECT_EQ(item->GetFileName(), L"Clip");
    item->SetExtension(L"mp4");
    EXPECT_EQ(item->GetFileName(), L"Clip.mp4");
}

TEST_F(DownloadItemTest, SetFileNameSplitsAtTheLastDot) {
    auto item = NewItem();
    item->SetExtension(L"flv");
    EXPECT_TRUE(item->SetFileName(L"my.holiday.mp4"));
    EXPECT_EQ(item->Title(), L"my.holiday");
    EXPECT_EQ(item->Extension(), L"mp4");
    EXPECT_TRUE(item->SetFileName(L"plain"));
    EXPECT_EQ(item->Title(), L"plain");
    EXPECT_EQ(item->Extension(), L"mp4");  // kept
}

TEST_F(DownloadItemTest, OperationsAllowedPerState) {
    auto item = NewItem();
    struct Row {
        ActivityState state;
        bool canStart, canStop;
    };
    const Row rows[] = {
        {ActivityState::Created, false, false},   {ActivityState::Queued, true, true},
        {ActivityState::Running, false, true},    {ActivityState::Canceled, true, false},
        {ActivityState::Pausing, false, false},   {ActivityState::Paused, true, true},
        {ActivityState::Completed, false, false}, {ActivityState::Failed, true, false},
    };
    for (const Row& row : rows) {
        item->state = row.state;
        EXPECT_EQ(item->CanStart(), row.canStart) << static_cast<int>(row.state);
        EXPECT_EQ(item->CanStop(), row.canStop) << static_cast<int>(row.state);
        // Only a segmented run can pause, and no segmented run has started.
        EXPECT_FALSE(item->CanPause());
    }
    // Run does nothing while running, pausing or completed.
    for (ActivityState s :
         {ActivityState::Running, ActivityState::Pausing, ActivityState::Completed}) {
        item->state = s;
        EXPECT_FALSE(item->Run());
        EXPECT_EQ(item->state.load(), s);
    }
    item->state = ActivityState::Running;
    EXPECT_FALSE(item->Pause());  // a single stream (or none yet) cannot pause
    EXPECT_EQ(item->state.load(), ActivityState::Running);
}

TEST_F(DownloadItemTest, StoppingAQueuedItemCancelsWithoutNoticeAndKeepsTheFolder) {
    auto item = NewItem();
    item->state = ActivityState::Queued;
    EXPECT_TRUE(item->Stop());
    EXPECT_EQ(item->state.load(), ActivityState::Canceled);
    EXPECT_EQ(item->prevState.load(), ActivityState::Queued);
    EXPECT_EQ(sink_.FinishedCount(item.get()), 0);
    // workPath still names the (empty) download folder: it is not deleted.
    EXPECT_TRUE(fs::is_directory(folder_));

    auto fresh = NewItem();
    EXPECT_TRUE(fresh->Stop());
    EXPECT_EQ(fresh->state.load(), ActivityState::Canceled);
    EXPECT_TRUE(fs::is_directory(folder_));
}

TEST_F(DownloadItemTest, PrepareWithoutAScriptFailsAndPrepareIsIgnoredElsewhere) {
    SiteParser parser;  // no scripts at all
    auto item = NewItem(&parser);
    ASSERT_TRUE(item->Prepare());
    ASSERT_TRUE(WorkersDone(item));
    EXPECT_EQ(item->state.load(), ActivityState::Failed);
    EXPECT_EQ(sink_.FinishedCount(item.get()), 0);

    item->state = ActivityState::Canceled;
    EXPECT_TRUE(item->Prepare());
    ASSERT_TRUE(WorkersDone(item));
    EXPECT_EQ(item->state.load(), ActivityState::Canceled);
}

TEST_F(DownloadItemTest, ScriptFailureFailsTheRunAndNeverRemovesTheFolder) {
    SiteParser parser;
    auto item = NewItem(&parser);
    ASSERT_TRUE(item->Run());
    // Running is set before Run returns, but the worker may have failed the run since: with no
    // script it ends at once.
    const ActivityState afterRun = item->state.load();
    EXPECT_TRUE(afterRun == ActivityState::Running || afterRun == ActivityState::Failed)
        << static_cast<int>(afterRun);
    ASSERT_TRUE(sink_.WaitFinished(item.get(), 1));
    ASSERT_TRUE(WorkersDone(item));
    EXPECT_EQ(item->state.load(), ActivityState::Failed);
    EXPECT_EQ(item->FailedCode(), 1u);
    EXPECT_EQ(sink_.FinishedCount(item.get()), 1);
    EXPECT_TRUE(fs::is_directory(folder_));
    EXPECT_EQ(FilesInFolder(), 0u);
}

TEST_F(DownloadItemTest, UnreachableMediaFailsAfterTheTemporaryFileAndRemovesIt) {
    SiteParser parser;
    // Port 1 on the loopback address refuses at once.
    ASSERT_TRUE(test::LoadTestScripts(parser,
                                      "SITE \"unit.test\"\nBEGIN\n"
                                      "VAR U=\"http://127.0.0.1:1/media/clip.bin\";\n"
                                      "VIDURL=U;\nVAR T=\"Clip\";\nVIDNAME=T;\nEND;",
                                      dir_.Path()));
    auto item = NewItem(&parser);
    ASSERT_TRUE(item->Run());
    ASSERT_TRUE(sink_.WaitFinished(item.get(), 1));
    ASSERT_TRUE(WorkersDone(item));
    EXPECT_EQ(item->state.load(), ActivityState::Failed);
    EXPECT_EQ(item->Title(), L"Clip");
    EXPECT_EQ(item->Extension(), L"");  // the probe found no server either
    // The run got as far as its temporary file, which is gone again.
    EXPECT_NE(item->WorkPath().find(L"~qrv"), std::wstring::npos);
    EXPECT_EQ(FilesInFolder(), 0u);
    EXPECT_TRUE(item->OutputPath().empty());

    // A failed item can be started again; it fails the same way, with one notice per run.
    ASSERT_TRUE(item->CanStart());
    ASSERT_TRUE(item->Run());
    ASSERT_TRUE(sink_.WaitFinished(item.get(), 2));
    ASSERT_TRUE(WorkersDone(item));
    EXPECT_EQ(item->state.load(), ActivityState::Failed);
    EXPECT_EQ(sink_.FinishedCount(item.get()), 2);
    EXPECT_EQ(FilesInFolder(), 0u);
}

TEST_F(DownloadItemTest, RunThatCannotStartFailsAndSaysSo) {
    fs::create_directories(home_.DataFolder());
    ASSERT_TRUE(SettingsStore().SetNumber(setting::kDebugLogging, 1));
    auto item = NewItem();
    item->SetWorkQueue([](std::function<void()>) { return false; });
    EXPECT_FALSE(item->Run());
    EXPECT_EQ(item->state.load(), ActivityState::Failed);
    EXPECT_EQ(item->FailedCode(), 1u);
    EXPECT_TRUE(item->CanStart());
    EXPECT_NE(test::ReadFileBytes(home_.DataFolder() / "Log.txt")
                  .find("the run could not be started: failed"),
              std::string::npos);
}

TEST_F(DownloadItemTest, ChildCopiesTheParentsSettings) {
    SiteParser parser;
    RefPtr<DownloadItem> parent(new DownloadItem(&parser, DownloadQuality::kHd720, true));
    parent->workPath = L"/downloads";
    parent->SetAutoConvert(true);
    parent->quality = ConversionQuality::kLow;
    parent->profile = 5;
    parent->SetPageUrl(L"http://www.youtube.com/playlist?list=X");
    RefPtr<DownloadItem> child = parent->MakeChild(L"http://www.youtube.com/watch?v=a");
    EXPECT_EQ(child->Parser(), &parser);
    EXPECT_EQ(child->workPath, L"/downloads");
    EXPECT_EQ(child->FormatChoice(), DownloadQuality::kHd720);
    EXPECT_TRUE(child->ConvertFlag());
    EXPECT_TRUE(child->AutoConvert());
    EXPECT_EQ(child->quality, ConversionQuality::kLow);
    EXPECT_EQ(child->profile, 5);
    EXPECT_EQ(child->PageUrl(), L"http://www.youtube.com/watch?v=a");
    EXPECT_EQ(child->state.load(), ActivityState::Created);
    EXPECT_EQ(child->FailedCode(), 0u);
}

TEST_F(DownloadItemTest, PresenceSeesTheItemWithoutKeepingItAlive) {
    auto item = NewItem();
    std::shared_ptr<ItemPresence> presence = item->Presence();
    EXPECT_EQ(item->RefCount(), 1);
    item->state = ActivityState::Queued;
    EXPECT_EQ(presence->State(), ActivityState::Queued);
    item.reset();
    EXPECT_FALSE(presence->State());
}

TEST_F(DownloadItemTest, ScriptResultsReachTheItem) {
    auto item = NewItem();
    item->SetIdList({L"a", L"b"});
    auto ids = item->IdList();
    ASSERT_EQ(ids.size(), 2u);
    EXPECT_EQ(ids[0], L"a");
    EXPECT_EQ(ids[1], L"b");
    item->SetRtmpPlayPath(L"mp4:clip");
    item->SetRtmpSwfUrl(L"http://x/player.swf");
    item->SetRtmpPageUrl(L"http://x/page");
    EXPECT_EQ(item->RtmpPlayPath(), L"mp4:clip");
    EXPECT_EQ(item->RtmpSwfUrl(), L"http://x/player.swf");
    EXPECT_EQ(item->RtmpPageUrl(), L"http://x/page");
    EXPECT_EQ(item->OwnerWindow(), static_cast<void*>(&sink_));
}

}  // namespace
}  // namespace talvex
