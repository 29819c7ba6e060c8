#pragma once
// The activity queue's observer in talvex-cli: it keeps every item the queue adds, in order, so
// that the runner takes only the new ones instead of looking at the whole queue again after
// each notice (with a list of thousands of items, that made a run take minutes).
//
// The queue calls it with its lock held; TakeAdded may be called from any thread.
#include <mutex>
#include <vector>

#include "activity/ActivityItem.h"
#include "activity/IGrid.h"
#include "app/threads/RefPtr.h"

namespace talvex {
class ActivityQueue;
}

namespace talvex::cli {

class QueueWatch : public IGrid {
public:
    // Starts with the items already queued, then watches the queue until destroyed.
    explicit QueueWatch(ActivityQueue& queue);
    ~QueueWatch() override;
    QueueWatch(const QueueWatch&) = delete;
    QueueWatch& operator=(const QueueWatch&) = delete;

    // The items added since the last call (the queued ones at the first), oldest first. An
    // item queued while the watch started may come twice.
    std::vector<RefPtr<ActivityItem>> TakeAdded();

    void AddItem(ActivityItem* item) override;
    void RemoveItem(ActivityItem*) override {}
    void UpdateItem(ActivityItem*) override {}

private:
    ActivityQueue& queue_;
    std::mutex lock_;
    std::vector<RefPtr<ActivityItem>> added_;
};

}  // namespace talvex::cli
