#include "QueueFixture.h"

namespace talvex::testing {
namespace {

using State = ActivityState;
using Kind = ActivityKind;

class ActivityQueueSelection : public QueueFixture {};

TEST_F(ActivityQueueSelection, PausedDownloadStartedWhileThreeRunWaitsToResume) {
    FakeItem* d1 = AddDownload();
    FakeItem* d2 = AddDownload();
    AddDownload();
    FakeItem* d4 = AddDownload();
    // Pausing d1 frees its place: d4 starts.
    queue.PauseSelected({d1});
    EXPECT_EQ(d1->state, State::Paused);
    EXPECT_EQ(d4->state, State::Running);

    EXPECT_TRUE(queue.CanStartAny({d1}));
    EXPECT_TRUE(queue.StartSelected({d1}));
    EXPECT_EQ(d1->prevState, State::Paused);
    EXPECT_EQ(d1->state, State::Queued);
    EXPECT_EQ(d1->CountOf("Run") + d1->CountOf("Resume"), 1);  // not run again yet

    // When a place frees up, it resumes rather than starting over.
    d2->Finish(State::Completed, L"/two.mp4");
    Deliver();
    EXPECT_EQ(d1->Calls().back(), "Resume");
    EXPECT_EQ(d1->state, State::Running);
}

TEST_F(ActivityQueueSelection, FailedDownloadStartedWhileThreeRunIsPreparedAgain) {
    FakeItem* failed = AddDownload();
    failed->Finish(State::Failed);
    Deliver();
    AddDownload();
    AddDownload();
    AddDownload();
    EXPECT_TRUE(queue.CanStartAny({failed}));
    queue.StartSelected({failed});
    EXPECT_EQ(failed->Calls().back(), "Prepare");
    EXPECT_EQ(failed->state, State::Queued);

    // With a free place it is run directly.
    FakeItem* another = AddDownload();  // prepared: the limit is reached
    another->Finish(State::Failed);
    queue.Items()[1]->SetState(State::Completed);
    queue.StartSelected({another});
    EXPECT_EQ(another->Calls().back(), "Run");
}

TEST_F(ActivityQueueSelection, ConversionStartsOnlyBelowTheLimit) {
    for (int i = 0; i < 3; ++i) {
        AddConversion();
    }
    FakeItem* c = AddConversion();
    c->Finish(State::Canceled);
    EXPECT_FALSE(queue.CanStartAny({c}));
    queue.StartSelected({c});
    EXPECT_EQ(c->state, State::Canceled);
    EXPECT_EQ(c->CountOf("Run"), 0);

    // A canceled download beyond the limit cannot start either (only failed or paused ones
    // are put back in line).
    AddDownload();
    AddDownload();
    AddDownload();
    FakeItem* d = AddDownload();
    d->SetState(State::Canceled);
    EXPECT_FALSE(queue.CanStartAny({d}));
    EXPECT_FALSE(queue.CanStartAny({}));
}

TEST_F(ActivityQueueSelection, PauseAndStopAnyFollowTheItems) {
    FakeItem* d = AddDownload();
    d->pausable = false;
    EXPECT_FALSE(queue.CanPauseAny({d}));
    EXPECT_TRUE(queue.CanStopAny({d}));
    FakeItem* c = AddConversion();
    EXPECT_TRUE(queue.CanPauseAny({d, c}));
    c->Finish(State::Completed);
    EXPECT_FALSE(queue.CanStopAny({c}));
    EXPECT_FALSE(queue.CanPauseAny({}));
}

TEST_F(ActivityQueueSelection, RemoveSelectedKeepsItemsThatHaveNotFinished) {
    FakeItem* running = AddDownload();
    FakeItem* paused = AddDownload();
    FakeItem* completed = AddDownload();
    FakeItem* queued = AddDownload();  // prepared: three run
    queue.PauseSelected({paused});     // frees a place: queued starts
    queue.PauseSelected({queued});
    queue.StopSelected({queued});  // paused -> canceled
    completed->Finish(State::Completed);
    FakeItem* failed = AddConversion();
    failed->Finish(State::Failed);
    FakeItem* waiting = Make(Kind::Download);
    queue.Add(waiting);
    waiting->SetState(State::Queued);

    const ActivityQueue::Selection all{running, paused, completed, queued, failed, waiting};
    EXPECT_TRUE(queue.CanClear(all));
    EXPECT_FALSE(queue.CanClear({running, paused}));
    queue.RemoveSelected(all);
    EXPECT_EQ(Order(), (std::vector<ActivityItem*>{running, paused, waiting}));
    EXPECT_EQ(grid.removed, (std::vector<ActivityItem*>{completed, queued, failed}));
    EXPECT_FALSE(queue.CanClear({}));
}

TEST_F(ActivityQueueSelection, ClearFinishedWithoutSelectionRemovesEveryFinishedItem) {
    FakeItem* keep = AddDownload();
    FakeItem* done = AddDownload();
    FakeItem* converted = AddConversion();
    done->Finish(State::Completed);
    converted->Finish(State::Completed);
    EXPECT_TRUE(queue.CanClear({}));
    EXPECT_FALSE(queue.CanClear({keep}));  // a selection limits the question to itself
    queue.ClearFinished();
    EXPECT_EQ(Order(), std::vector<ActivityItem*>{keep});
}

TEST_F(ActivityQueueSelection, StaleSelectionPointersAreIgnored) {
    FakeItem* gone = AddDownload();
    gone->Finish(State::Completed);
    queue.ClearFinished();
    FakeItem* stays = AddDownload();
    const ActivityQueue::Selection selection{gone, stays};
    EXPECT_TRUE(queue.CanStopAny(selection));
    queue.StopSelected(selection);
    EXPECT_EQ(gone->CountOf("Stop"), 0);
    EXPECT_EQ(stays->CountOf("Stop"), 1);
    queue.RemoveSelected(selection);
    EXPECT_EQ(std::count(grid.removed.begin(), grid.removed.end(), gone), 1);
    EXPECT_TRUE(queue.Items().empty());
}

}  // namespace
}  // namespace talvex::testing
