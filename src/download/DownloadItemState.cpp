// The operations the queue calls (Prepare, Run, Pause, Stop and what they allow) and the end of
// a run: the state table of the item.
#include "download/DownloadItem.h"

#include "app/DebugLog.h"
#include "download/DownloadSubItem.h"

namespace talvex {

bool DownloadItem::Prepare() {
    ActivityState s = state.load();
    if (s != ActivityState::Created && s != ActivityState::Failed) {
        return true;
    }
    stopRequested_.store(false);
    failed_.store(0);
    RefPtr<DownloadItem> self(this);
    return QueueWork([self] { self->AsyncPrepare(); });
}

bool DownloadItem::Run() {
    DebugLog::Write("Enter DownloadItem::Run");
    bool finishNow = false;
    {
        std::lock_guard<DCriticalSection> guard(subItemLock_);
        ActivityState s = state.load();
        ActivityState before = prevState.load();
        // Resuming needs the stopped segments; without them the download starts over. A
        // download taken on from a record first checks the media (AsyncRun).
        bool resume = (s == ActivityState::Paused ||
                       (s == ActivityState::Queued && before == ActivityState::Paused)) &&
                      multiStream_.load() && !subItems_.empty() && !pendingRecord_;
        keepWork_.store(false);
        if (resume) {
            stopRequested_.store(false);
            failed_.store(0);
            transferred_.store(false);
            SetErrorText(std::wstring());
            SetState(ActivityState::Running);
            bool anyLeft = false;
            for (const auto& sub : subItems_) {
                if (sub->IsRunning()) {
                    anyLeft = true;
                    continue;
                }
                auto* segment = static_cast<MultiStreamSubItem*>(sub.get());
                if (segment->Position() <= segment->To()) {
                    anyLeft = true;
                }
                if (!sub->Resume()) {
                    KeepPaused();
                    return false;
                }
            }
            // Every segment had ended before the pause took hold: the transfer is complete.
            if (!anyLeft) {
                transferred_.store(!retrySingle_.load());
                finishNow = true;
            }
        } else if (s == ActivityState::Created || s == ActivityState::Queued ||
                   s == ActivityState::Canceled || s == ActivityState::Failed ||
                   s == ActivityState::Paused) {
            // Transfers of an earlier run may still be on their way out (they write into that
            // run's file, already deleted); leaving the list, their end reports are ignored.
            subItems_.clear();
            stopRequested_.store(false);
            failed_.store(0);
            transferred_.store(false);
            SetErrorText(std::wstring());
            multiStream_.store(false);
            runNumber_.fetch_add(1);
            SetState(ActivityState::Running);
            RefPtr<DownloadItem> self(this);
            if (!QueueWork([self] { self->AsyncRun(); })) {
                SetState(ActivityState::Failed);
                failed_.store(1);
                DebugLog::Write("Exit DownloadItem::Run (the run could not be started: failed)");
                return false;
            }
            return true;
        } else {
            DebugLog::Write("Exit DownloadItem::Run");
            return false;
        }
    }
    if (finishNow) {
        OnItemComplete();
    }
    return true;
}

void DownloadItem::KeepPaused() {
    SetState(ActivityState::Pausing);
    StopAllSubItems();
    if (GetRunningSubItems() == 0) {
        SetState(ActivityState::Paused);
    }
    DebugLog::Write("Exit DownloadItem::Run (a segment could not be resumed: stays paused)");
    Trace("A segment could not be resumed: the download stays paused\n");
}

bool DownloadItem::Pause() {
    std::lock_guard<DCriticalSection> guard(subItemLock_);
    // Only a segmented transfer can continue where it stopped; a single stream would have to
    // start over, so it is not paused at all. Nor is a run whose transfers have all ended: its
    // file is being stored.
    if (state.load() != ActivityState::Running || !multiStream_.load() || transferred_.load()) {
        return false;
    }
    SetState(ActivityState::Pausing);
    StopAllSubItems();
    return true;
}

bool DownloadItem::Stop() {
    bool cleanup = false;
    bool complete = false;
    {
        std::lock_guard<DCriticalSection> guard(subItemLock_);
        switch (state.load()) {
            case ActivityState::Running:
                SetState(ActivityState::Canceled);
                StopAllSubItems();
                cleanup = true;
                break;
            case ActivityState::Canceled:
            case ActivityState::Failed:
                cleanup = true;
                break;
            case ActivityState::Completed:
                // The file is stored (or being stored): there is nothing to clean up.
                break;
            case ActivityState::Paused:
                stopRequested_.store(true);
                SetState(ActivityState::Canceled);
                complete = true;
                break;
            case ActivityState::Created:
            case ActivityState::Queued:
                stopRequested_.store(true);
                SetState(ActivityState::Canceled);
                // A paused item waiting for a place keeps stopped segments; they go now.
                subItems_.clear();
                cleanup = true;
                break;
            case ActivityState::Pausing:
                // The stopping segments end the run; the last one posts the finished notice.
                stopRequested_.store(true);
                SetState(ActivityState::Canceled);
                cleanup = true;
                break;
        }
    }
    if (cleanup) {
        Cleanup();
    }
    if (complete) {
        OnItemComplete();
    }
    return true;
}

bool DownloadItem::CanStart() {
    ActivityState s = state.load();
    return s == ActivityState::Queued || s == ActivityState::Canceled ||
           s == ActivityState::Paused || s == ActivityState::Failed;
}

bool DownloadItem::CanPause() {
    return multiStream_.load() && state.load() == ActivityState::Running && !transferred_.load();
}

bool DownloadItem::CanStop() {
    ActivityState s = state.load();
    return s == ActivityState::Queued || s == ActivityState::Running || s == ActivityState::Paused;
}

bool DownloadItem::OnItemComplete() {
    std::function<void()> hook;
    {
        std::lock_guard<DCriticalSection> guard(subItemLock_);
        hook = windUpHook_;
    }
    if (hook) {
        hook();
    }
    std::lock_guard<DCriticalSection> completion(completionLock_);
    DebugLog::Write("Enter DownloadItem::OnItemComplete()");
    ActivityState s = state.load();
    if (s == ActivityState::Canceled || s == ActivityState::Failed) {
        Cleanup();
        if (multiStream_.load() && retrySingle_.load()) {
            // The server sends the whole file for a range request: once every segment has
            // ended, run again as one stream.
            {
                std::lock_guard<DCriticalSection> guard(subItemLock_);
                subItems_.clear();
            }
            SetState(ActivityState::Queued);
            DebugLog::Write(
                "Exit DownloadItem::OnItemComplete() (Multi Stream failed, try single stream)");
            return Run();
        }
    } else if (s == ActivityState::Running) {
        CompleteRun();
        s = state.load();
    }
    // Only a run that has ended is wound up. A pause is no end (the list reads the paused
    // state by itself), and an end reported late, after the user has resumed or restarted the
    // item, must not take the transfers of the run now under way.
    if (IsFinishedState(s)) {
        {
            std::lock_guard<DCriticalSection> guard(subItemLock_);
            subItems_.clear();
        }
        PostFinishedOnce();
    }
    DebugLog::Write("Exit DownloadItem::OnItemComplete()");
    return true;
}

void DownloadItem::PostFinishedOnce() {
    uint64_t run = runNumber_.load();
    if (postedRun_.exchange(run) != run) {
        PostFinished();
    }
}

void DownloadItem::OnFailed() {
    DebugLog::Write("Enter DownloadItem::OnFailed");
    {
        std::lock_guard<DCriticalSection> guard(subItemLock_);
        SetState(ActivityState::Failed);
        failed_.store(1);
        StopAllSubItems();
    }
    OnItemComplete();
    DebugLog::Write("Exit DownloadItem::OnFailed");
}

}  // namespace talvex
