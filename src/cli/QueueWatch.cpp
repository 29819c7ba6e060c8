#include "cli/QueueWatch.h"

#include <utility>

#include "activity/ActivityQueue.h"

namespace talvex::cli {

QueueWatch::QueueWatch(ActivityQueue& queue) : queue_(queue) {
    // Watching first: an item added in between is seen twice rather than never.
    queue_.SetGrid(this);
    std::vector<RefPtr<ActivityItem>> queued = queue_.Items();
    std::lock_guard guard(lock_);
    queued.insert(queued.end(), added_.begin(), added_.end());
    added_ = std::move(queued);
}

QueueWatch::~QueueWatch() {
    queue_.SetGrid(nullptr);
}

std::vector<RefPtr<ActivityItem>> QueueWatch::TakeAdded() {
    std::lock_guard guard(lock_);
    return std::exchange(added_, {});
}

void QueueWatch::AddItem(ActivityItem* item) {
    std::lock_guard guard(lock_);
    added_.emplace_back(item);
}

}  // namespace talvex::cli
