// The item's transfers: the list of them, starting and stopping them, and what the item makes
// of each one's end (OnSubItemComplete).
#include "download/DownloadItem.h"

#include <algorithm>

#include "app/DebugLog.h"
#include "download/DownloadSubItem.h"

namespace talvex {

size_t DownloadItem::SubItemCount() {
    std::lock_guard<DCriticalSection> guard(subItemLock_);
    return subItems_.size();
}

void DownloadItem::ForEachSegment(const std::function<void(MultiStreamSubItem&)>& fn) {
    std::lock_guard<DCriticalSection> guard(subItemLock_);
    if (!multiStream_.load()) {
        return;
    }
    for (const auto& sub : subItems_) {
        fn(static_cast<MultiStreamSubItem&>(*sub));
    }
}

bool DownloadItem::AddSubItem(DownloadSubItem* sub) {
    if (sub == nullptr) {
        return false;
    }
    std::lock_guard<DCriticalSection> guard(subItemLock_);
    subItems_.emplace_back(sub);
    return true;
}

bool DownloadItem::IsCurrentSubItem(DownloadSubItem* sub) {
    std::lock_guard<DCriticalSection> guard(subItemLock_);
    return std::any_of(subItems_.begin(), subItems_.end(),
                       [sub](const RefPtr<DownloadSubItem>& p) { return p.get() == sub; });
}

void DownloadItem::RemoveSubItem(DownloadSubItem* sub) {
    std::lock_guard<DCriticalSection> guard(subItemLock_);
    auto it = std::find_if(subItems_.begin(), subItems_.end(),
                           [sub](const RefPtr<DownloadSubItem>& p) { return p.get() == sub; });
    if (it != subItems_.end()) {
        // What the transfer put on disk stays counted in the record.
        CollectRecordSegments();
        subItems_.erase(it);
    }
}

int DownloadItem::GetRunningSubItems() {
    DebugLog::Write("Enter DownloadItem::GetRuningSubItems()");
    int running = 0;
    {
        std::lock_guard<DCriticalSection> guard(subItemLock_);
        for (const auto& sub : subItems_) {
            if (sub->IsRunning()) {
                ++running;
            }
        }
    }
    DebugLog::Write("Exit DownloadItem::GetRuningSubItems()");
    return running;
}

void DownloadItem::StopAllSubItems() {
    stopRequested_.store(true);
    for (const auto& sub : subItems_) {
        if (sub->IsRunning()) {
            sub->Stop();
        }
    }
}

std::shared_ptr<File> DownloadItem::OutputFile() {
    std::lock_guard<DCriticalSection> guard(subItemLock_);
    return outputFile_;
}

bool DownloadItem::StartSubItem(DownloadSubItem* sub) {
    // Counted as running from now on, not only once a worker picks it up: otherwise a segment
    // that ends quickly could find no other running and finish the download early.
    sub->runState.store(DownloadSubItem::kRunning);
    RefPtr<DownloadSubItem> hold(sub);
    if (!QueueWork([hold] { AsyncDownload(hold.get()); })) {
        sub->runState.store(DownloadSubItem::kFinished);
        return false;
    }
    return true;
}

void DownloadItem::AsyncDownload(DownloadSubItem* sub) {
    DebugLog::Write("Enter DownloadItem::AsyncDownload");
    Trace("Running stream download\n");
    RefPtr<DownloadSubItem> hold(sub);
    try {
        if (sub->Run()) {
            DebugLog::Write("Exit DownloadItem::AsyncDownload (success)");
        } else {
            DebugLog::Write("Exit DownloadItem::AsyncDownload (failed 1)");
        }
    } catch (...) {
        DebugLog::Write("Exit DownloadItem::AsyncDownload (failed 2)");
    }
}

bool DownloadItem::OnSubItemComplete(DownloadSubItem* sub) {
    DebugLog::Write("Enter DownloadItem::OnSubItemComplete");
    try {
        const uint32_t code = sub->GetResult();
        const bool subFailed = sub->HasFailed();
        bool paused = false;
        {
            std::lock_guard<DCriticalSection> guard(subItemLock_);
            sub->runState.store(DownloadSubItem::kFinished);
            if (!IsCurrentSubItem(sub)) {
                // A transfer of a run that has already ended (failed, or restarted meanwhile).
                DebugLog::Write("Exit DownloadItem::OnSubItemComplete (success)");
                return true;
            }
            if (!multiStream_.load()) {
                if (stopRequested_.load()) {
                    // Stopped by the user: whatever the transfer managed meanwhile, the run is
                    // canceled (its file is already gone).
                    SetState(ActivityState::Canceled);
                } else if (subFailed) {
                    SetState(ActivityState::Failed);
                    failed_.store(code);
                    NoteWriteError(*sub);
                } else if (code == kNetStopped) {
                    SetState(ActivityState::Canceled);
                } else {
                    // Still running until the file has its final name (OnItemComplete).
                    transferred_.store(true);
                }
            } else {
                bool finalStep = false;
                switch (state.load()) {
                    case ActivityState::Paused:
                    case ActivityState::Completed:
                        // No transfer should end in these states.
                        SetState(ActivityState::Failed);
                        StopAllSubItems();
                        finalStep = true;
                        break;
                    case ActivityState::Failed:
                        RemoveSubItem(sub);
                        break;
                    case ActivityState::Running:
                    case ActivityState::Canceled:
                        if (stopRequested_.load()) {
                            RemoveSubItem(sub);
                        } else if (subFailed) {
                            SetState(ActivityState::Failed);
                            failed_.store(code);
                            NoteWriteError(*sub);
                            RemoveSubItem(sub);
                            StopAllSubItems();
                        }
                        break;
                    default:
                        break;
                }
                // Segments that ended before a pause stay in the list (they are resumed as
                // finished), so the run ends when none is running, not when the list is empty.
                if (!finalStep && GetRunningSubItems() != 0) {
                    DebugLog::Write("Exit DownloadItem::OnSubItemComplete (success)");
                    return true;
                }
                ActivityState s = state.load();
                if (s == ActivityState::Pausing) {
                    // A pause is no end of the run: nothing to complete. (A resume may follow
                    // the moment this lock is let go.) The record keeps what the segments
                    // reached, for a program that ends while the item is paused.
                    SetState(ActivityState::Paused);
                    paused = true;
                }
                if (!paused && s == ActivityState::Running && !retrySingle_.load()) {
                    // Still running until the file has its final name (OnItemComplete).
                    transferred_.store(true);
                }
                DebugLog::Write("Exit DownloadItem::OnSubItemComplete (failed 1)");
            }
        }
        if (paused) {
            SaveRecord();
            return true;
        }
        return OnItemComplete();
    } catch (...) {
        DebugLog::Write("Exit DownloadItem::OnSubItemComplete (failed 2)");
        return false;
    }
}

}  // namespace talvex
