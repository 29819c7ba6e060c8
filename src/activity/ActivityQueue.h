#pragma once
// The ordered list of every download and conversion the user started. Insertion order is both
// display and scheduling order; at most three items of each kind run at once.
//
// Every operation holds the queue's lock for its whole duration, calls into items and into the
// observer included. Items therefore must not call back into the queue from those calls; they
// report the end of a run through their posted finished notice, which the user-interface thread
// hands to OnItemFinished later.
//
// Lists of many thousand items (a long playlist) are queued one Add at a time, so no single
// operation on one item looks at the whole list (see QueueIndex).
#include <cstdint>
#include <functional>
#include <vector>

#include "activity/ActivityItem.h"
#include "activity/QueueIndex.h"
#include "app/threads/DCriticalSection.h"
#include "app/threads/LockedRef.h"

namespace talvex {

class IGrid;

class ActivityQueue {
public:
    static constexpr int kMaxRunningPerKind = 3;
    // How long StopAll gives stopped encoder processes to end.
    static constexpr uint32_t kStopAllWaitMs = 2000;

    // Items the user selected in the Activity list. Pointers that are no longer in the queue
    // are ignored, never dereferenced.
    using Selection = std::vector<ActivityItem*>;
    using Sleeper = std::function<void(uint32_t ms)>;

    ActivityQueue();
    // Drops the queue's references without stopping anything (StopAll does that).
    ~ActivityQueue();
    ActivityQueue(const ActivityQueue&) = delete;
    ActivityQueue& operator=(const ActivityQueue&) = delete;

    // The observer, not owned; may be null.
    void SetGrid(IGrid* grid);
    // Replaces the sleep of StopAll (tests).
    void SetSleeper(Sleeper sleeper);

    // Appends the item (the queue takes a reference) and runs it, or prepares it when three of
    // its kind already run; then tells the observer. Null and items already queued are ignored.
    void Add(ActivityItem* item);
    // Appends an item that waits for the user (a paused download taken on at start): it runs
    // only once Start is chosen for it. Tells the observer.
    void AddPaused(ActivityItem* item);
    // Starts waiting items (Created or Queued) in list order while places are free,
    // conversions first.
    void Schedule();
    // The item's finished notice arrived: queue its follow-up conversion when it completed, and
    // fill the freed place. Ignored for an item no longer in the queue.
    void OnItemFinished(ActivityItem* item);
    // Whether any item runs or is paused.
    bool HasActiveItems();
    // Stops and removes every item; waits kStopAllWaitMs when a conversion was running or
    // paused, so that the stopped encoders can end.
    void StopAll();

    bool CanStartAny(const Selection& selection);
    bool CanPauseAny(const Selection& selection);
    bool CanStopAny(const Selection& selection);
    // With a selection: whether a selected item has finished (canceled, completed, failed);
    // without one: whether any queued item has.
    bool CanClear(const Selection& selection);
    bool StartSelected(const Selection& selection);
    void PauseSelected(const Selection& selection);
    void StopSelected(const Selection& selection);
    // Removes the selected items that have finished; others stay. A completed item whose
    // follow-up conversion is still attached (its notice not handled yet) queues it first.
    void RemoveSelected(const Selection& selection);
    // Removes every item that has finished, as RemoveSelected does.
    void ClearFinished();

    // The items in list order.
    std::vector<RefPtr<ActivityItem>> Items();
    bool Contains(const ActivityItem* item);

private:
    using ItemList = std::vector<RefPtr<ActivityItem>>;

    ItemList Snapshot() const;
    RefPtr<ActivityItem> Find(const ActivityItem* item) const;
    ItemList Resolve(const Selection& selection) const;
    int CountRunning(ActivityKind kind) const;
    void ScheduleKind(ActivityKind kind);
    // Runs a queued item; it takes a place while Running.
    void RunItem(ActivityItem& item);
    void Erase(const ActivityItem* item);
    void RemoveFinished(const ItemList& candidates);
    // Queues the conversion a completed item asked for, with the item's file as its source.
    void HandOnFollowUp(ActivityItem& finished);

    QueueIndex items_;
    IGrid* grid_ = nullptr;
    Sleeper sleeper_;
    mutable DCriticalSection lock_;
};

}  // namespace talvex
