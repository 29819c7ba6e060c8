#include "cli/QueueWatch.h"

#include <gtest/gtest.h>

#include "activity/ActivityQueue.h"
#include "unit/activity/FakeActivity.h"

namespace talvex::cli {
namespace {

using talvex::testing::FakeItem;

std::vector<ActivityItem*> Pointers(const std::vector<RefPtr<ActivityItem>>& items) {
    std::vector<ActivityItem*> pointers;
    for (const auto& item : items) {
        pointers.push_back(item.get());
    }
    return pointers;
}

TEST(QueueWatch, HandsOverTheQueuedItemsThenEachAddedOneOnce) {
    ActivityQueue queue;
    queue.SetSleeper([](uint32_t) {});
    auto before = MakeRef<FakeItem>(ActivityKind::Download);
    queue.Add(before.get());
    auto later = MakeRef<FakeItem>(ActivityKind::Download);
    auto conversion = MakeRef<FakeItem>(ActivityKind::Conversion);
    {
        QueueWatch watch(queue);
        EXPECT_EQ(Pointers(watch.TakeAdded()), std::vector<ActivityItem*>{before.get()});
        queue.Add(later.get());
        queue.Add(later.get());  // ignored by the queue, so not told either
        // A follow-up conversion is queued when its download's notice is handled.
        before->followUp.Store(conversion.get());
        before->Finish(ActivityState::Completed, L"/videos/a.mp4");
        queue.OnItemFinished(before.get());
        EXPECT_EQ(Pointers(watch.TakeAdded()),
                  (std::vector<ActivityItem*>{later.get(), conversion.get()}));
        EXPECT_TRUE(watch.TakeAdded().empty());
    }
    // Unwatched again: the queue no longer calls a watch that is gone.
    auto last = MakeRef<FakeItem>(ActivityKind::Download);
    queue.Add(last.get());
    queue.StopAll();
}

}  // namespace
}  // namespace talvex::cli
