// The queue's rules hold for lists of thousands of items, and for items whose state changes
// on a worker while the queue no longer looks at every item.
#include "QueueFixture.h"

namespace talvex::testing {
namespace {

using State = ActivityState;
using Kind = ActivityKind;

class ActivityQueueLongList : public QueueFixture {};

// Prepares as a download does: on a worker, later; until then the state is what it was.
class SlowPreparingItem : public FakeItem {
public:
    SlowPreparingItem() : FakeItem(Kind::Download, L"slow") {}
    bool Prepare() override { return true; }
};

TEST_F(ActivityQueueLongList, TenThousandItemsKeepTheirOrderThePlacesAndTheDuplicateRule) {
    constexpr int kItems = 10000;
    std::vector<FakeItem*> items;
    for (int i = 0; i < kItems; ++i) {
        items.push_back(AddDownload());
        if (i % 10 == 0) {
            queue.Add(items[static_cast<size_t>(i / 2)]);  // already queued: ignored
        }
    }
    EXPECT_EQ(Order(), std::vector<ActivityItem*>(items.begin(), items.end()));
    EXPECT_EQ(grid.added.size(), size_t{kItems});
    for (int i = 0; i < kItems; ++i) {
        EXPECT_EQ(items[i]->state, i < 3 ? State::Running : State::Queued) << i;
    }
    // Each end lets the first waiting item in, in list order, never a fourth at once.
    for (int i = 0; i < 50; ++i) {
        items[i]->Finish(i % 2 == 0 ? State::Completed : State::Failed);
        Deliver();
        EXPECT_EQ(items[i + 3]->state, State::Running) << i;
        EXPECT_EQ(items[i + 4]->state, State::Queued) << i;
    }
    EXPECT_TRUE(queue.Contains(items[kItems - 1]));
    queue.ClearFinished();
    EXPECT_EQ(queue.Items().size(), size_t{kItems - 50});
    EXPECT_FALSE(queue.Contains(items[0]));
}

TEST_F(ActivityQueueLongList, FailedDownloadPreparedAgainRunsOnceItsPreparationHasEnded) {
    FakeItem* d1 = AddDownload();
    FakeItem* d2 = AddDownload();
    AddDownload();
    auto* again = new SlowPreparingItem;
    again->ownerWindow = &sink;
    held.emplace_back(again);
    queue.Add(again);
    again->Finish(State::Failed);
    Deliver();
    // Started again while three run: prepared anew, and failed until that preparation ends.
    queue.StartSelected({again});
    EXPECT_EQ(again->state, State::Failed);
    d1->Finish(State::Canceled);  // a place frees while it still prepares: nothing to start
    Deliver();
    EXPECT_EQ(again->CountOf("Run"), 0);
    again->SetState(State::Queued);  // the worker's preparation has ended
    d2->Finish(State::Completed);
    Deliver();
    EXPECT_EQ(again->state, State::Running);
}

}  // namespace
}  // namespace talvex::testing
