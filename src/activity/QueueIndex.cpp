#include "activity/QueueIndex.h"

#include <algorithm>

namespace talvex {

namespace {

bool IsWaiting(ActivityState s) {
    return s == ActivityState::Created || s == ActivityState::Queued;
}

bool Listed(const std::vector<ActivityItem*>& list, const ActivityItem* item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

}  // namespace

bool QueueIndex::Append(ActivityItem* item) {
    if (places_.count(item) != 0) {
        return false;
    }
    cells_.emplace_back(item);
    const uint64_t order = nextOrder_++;
    places_.emplace(item, Place{std::prev(cells_.end()), order});
    mayWait_[KindIndex(item->kind)].emplace(order, Candidate{item, false});
    return true;
}

RefPtr<ActivityItem> QueueIndex::Find(const ActivityItem* item) const {
    const auto at = places_.find(item);
    return at != places_.end() ? at->second.cell->Load() : RefPtr<ActivityItem>();
}

void QueueIndex::Remove(const ActivityItem* item) {
    const auto at = places_.find(item);
    if (at == places_.end()) {
        return;
    }
    const size_t kind = KindIndex(item->kind);
    std::vector<ActivityItem*>& started = started_[kind];
    started.erase(std::remove(started.begin(), started.end(), item), started.end());
    mayWait_[kind].erase(at->second.order);
    const Cells::iterator cell = at->second.cell;
    places_.erase(at);
    cells_.erase(cell);  // may free the item: last
}

void QueueIndex::Clear() {
    started_ = {};
    mayWait_ = {};
    places_.clear();
    cells_.clear();
}

std::vector<RefPtr<ActivityItem>> QueueIndex::Snapshot() const {
    std::vector<RefPtr<ActivityItem>> list;
    list.reserve(cells_.size());
    for (const auto& cell : cells_) {
        if (RefPtr<ActivityItem> item = cell.Load()) {
            list.push_back(std::move(item));
        }
    }
    return list;
}

void QueueIndex::NoteStarted(ActivityItem* item) {
    std::vector<ActivityItem*>& started = started_[KindIndex(item->kind)];
    if (!Listed(started, item)) {
        started.push_back(item);
    }
}

void QueueIndex::NoteEnded(const ActivityItem* item) {
    std::vector<ActivityItem*>& started = started_[KindIndex(item->kind)];
    started.erase(std::remove(started.begin(), started.end(), item), started.end());
}

int QueueIndex::CountRunning(ActivityKind kind) const {
    const std::vector<ActivityItem*>& started = started_[KindIndex(kind)];
    return static_cast<int>(std::count_if(started.begin(), started.end(), [](ActivityItem* item) {
        return item->state.load() == ActivityState::Running;
    }));
}

void QueueIndex::NoteMayWait(ActivityItem* item, bool preparedAgain) {
    const auto at = places_.find(item);
    if (at == places_.end()) {
        return;
    }
    Candidate& candidate = mayWait_[KindIndex(item->kind)]
                               .try_emplace(at->second.order, Candidate{item, false})
                               .first->second;
    candidate.keepWhileFinished = candidate.keepWhileFinished || preparedAgain;
}

ActivityItem* QueueIndex::FirstWaiting(ActivityKind kind, const std::vector<ActivityItem*>& skip) {
    std::map<uint64_t, Candidate>& candidates = mayWait_[KindIndex(kind)];
    for (auto at = candidates.begin(); at != candidates.end();) {
        Candidate& candidate = at->second;
        const ActivityState s = candidate.item->state.load();
        if (IsFinishedState(s)) {
            if (candidate.keepWhileFinished) {
                ++at;
            } else {
                at = candidates.erase(at);
            }
            continue;
        }
        candidate.keepWhileFinished = false;
        if (IsWaiting(s) && !Listed(skip, candidate.item)) {
            return candidate.item;
        }
        ++at;
    }
    return nullptr;
}

}  // namespace talvex
