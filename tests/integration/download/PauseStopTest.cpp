// Pausing, resuming and stopping running downloads. The media comes through nginx's slow
// location (a per-connection rate limit), so that a transfer is still under way when the test
// acts; every wait is bounded.
#include <gtest/gtest.h>

#include <future>

#include "app/SettingsStore.h"
#include "download/DownloadSubItem.h"
#include "download/SegmentPlan.h"
#include "integration/download/DownloadSite.h"
#include "platform/ThreadPool.h"

namespace talvex::test {
namespace {

class PauseStopTest : public DownloadSite {
protected:
    // The folder holds a work file and its record, and nothing else (a record being replaced
    // shows a moment as a third file).
    bool WorkFileAndRecordOnly() const {
        const std::vector<std::string> names = FolderNames();
        return names.size() == 2 && names[0].substr(0, 4) == "~qrv" &&
               names[1] == names[0] + ".json";
    }
    // nginx lets a second's worth through at once, then a second's worth each second: at this
    // rate a 512 KiB segment takes four steps, and the test acts after the second.
    void ConfigureServer(NginxServer& server) override { server.SetRateLimit("128k"); }

    // Starts a segmented download of size bytes through the slow location and waits until a
    // good part of it is under way.
    RefPtr<DownloadItem> StartSlow(const std::string& name, size_t size) {
        auto item = NewItem(AddVideo(name, "Slow", size, "/slow"));
        EXPECT_TRUE(item->Run());
        EXPECT_TRUE(WaitUntil([&] {
            int32_t percent = 0;
            double speed = 0;
            int32_t left = 0;
            item->GetProgress(percent, speed, left);
            return percent >= 10 || item->state.load() != ActivityState::Running;
        }));
        EXPECT_EQ(item->state.load(), ActivityState::Running);
        EXPECT_TRUE(item->IsMultiStream());
        return item;
    }
};

TEST_F(PauseStopTest, PauseStopsEverySegmentAndResumeCompletesTheFile) {
    const size_t size = 2 * 1024 * 1024 + 1;
    auto item = StartSlow("movie.bin", size);
    ASSERT_TRUE(item->CanPause());
    ASSERT_TRUE(item->Pause());
    ActivityState right = item->state.load();
    EXPECT_TRUE(right == ActivityState::Pausing || right == ActivityState::Paused);
    ASSERT_TRUE(WaitUntil([&] { return item->state.load() == ActivityState::Paused; }));
    EXPECT_EQ(item->prevState.load(), ActivityState::Pausing);
    EXPECT_TRUE(item->CanStart());
    EXPECT_FALSE(item->CanPause());
    // A pause is not the end of the run: no finished notice, the file and segments stay.
    EXPECT_EQ(sink_.FinishedCount(item.get()), 0);
    EXPECT_EQ(item->SubItemCount(), 4u);
    // The work file, and beside it the record a later start would go on from (written just
    // after the pause took hold).
    ASSERT_TRUE(WaitUntil([&] { return WorkFileAndRecordOnly(); }));
    int32_t pausedPercent = 0;
    double speed = 1;
    int32_t left = 0;
    item->GetProgress(pausedPercent, speed, left);
    EXPECT_GT(pausedPercent, 0);
    EXPECT_LT(pausedPercent, 100);
    EXPECT_EQ(speed, 0.0);
    EXPECT_EQ(left, -1);
    const size_t requestsBefore = server_.AccessLog().size();

    ASSERT_TRUE(item->Run());
    EXPECT_EQ(item->state.load(), ActivityState::Running);
    ASSERT_TRUE(sink_.WaitFinished(item.get(), 1));
    ASSERT_TRUE(WorkersDone(item));
    ASSERT_EQ(item->state.load(), ActivityState::Completed);
    EXPECT_EQ(FolderNames(), std::vector<std::string>{"Slow.bin"});
    EXPECT_EQ(ReadFileBytes(folder_ / "Slow.bin"), Served("movie.bin"));
    EXPECT_EQ(sink_.FinishedCount(item.get()), 1);

    // The resumed requests continue inside their segments instead of starting over.
    auto ranges = SegmentPlan(size).Ranges();
    auto log = server_.AccessLog();
    int resumedInside = 0;
    for (size_t i = requestsBefore; i < log.size(); ++i) {
        for (const ByteRange& r : ranges) {
            const std::string end = "-" + std::to_string(r.to);
            if (log[i].range.size() > end.size() &&
                log[i].range.compare(log[i].range.size() - end.size(), end.size(), end) == 0 &&
                log[i].range != "bytes=" + std::to_string(r.from) + end) {
                ++resumedInside;
            }
        }
    }
    EXPECT_GE(resumedInside, 1);
}

TEST_F(PauseStopTest, ResumeThatCannotStartStaysPausedAndSaysSo) {
    fs::create_directories(home_.DataFolder());
    ASSERT_TRUE(SettingsStore().SetNumber(setting::kDebugLogging, 1));
    auto item = StartSlow("refused.bin", 2 * 1024 * 1024 + 3);
    ASSERT_TRUE(item->Pause());
    ASSERT_TRUE(WaitUntil([&] { return item->state.load() == ActivityState::Paused; }));

    // No worker takes a segment: nothing runs, so the item must not claim to.
    item->SetWorkQueue([](std::function<void()>) { return false; });
    EXPECT_FALSE(item->Run());
    EXPECT_EQ(item->state.load(), ActivityState::Paused);
    EXPECT_TRUE(item->CanStart());
    EXPECT_EQ(item->SubItemCount(), 4u);
    EXPECT_NE(ReadFileBytes(home_.DataFolder() / "Log.txt")
                  .find("a segment could not be resumed: stays paused"),
              std::string::npos);

    // Two segments start and the third is refused: the two stop again.
    auto accepted = std::make_shared<std::atomic<int>>(0);
    item->SetWorkQueue([accepted](std::function<void()> work) {
        return accepted->fetch_add(1) < 2 && ThreadPool::Global().Queue(std::move(work));
    });
    EXPECT_FALSE(item->Run());
    ASSERT_TRUE(WaitUntil([&] { return item->state.load() == ActivityState::Paused; }))
        << static_cast<int>(item->state.load()) << " running " << item->GetRunningSubItems();
    EXPECT_EQ(item->SubItemCount(), 4u);
    EXPECT_EQ(sink_.FinishedCount(item.get()), 0);

    // With workers again the download resumes and arrives whole.
    item->SetWorkQueue({});
    ASSERT_TRUE(item->Run());
    ASSERT_TRUE(sink_.WaitFinished(item.get(), 1));
    ASSERT_TRUE(WorkersDone(item));
    ASSERT_EQ(item->state.load(), ActivityState::Completed)
        << static_cast<int>(item->state.load()) << " code " << item->FailedCode();
    EXPECT_EQ(ReadFileBytes(folder_ / "Slow.bin"), Served("refused.bin"));
}

TEST_F(PauseStopTest, ResumeBeforeThePausingWorkerLetsGoKeepsTheRun) {
    // The last segment to stop turns the item Paused; its worker may still be on its way out
    // when the user resumes. Held there until the resume, it must leave the new transfers be.
    auto item = StartSlow("late.bin", 2 * 1024 * 1024 + 5);
    auto release = std::make_shared<std::promise<void>>();
    std::shared_future<void> go = release->get_future().share();
    item->SetWindUpHook([go] { go.wait_for(std::chrono::seconds(10)); });
    ASSERT_TRUE(item->Pause());
    ASSERT_TRUE(WaitUntil([&] { return item->state.load() == ActivityState::Paused; }));
    ASSERT_TRUE(item->Run());
    release->set_value();
    ASSERT_TRUE(sink_.WaitFinished(item.get(), 1));
    ASSERT_TRUE(WorkersDone(item));
    ASSERT_EQ(item->state.load(), ActivityState::Completed);
    EXPECT_EQ(ReadFileBytes(folder_ / "Slow.bin"), Served("late.bin"));
    EXPECT_EQ(sink_.FinishedCount(item.get()), 1);
}

TEST_F(PauseStopTest, SegmentStoppedBeforeItsLastByteFetchesThatByte) {
    // A segment paused with exactly one byte missing is resumed with a one-byte range.
    auto item = StartSlow("edge.bin", 2 * 1024 * 1024);
    ASSERT_TRUE(item->Pause());
    ASSERT_TRUE(WaitUntil([&] { return item->state.load() == ActivityState::Paused; }));
    // Rewind the first segment's position to its last byte, as a stop right there would.
    {
        auto file = item->OutputFile();
        ASSERT_TRUE(file);
        const std::string served = Served("edge.bin");
        auto ranges = SegmentPlan(served.size()).Ranges();
        ASSERT_TRUE(file->WriteAt(0, served.data(), ranges[0].to));  // all but the last byte
        const char wrong = static_cast<char>(~served[ranges[0].to]);
        ASSERT_TRUE(file->WriteAt(ranges[0].to, &wrong, 1));
    }
    item->ForEachSegment([](DownloadItem::MultiStreamSubItem& segment) {
        if (segment.SegmentStart() == 0) {
            segment.position.store(segment.To());
        }
    });
    const size_t requestsBefore = server_.AccessLog().size();
    ASSERT_TRUE(item->Run());
    ASSERT_TRUE(sink_.WaitFinished(item.get(), 1));
    ASSERT_TRUE(WorkersDone(item));
    ASSERT_EQ(item->state.load(), ActivityState::Completed);
    EXPECT_EQ(ReadFileBytes(folder_ / "Slow.bin"), Served("edge.bin"));
    auto ranges = SegmentPlan(Served("edge.bin").size()).Ranges();
    const std::string oneByte =
        "bytes=" + std::to_string(ranges[0].to) + "-" + std::to_string(ranges[0].to);
    bool asked = false;
    auto log = server_.AccessLog();
    for (size_t i = requestsBefore; i < log.size(); ++i) {
        asked |= log[i].range == oneByte && log[i].status == 206 && log[i].bodyBytes == 1;
    }
    EXPECT_TRUE(asked);
}

TEST_F(PauseStopTest, StopWhileRunningCancelsAndRemovesTheTemporaryFile) {
    auto item = StartSlow("stopped.bin", 2 * 1024 * 1024);
    ASSERT_TRUE(item->CanStop());
    ASSERT_TRUE(item->Stop());
    EXPECT_EQ(item->state.load(), ActivityState::Canceled);
    ASSERT_TRUE(sink_.WaitFinished(item.get(), 1));
    ASSERT_TRUE(WorkersDone(item));
    EXPECT_EQ(item->state.load(), ActivityState::Canceled);
    EXPECT_EQ(sink_.FinishedCount(item.get()), 1);
    EXPECT_TRUE(FolderNames().empty());
    EXPECT_TRUE(item->OutputPath().empty());
    EXPECT_EQ(item->SubItemCount(), 0u);

    // A canceled item can run again from the start.
    ASSERT_TRUE(item->CanStart());
    ASSERT_TRUE(item->Run());
    ASSERT_TRUE(sink_.WaitFinished(item.get(), 2));
    ASSERT_TRUE(WorkersDone(item));
    ASSERT_EQ(item->state.load(), ActivityState::Completed);
    EXPECT_EQ(ReadFileBytes(folder_ / "Slow.bin"), Served("stopped.bin"));
}

TEST_F(PauseStopTest, RestartRightAfterStopIgnoresTheStoppingTransfers) {
    auto item = StartSlow("again.bin", 2 * 1024 * 1024);
    ASSERT_TRUE(item->Stop());
    // Started again before the stopped segments have ended: their end reports belong to the
    // old run and must not end the new one.
    ASSERT_TRUE(item->Run());
    ASSERT_TRUE(sink_.WaitFinished(item.get(), 1));
    ASSERT_TRUE(WorkersDone(item));
    ASSERT_EQ(item->state.load(), ActivityState::Completed);
    EXPECT_EQ(FolderNames(), std::vector<std::string>{"Slow.bin"});
    EXPECT_EQ(ReadFileBytes(folder_ / "Slow.bin"), Served("again.bin"));
}

TEST_F(PauseStopTest, StopWhilePausedPostsTheNoticeOnceAndRemovesTheFile) {
    auto item = StartSlow("paused.bin", 2 * 1024 * 1024);
    ASSERT_TRUE(item->Pause());
    ASSERT_TRUE(WaitUntil([&] { return item->state.load() == ActivityState::Paused; }));
    ASSERT_TRUE(WaitUntil([&] { return WorkFileAndRecordOnly(); }))
        << "the work file and its record";
    ASSERT_TRUE(item->Stop());
    EXPECT_EQ(item->state.load(), ActivityState::Canceled);
    EXPECT_EQ(item->prevState.load(), ActivityState::Paused);
    EXPECT_EQ(sink_.FinishedCount(item.get()), 1);  // at once
    ASSERT_TRUE(WorkersDone(item));
    EXPECT_EQ(sink_.FinishedCount(item.get()), 1);
    EXPECT_TRUE(FolderNames().empty());
    EXPECT_EQ(item->SubItemCount(), 0u);
}

TEST_F(PauseStopTest, StopOfASingleStreamEndsCanceled) {
    auto item = NewItem(AddVideo("one.bin", "One", 1024 * 1024, "/slownorange"));
    ASSERT_TRUE(item->Run());
    ASSERT_TRUE(WaitUntil([&] {
        int32_t percent = 0;
        double speed = 0;
        int32_t left = 0;
        item->GetProgress(percent, speed, left);
        return percent > 0;
    }));
    ASSERT_TRUE(item->Stop());
    ASSERT_TRUE(sink_.WaitFinished(item.get(), 1));
    ASSERT_TRUE(WorkersDone(item));
    EXPECT_EQ(item->state.load(), ActivityState::Canceled);
    EXPECT_EQ(sink_.FinishedCount(item.get()), 1);
    EXPECT_TRUE(FolderNames().empty());
}

}  // namespace
}  // namespace talvex::test
