#pragma once
// One download or conversion in the activity queue. The queue, a worker running the item and
// the item that precedes it (through its followUp cell) each hold a reference; the item
// deletes itself when the last one goes.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "activity/ConversionQuality.h"
#include "app/threads/DRefCounted.h"
#include "app/threads/LockedRef.h"
#include "platform/MessageSink.h"

namespace talvex {

enum class ActivityKind : int32_t {
    Download = 0,
    Conversion = 1,
};

enum class ActivityState : int32_t {
    Created = 0,  // not yet prepared
    Queued = 1,   // waiting for a free place (prepared, or paused and waiting to resume)
    Running = 2,
    Canceled = 3,
    Pausing = 4,  // pause asked, transfers still stopping (downloads only)
    Paused = 5,
    Completed = 6,
    Failed = 7,
};

// States in which an item has ended its run and may be cleared from the list.
inline bool IsFinishedState(ActivityState s) {
    return s == ActivityState::Canceled || s == ActivityState::Completed ||
           s == ActivityState::Failed;
}

class ItemPresence;

class ActivityItem : public DRefCounted {
public:
    explicit ActivityItem(ActivityKind kind);
    ~ActivityItem() override;

    // Current figures. The base reports 0, 0.0, 0 and true.
    virtual bool GetProgress(int32_t& outPercent, double& outSpeed, int32_t& outSecondsLeft);
    // The figures stored by the last GetProgress (the fields below).
    virtual void GetLastProgress(int32_t& outPercent, double& outSpeed, int32_t& outSecondsLeft);
    virtual std::wstring GetFileName() = 0;
    // Renames the item (and its finished file); false when the file could not be moved.
    virtual bool SetFileName(const std::wstring& name) = 0;
    // The state, then GetProgress for the rest; false when the figures are not available.
    virtual bool GetStatus(ActivityState& outState, int32_t& outPercent, double& outSpeed,
                           int32_t& outSecondsLeft);
    // Work done while the item waits for a place; leaves it Queued (or Failed).
    virtual bool Prepare() = 0;
    // Start, restart or resume. Must leave Created and Queued before it returns, because the
    // queue's scheduling loop relies on it.
    virtual bool Run() = 0;
    virtual bool Pause() = 0;
    // Cancel.
    virtual bool Stop() = 0;
    // Stops at the program's end. An item that can go on at the next start (a download with
    // a record beside its work file) keeps what it needs; the rest stop as Stop does.
    virtual bool StopForExit() { return Stop(); }
    virtual bool CanStart() = 0;
    virtual bool CanPause() = 0;
    virtual bool CanStop() = 0;

    // Records a transition: prevState takes the current state.
    void SetState(ActivityState next) {
        prevState.store(state.load());
        state.store(next);
    }
    bool IsDownload() const { return kind == ActivityKind::Download; }
    bool IsConversion() const { return kind == ActivityKind::Conversion; }

    // Tells the owner window that a run has ended (completed, failed, canceled while running,
    // or stopped from paused). The window answers with ActivityQueue::OnItemFinished.
    void PostFinished() {
        if (ownerWindow) {
            ownerWindow->Post(kMsgItemFinished, reinterpret_cast<uintptr_t>(this), 0);
        }
    }

    // The file the item produced (for a manual conversion, the name the list shows). A worker
    // may rename it while front ends show it, so it is reached only under its own lock, which
    // is never held while taking another.
    std::wstring OutputPath() const;
    void SetOutputPath(std::wstring path);
    // Tells whether this item still exists without keeping it alive (ItemPresence.h).
    std::shared_ptr<ItemPresence> Presence() const { return presence_; }

    // Set before the item is added to the queue; read by workers afterwards.
    IMessageSink* ownerWindow = nullptr;
    // The conversion to queue when this item completes.
    LockedRef<ActivityItem> followUp;
    // These two paths are written only by the thread that currently drives the item (the
    // user-interface thread before a run, the item's worker during it) and read by the
    // user-interface thread after the finished notice; a kind that shows them while it runs
    // guards them itself.
    std::wstring sourcePath;  // the input file (a conversion's file to convert)
    std::wstring workPath;    // the output folder at creation; later a kind's working file
    const ActivityKind kind;
    std::atomic<ActivityState> state{ActivityState::Created};
    std::atomic<ActivityState> prevState{ActivityState::Created};
    int32_t profile = 0;  // conversion profile index; 7 is the manual command line
    ConversionQuality quality = ConversionQuality::kHigh;
    bool manual = false;  // a conversion with the manual profile
    std::atomic<int32_t> percent{0};
    std::atomic<double> speed{0.0};
    std::atomic<int32_t> secondsLeft{-1};  // -1 while there is no estimate
    std::atomic<double> sizeMB{0.0};       // media size in MiB; 0 until known

private:
    mutable std::mutex outputLock_;
    std::wstring outputPath_;
    const std::shared_ptr<ItemPresence> presence_;
};

}  // namespace talvex
