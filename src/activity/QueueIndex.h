#pragma once
// The activity queue's items in list order, with what keeps a list of many thousand items
// (a long playlist, queued one item at a time) cheap to manage: where each item sits, which
// items have been started, and which may be waiting. None of it looks at the whole list.
//
// Not locked: the queue calls it under its own lock.
//
// Two rules of the items make the shortcuts exact:
// - An item is Running only after the queue ran it, and once its finished notice has been
//   handled it runs again only when the queue runs it. So the places taken are counted among
//   the started items whose end has not been seen.
// - A finished item (canceled, completed, failed) waits again only when the queue puts it back
//   in line (StartSelected), so the search for the next waiting item forgets the finished ones
//   it passes. The one exception is a failed item prepared again: it turns Queued later, on a
//   worker, so it is kept until it has been seen unfinished.
#include <array>
#include <cstdint>
#include <list>
#include <map>
#include <unordered_map>
#include <vector>

#include "activity/ActivityItem.h"
#include "app/threads/LockedRef.h"

namespace talvex {

class QueueIndex {
public:
    QueueIndex() = default;
    QueueIndex(const QueueIndex&) = delete;
    QueueIndex& operator=(const QueueIndex&) = delete;

    // Appends the item (taking a reference); false when it is there already.
    bool Append(ActivityItem* item);
    // The item when it is in the list. Compares addresses first, so item may be stale.
    RefPtr<ActivityItem> Find(const ActivityItem* item) const;
    // Drops the item (and the list's reference); nothing when it is not there.
    void Remove(const ActivityItem* item);
    void Clear();
    size_t Size() const { return cells_.size(); }
    std::vector<RefPtr<ActivityItem>> Snapshot() const;

    // The queue runs the item: it takes a place while Running.
    void NoteStarted(ActivityItem* item);
    // The item's finished notice was handled and it had finished: its run is over.
    void NoteEnded(const ActivityItem* item);
    // Items of kind in state Running.
    int CountRunning(ActivityKind kind) const;

    // The queue put the item back in line (it may wait again); preparedAgain: it was failed and
    // has just been prepared again.
    void NoteMayWait(ActivityItem* item, bool preparedAgain);
    // The first item of kind, in list order, that waits (Created or Queued) and is not in skip;
    // null when there is none.
    ActivityItem* FirstWaiting(ActivityKind kind, const std::vector<ActivityItem*>& skip);

private:
    using Cells = std::list<LockedRef<ActivityItem>>;
    struct Place {
        Cells::iterator cell;
        uint64_t order;  // rises with every Append: list order
    };
    struct Candidate {
        ActivityItem* item;
        bool keepWhileFinished;  // a failed item prepared again, not yet seen unfinished
    };
    static size_t KindIndex(ActivityKind kind) { return kind == ActivityKind::Conversion ? 1 : 0; }

    Cells cells_;
    std::unordered_map<const ActivityItem*, Place> places_;
    uint64_t nextOrder_ = 0;
    // Per kind: the started items whose end has not been seen.
    std::array<std::vector<ActivityItem*>, 2> started_;
    // Per kind, by list order: every item that may be waiting.
    std::array<std::map<uint64_t, Candidate>, 2> mayWait_;
};

}  // namespace talvex
