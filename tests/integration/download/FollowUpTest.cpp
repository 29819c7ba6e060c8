// A completed download hands on the conversion it asked for, whatever the user does meanwhile:
// clearing the item while its file takes its final name or before its finished notice is
// handled, or renaming it while the conversion waits for a place. The conversions are real
// (ffmpeg to MP3).
#include <gtest/gtest.h>

#include <future>

#include "activity/ActivityQueue.h"
#include "convert/ConversionProfiles.h"
#include "convert/ConvertItem.h"
#include "integration/download/DownloadSite.h"

namespace talvex::test {
namespace {

// Holds one of the queue's three conversion places for as long as the test wants.
class HeldPlace : public ActivityItem {
public:
    HeldPlace() : ActivityItem(ActivityKind::Conversion) {}
    std::wstring GetFileName() override { return L"held place"; }
    bool SetFileName(const std::wstring&) override { return false; }
    bool Prepare() override { return true; }
    bool Run() override {
        SetState(ActivityState::Running);
        return true;
    }
    bool Pause() override { return false; }
    bool Stop() override {
        SetState(ActivityState::Canceled);
        return true;
    }
    bool CanStart() override { return false; }
    bool CanPause() override { return false; }
    bool CanStop() override { return true; }
};

class FollowUpTest : public DownloadSite {
protected:
    void SetUp() override {
        DownloadSite::SetUp();
        ASSERT_TRUE(MakeVideo(Root() / "media" / "clip.mp4", 1));
        download_ = NewItem(AddPage("clip.html", "Clip", server_.Url("/media/clip.mp4")));
        conversion_ = RefPtr<ConvertItem>(new ConvertItem(kProfileMp3, ConversionQuality::kHigh));
        conversion_->ownerWindow = &sink_;
        download_->followUp.Store(conversion_.get());
    }
    void TearDown() override {
        queue_.StopAll();
        // No worker may post to this test's sink once it is gone.
        EXPECT_TRUE(WorkersDone(download_));
        EXPECT_TRUE(WaitUntil([&] { return conversion_->RefCount() == 1; }));
        DownloadSite::TearDown();
    }

    bool ConversionEnded() {
        return PumpUntil(queue_, [&] { return IsFinishedState(conversion_->state.load()); });
    }
    // The conversion made an MP3 of the stored download.
    void ExpectConverted() {
        EXPECT_EQ(conversion_->state.load(), ActivityState::Completed);
        EXPECT_EQ(conversion_->sourcePath, FromPath(folder_ / "Clip.mp4"));
        EXPECT_EQ(conversion_->OutputPath(), FromPath(folder_ / "Clip.mp3"));
        EXPECT_GT(ProbeDuration(folder_ / "Clip.mp3"), 0.5);
    }

    ActivityQueue queue_;
    RefPtr<DownloadItem> download_;
    RefPtr<ConvertItem> conversion_;
};

TEST_F(FollowUpTest, ClearedWhileItsFileTakesItsNameTheDownloadStaysAndConverts) {
    auto inWindow = std::make_shared<std::promise<void>>();
    auto release = std::make_shared<std::promise<void>>();
    // Called once: the run ends only once.
    download_->SetWindUpHook([inWindow, release] {
        inWindow->set_value();
        release->get_future().wait_for(std::chrono::seconds(30));
    });
    std::future<void> reached = inWindow->get_future();
    queue_.Add(download_.get());
    ASSERT_EQ(reached.wait_for(std::chrono::seconds(60)), std::future_status::ready);
    // Every transfer has ended, the file has no name yet: this is no completed download.
    EXPECT_EQ(download_->state.load(), ActivityState::Running);
    queue_.ClearFinished();
    const bool kept = queue_.Contains(download_.get());
    release->set_value();
    EXPECT_TRUE(kept);

    ASSERT_TRUE(ConversionEnded());
    EXPECT_EQ(download_->state.load(), ActivityState::Completed);
    ExpectConverted();
}

TEST_F(FollowUpTest, ClearedBeforeItsNoticeIsHandledTheDownloadStillHandsOnItsConversion) {
    queue_.Add(download_.get());
    ASSERT_TRUE(sink_.WaitFinished(download_.get(), 1));
    ASSERT_EQ(download_->state.load(), ActivityState::Completed);
    // The notice is on its way to the window when the user clears the list.
    queue_.ClearFinished();
    EXPECT_FALSE(queue_.Contains(download_.get()));
    EXPECT_TRUE(queue_.Contains(conversion_.get()));
    EXPECT_FALSE(download_->followUp.Load());

    ASSERT_TRUE(ConversionEnded());
    ExpectConverted();
}

TEST_F(FollowUpTest, RenameIsRefusedWhileTheConversionWaitsForThePlace) {
    std::vector<RefPtr<ActivityItem>> places;
    for (int i = 0; i < ActivityQueue::kMaxRunningPerKind; ++i) {
        places.emplace_back(new HeldPlace);
        queue_.Add(places.back().get());
    }
    queue_.Add(download_.get());
    ASSERT_TRUE(PumpUntil(queue_, [&] { return queue_.Contains(conversion_.get()); }));
    ASSERT_EQ(conversion_->state.load(), ActivityState::Queued);
    ASSERT_EQ(conversion_->sourcePath, FromPath(folder_ / "Clip.mp4"));

    EXPECT_FALSE(download_->SetFileName(L"Renamed.mp4"));
    EXPECT_EQ(download_->GetFileName(), L"Clip.mp4");
    EXPECT_EQ(download_->OutputPath(), FromPath(folder_ / "Clip.mp4"));
    EXPECT_EQ(ReadFileBytes(folder_ / "Clip.mp4"), Served("clip.mp4"));

    for (const auto& place : places) {
        place->Stop();
    }
    queue_.Schedule();
    ASSERT_TRUE(ConversionEnded());
    ExpectConverted();

    // Its conversion done, the download can be renamed again.
    EXPECT_TRUE(download_->SetFileName(L"Renamed.mp4"));
    EXPECT_EQ(download_->OutputPath(), FromPath(folder_ / "Renamed.mp4"));
    EXPECT_EQ(ReadFileBytes(folder_ / "Renamed.mp4"), Served("clip.mp4"));
}

}  // namespace
}  // namespace talvex::test
