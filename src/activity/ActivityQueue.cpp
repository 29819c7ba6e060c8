#include "activity/ActivityQueue.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "activity/IGrid.h"

namespace talvex {

ActivityQueue::ActivityQueue()
    : sleeper_([](uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }) {}

ActivityQueue::~ActivityQueue() {
    DCriticalSectionContext hold(&lock_);
    items_.Clear();
}

void ActivityQueue::SetGrid(IGrid* grid) {
    DCriticalSectionContext hold(&lock_);
    grid_ = grid;
}

void ActivityQueue::SetSleeper(Sleeper sleeper) {
    DCriticalSectionContext hold(&lock_);
    sleeper_ = std::move(sleeper);
}

void ActivityQueue::Add(ActivityItem* item) {
    if (!item) {
        return;
    }
    DCriticalSectionContext hold(&lock_);
    if (Find(item)) {
        return;
    }
    const bool limitReached = CountRunning(item->kind) >= kMaxRunningPerKind;
    items_.Append(item);
    if (limitReached) {
        // An item that arrives running takes a place all the same; one that arrives failed
        // turns Queued only when its preparation has run.
        const ActivityState s = item->state.load();
        if (s == ActivityState::Running) {
            items_.NoteStarted(item);
        }
        items_.NoteMayWait(item, s == ActivityState::Failed);
        item->Prepare();
    } else {
        RunItem(*item);
    }
    if (grid_) {
        grid_->AddItem(item);
    }
}

void ActivityQueue::AddPaused(ActivityItem* item) {
    if (!item) {
        return;
    }
    DCriticalSectionContext hold(&lock_);
    if (Find(item)) {
        return;
    }
    items_.Append(item);
    if (grid_) {
        grid_->AddItem(item);
    }
}

void ActivityQueue::Schedule() {
    DCriticalSectionContext hold(&lock_);
    ScheduleKind(ActivityKind::Conversion);
    ScheduleKind(ActivityKind::Download);
}

void ActivityQueue::ScheduleKind(ActivityKind kind) {
    // Each waiting item gets one Run per pass: one whose Run leaves it waiting (a failure to
    // start) would otherwise be picked again for ever.
    std::vector<ActivityItem*> tried;
    while (CountRunning(kind) < kMaxRunningPerKind) {
        ActivityItem* next = items_.FirstWaiting(kind, tried);
        if (next == nullptr) {
            return;
        }
        tried.push_back(next);
        RunItem(*next);
    }
}

void ActivityQueue::RunItem(ActivityItem& item) {
    items_.NoteStarted(&item);
    item.Run();
}

void ActivityQueue::OnItemFinished(ActivityItem* item) {
    DCriticalSectionContext hold(&lock_);
    // The notice may arrive after the item was cleared from the list (and perhaps freed), so
    // it is looked up by address before it is touched.
    RefPtr<ActivityItem> finished = Find(item);
    if (!finished) {
        return;
    }
    const ActivityState ended = finished->state.load();
    if (IsFinishedState(ended)) {
        items_.NoteEnded(finished.get());
    }
    switch (ended) {
        case ActivityState::Completed:
            HandOnFollowUp(*finished);
            Schedule();
            break;
        case ActivityState::Canceled:
        case ActivityState::Failed:
            Schedule();
            break;
        default:
            break;
    }
}

bool ActivityQueue::HasActiveItems() {
    DCriticalSectionContext hold(&lock_);
    for (const auto& item : Snapshot()) {
        const ActivityState s = item->state.load();
        if (s == ActivityState::Running || s == ActivityState::Paused) {
            return true;
        }
    }
    return false;
}

void ActivityQueue::StopAll() {
    DCriticalSectionContext hold(&lock_);
    bool encoderStopped = false;
    for (const auto& item : Snapshot()) {
        const ActivityState s = item->state.load();
        if (item->IsConversion() && (s == ActivityState::Running || s == ActivityState::Paused)) {
            encoderStopped = true;
        }
        item->StopForExit();
        if (grid_) {
            grid_->RemoveItem(item.get());
        }
    }
    items_.Clear();
    if (encoderStopped && sleeper_) {
        sleeper_(kStopAllWaitMs);
    }
}

bool ActivityQueue::CanStartAny(const Selection& selection) {
    DCriticalSectionContext hold(&lock_);
    for (const auto& item : Resolve(selection)) {
        if (!item->CanStart()) {
            continue;
        }
        if (CountRunning(item->kind) < kMaxRunningPerKind) {
            return true;
        }
        const ActivityState s = item->state.load();
        if (item->IsDownload() && (s == ActivityState::Failed || s == ActivityState::Paused)) {
            return true;
        }
    }
    return false;
}

bool ActivityQueue::CanPauseAny(const Selection& selection) {
    DCriticalSectionContext hold(&lock_);
    for (const auto& item : Resolve(selection)) {
        if (item->CanPause()) {
            return true;
        }
    }
    return false;
}

bool ActivityQueue::CanStopAny(const Selection& selection) {
    DCriticalSectionContext hold(&lock_);
    for (const auto& item : Resolve(selection)) {
        if (item->CanStop()) {
            return true;
        }
    }
    return false;
}

bool ActivityQueue::CanClear(const Selection& selection) {
    DCriticalSectionContext hold(&lock_);
    const ItemList candidates = selection.empty() ? Snapshot() : Resolve(selection);
    return std::any_of(candidates.begin(), candidates.end(),
                       [](const auto& item) { return IsFinishedState(item->state.load()); });
}

bool ActivityQueue::StartSelected(const Selection& selection) {
    DCriticalSectionContext hold(&lock_);
    for (const auto& item : Resolve(selection)) {
        if (!item->CanStart()) {
            continue;
        }
        // Back in line, whatever follows.
        const ActivityState s = item->state.load();
        items_.NoteMayWait(item.get(), s == ActivityState::Failed);
        if (CountRunning(item->kind) < kMaxRunningPerKind) {
            RunItem(*item);
            continue;
        }
        if (item->IsConversion()) {
            continue;
        }
        if (s == ActivityState::Failed) {
            item->Prepare();  // resolves the page again and waits for a place
        } else if (s == ActivityState::Paused) {
            // Wait for a place; the later Run sees prevState Paused and resumes instead of
            // starting over.
            item->prevState.store(ActivityState::Paused);
            item->state.store(ActivityState::Queued);
        }
    }
    return true;
}

void ActivityQueue::PauseSelected(const Selection& selection) {
    DCriticalSectionContext hold(&lock_);
    for (const auto& item : Resolve(selection)) {
        item->Pause();
    }
    // A paused item frees its place for a waiting one.
    Schedule();
}

void ActivityQueue::StopSelected(const Selection& selection) {
    DCriticalSectionContext hold(&lock_);
    for (const auto& item : Resolve(selection)) {
        item->Stop();
    }
}

void ActivityQueue::RemoveSelected(const Selection& selection) {
    DCriticalSectionContext hold(&lock_);
    RemoveFinished(Resolve(selection));
}

void ActivityQueue::ClearFinished() {
    DCriticalSectionContext hold(&lock_);
    RemoveFinished(Snapshot());
}

void ActivityQueue::RemoveFinished(const ItemList& candidates) {
    for (const auto& item : candidates) {
        if (!IsFinishedState(item->state.load())) {
            continue;
        }
        if (item->state.load() == ActivityState::Completed) {
            // Cleared before its finished notice was handled: the conversion it asked for is
            // queued now, since the notice will find the item gone.
            HandOnFollowUp(*item);
        }
        if (grid_) {
            grid_->RemoveItem(item.get());
        }
        Erase(item.get());
    }
}

void ActivityQueue::HandOnFollowUp(ActivityItem& finished) {
    if (RefPtr<ActivityItem> next = finished.followUp.Load()) {
        next->sourcePath = finished.OutputPath();
        Add(next.get());
        finished.followUp.Reset();
    }
}

std::vector<RefPtr<ActivityItem>> ActivityQueue::Items() {
    DCriticalSectionContext hold(&lock_);
    return Snapshot();
}

bool ActivityQueue::Contains(const ActivityItem* item) {
    DCriticalSectionContext hold(&lock_);
    return static_cast<bool>(Find(item));
}

ActivityQueue::ItemList ActivityQueue::Snapshot() const {
    return items_.Snapshot();
}

RefPtr<ActivityItem> ActivityQueue::Find(const ActivityItem* item) const {
    return item ? items_.Find(item) : RefPtr<ActivityItem>();
}

ActivityQueue::ItemList ActivityQueue::Resolve(const Selection& selection) const {
    ItemList list;
    for (ActivityItem* selected : selection) {
        if (RefPtr<ActivityItem> item = Find(selected)) {
            list.push_back(std::move(item));
        }
    }
    return list;
}

int ActivityQueue::CountRunning(ActivityKind kind) const {
    return items_.CountRunning(kind);
}

void ActivityQueue::Erase(const ActivityItem* item) {
    items_.Remove(item);
}

}  // namespace talvex
