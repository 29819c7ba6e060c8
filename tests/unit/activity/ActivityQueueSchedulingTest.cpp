#include "QueueFixture.h"

namespace talvex::testing {
namespace {

using State = ActivityState;
using Kind = ActivityKind;

class ActivityQueueScheduling : public QueueFixture {};

TEST_F(ActivityQueueScheduling, FourthDownloadIsPreparedNotRun) {
    FakeItem* d1 = AddDownload(L"1");
    FakeItem* d2 = AddDownload(L"2");
    FakeItem* d3 = AddDownload(L"3");
    FakeItem* d4 = AddDownload(L"4");
    for (FakeItem* d : {d1, d2, d3}) {
        EXPECT_EQ(d->Calls(), std::vector<std::string>{"Run"});
        EXPECT_EQ(d->state, State::Running);
    }
    EXPECT_EQ(d4->Calls(), std::vector<std::string>{"Prepare"});
    EXPECT_EQ(d4->state, State::Queued);
    EXPECT_EQ(grid.added, (std::vector<ActivityItem*>{d1, d2, d3, d4}));
    EXPECT_EQ(Order(), (std::vector<ActivityItem*>{d1, d2, d3, d4}));
}

TEST_F(ActivityQueueScheduling, KindsAreCountedApart) {
    std::vector<FakeItem*> running;
    for (int i = 0; i < 3; ++i) {
        running.push_back(AddDownload());
        running.push_back(AddConversion());
    }
    for (FakeItem* item : running) {
        EXPECT_EQ(item->state, State::Running);
    }
    FakeItem* c4 = AddConversion();
    EXPECT_EQ(c4->Calls(), std::vector<std::string>{"Prepare"});
    EXPECT_TRUE(queue.HasActiveItems());
}

TEST_F(ActivityQueueScheduling, NullAndRepeatedAddsAreIgnored) {
    queue.Add(nullptr);
    FakeItem* d = AddDownload();
    queue.Add(d);
    EXPECT_EQ(d->Calls(), std::vector<std::string>{"Run"});
    EXPECT_EQ(grid.added.size(), 1u);
    EXPECT_EQ(queue.Items().size(), 1u);
}

TEST_F(ActivityQueueScheduling, FinishingStartsTheFirstWaitingItemOfThatKind) {
    FakeItem* d1 = AddDownload();
    AddDownload();
    AddDownload();
    FakeItem* d4 = AddDownload();
    FakeItem* d5 = AddDownload();
    d1->Finish(State::Completed, L"/videos/one.mp4");
    Deliver();
    EXPECT_EQ(d4->Calls(), (std::vector<std::string>{"Prepare", "Run"}));
    EXPECT_EQ(d4->state, State::Running);
    EXPECT_EQ(d5->Calls(), std::vector<std::string>{"Prepare"});

    // A failure frees a place as well.
    d4->Finish(State::Failed);
    Deliver();
    EXPECT_EQ(d5->state, State::Running);
}

TEST_F(ActivityQueueScheduling, CompletedDownloadQueuesItsConversionAtTheEnd) {
    FakeItem* d1 = AddDownload();
    FakeItem* d2 = AddDownload();
    FakeItem* conversion = Make(Kind::Conversion, L"follow");
    d1->followUp.Store(conversion);
    d1->Finish(State::Completed, L"/videos/one.mp4");
    Deliver();
    EXPECT_EQ(conversion->sourcePath, L"/videos/one.mp4");
    EXPECT_EQ(conversion->Calls(), std::vector<std::string>{"Run"});
    EXPECT_EQ(Order(), (std::vector<ActivityItem*>{d1, d2, conversion}));
    EXPECT_EQ(grid.added.back(), conversion);
    EXPECT_FALSE(d1->followUp.Load());

    // A second notice for the same item queues nothing more.
    queue.OnItemFinished(d1);
    EXPECT_EQ(queue.Items().size(), 3u);
}

TEST_F(ActivityQueueScheduling, FollowUpWaitsWhenThreeConversionsRun) {
    for (int i = 0; i < 3; ++i) {
        AddConversion();
    }
    FakeItem* d = AddDownload();
    FakeItem* conversion = Make(Kind::Conversion);
    d->followUp.Store(conversion);
    d->Finish(State::Completed, L"/v.mp4");
    Deliver();
    EXPECT_EQ(conversion->Calls(), std::vector<std::string>{"Prepare"});
    EXPECT_EQ(conversion->state, State::Queued);
}

TEST_F(ActivityQueueScheduling, FailedOrCanceledDownloadDropsNoFollowUp) {
    FakeItem* d = AddDownload();
    FakeItem* conversion = Make(Kind::Conversion);
    d->followUp.Store(conversion);
    d->Finish(State::Failed);
    Deliver();
    EXPECT_EQ(queue.Items().size(), 1u);
    EXPECT_TRUE(conversion->Calls().empty());
    EXPECT_TRUE(d->followUp.Holds(conversion));  // kept for a retry that completes
}

TEST_F(ActivityQueueScheduling, ScheduleStartsConversionsFirstThenDownloads) {
    // Fill both kinds, then let the waiting ones start in one pass.
    std::vector<FakeItem*> runners;
    for (int i = 0; i < 3; ++i) {
        runners.push_back(AddDownload());
        runners.push_back(AddConversion());
    }
    FakeItem* waitingDownload = AddDownload();
    FakeItem* waitingConversion = AddConversion();
    for (FakeItem* r : runners) {
        r->SetState(State::Completed);
    }
    queue.Schedule();
    EXPECT_EQ(waitingConversion->state, State::Running);
    EXPECT_EQ(waitingDownload->state, State::Running);
}

TEST_F(ActivityQueueScheduling, AnItemThatFailsToStartDoesNotHangTheSchedule) {
    FakeItem* d1 = AddDownload();
    AddDownload();
    AddDownload();
    FakeItem* stuck = Make(Kind::Download);
    stuck->failToStart = true;
    queue.Add(stuck);
    FakeItem* after = AddDownload();
    d1->SetState(State::Completed);
    queue.Schedule();  // would loop for ever on `stuck`
    EXPECT_EQ(stuck->CountOf("Run"), 1);
    EXPECT_EQ(after->state, State::Running);
}

TEST_F(ActivityQueueScheduling, StoppingAQueuedDownloadPostsNothingAndStartsNothing) {
    FakeItem* d1 = AddDownload();
    AddDownload();
    AddDownload();
    FakeItem* d4 = AddDownload();
    FakeItem* d5 = AddDownload();
    queue.StopSelected({d4});
    EXPECT_EQ(d4->state, State::Canceled);
    EXPECT_EQ(sink.Count(), 0u);
    EXPECT_EQ(d5->state, State::Queued);

    // Stopping a running one ends its run: the notice lets the next waiting item in.
    queue.StopSelected({d1});
    EXPECT_EQ(sink.Count(), 1u);
    Deliver();
    EXPECT_EQ(d5->state, State::Running);
    EXPECT_EQ(d4->state, State::Canceled);  // canceled items are not restarted by scheduling
}

TEST_F(ActivityQueueScheduling, NoticeForAnItemNoLongerQueuedIsIgnored) {
    {
        // No one but the queue holds this item: clearing it frees it, and the notice that
        // follows carries a dangling address that must not be touched.
        auto* d = new FakeItem(Kind::Download);
        d->ownerWindow = &sink;
        queue.Add(d);
        d->Finish(State::Completed, L"/x.mp4");
        queue.ClearFinished();
        EXPECT_EQ(g_liveItems.load(), 0);
    }
    Deliver();  // must not touch the gone item
    EXPECT_TRUE(queue.Items().empty());
}

TEST_F(ActivityQueueScheduling, StopAllWaitsOnlyWhenAConversionRanOrWasPaused) {
    FakeItem* d1 = AddDownload();
    FakeItem* d2 = AddDownload();
    queue.StopAll();
    EXPECT_TRUE(sleeps.empty());
    EXPECT_EQ(d1->state, State::Canceled);
    EXPECT_EQ(grid.removed, (std::vector<ActivityItem*>{d1, d2}));
    EXPECT_TRUE(queue.Items().empty());

    AddConversion()->Finish(State::Completed);  // finished conversions need no wait
    AddDownload();
    queue.StopAll();
    EXPECT_TRUE(sleeps.empty());

    AddDownload();
    AddConversion();
    queue.StopAll();
    EXPECT_EQ(sleeps, std::vector<uint32_t>{ActivityQueue::kStopAllWaitMs});

    sleeps.clear();
    FakeItem* paused = AddConversion();
    queue.PauseSelected({paused});
    ASSERT_EQ(paused->state, State::Paused);
    queue.StopAll();
    EXPECT_EQ(sleeps, std::vector<uint32_t>{2000u});
    EXPECT_FALSE(queue.HasActiveItems());
}

TEST_F(ActivityQueueScheduling, ItemsLiveAsLongAsSomeoneHoldsThem) {
    auto* d = new FakeItem(Kind::Download);
    queue.Add(d);
    RefPtr<ActivityItem> worker(d);  // a worker's reference
    d->SetState(State::Failed);
    queue.ClearFinished();
    EXPECT_EQ(g_liveItems.load(), 1);
    worker.reset();
    EXPECT_EQ(g_liveItems.load(), 0);
}

}  // namespace
}  // namespace talvex::testing
