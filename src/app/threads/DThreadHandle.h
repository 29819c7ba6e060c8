#pragma once
// What outlives a DThread object: its stop flag, its completion latch (so that a join can time
// out) and its link back to the manager that started it. Shared by the thread, its manager and
// whoever waits for it.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace talvex {

class IThreadManager;

class DThreadHandle {
public:
    // Stop flag, polled by the thread's Run.
    bool StopRequested() const { return stopRequested_.load() != 0; }
    void RequestStop() { stopRequested_.exchange(1); }
    void ClearStop() { stopRequested_.exchange(0); }

    // True once the thread procedure has finished (the thread object is gone by then).
    bool Ended() const;
    // Waits up to timeoutMs; true if the thread has ended.
    bool Wait(uint32_t timeoutMs) const;
    bool WaitUntil(std::chrono::steady_clock::time_point deadline) const;
    // The value Run returned, or 1 when it threw; meaningful once Ended.
    uint32_t ExitCode() const;

    // Used by the thread procedure and the manager.
    void MarkEnded(uint32_t exitCode);
    void LinkManager(IThreadManager* manager);
    // Returns the linked manager and keeps the link from being cut until UnpinManager. Only
    // the thread itself pins.
    IThreadManager* PinManager();
    // Called by the manager within a pinned call, right before it calls the thread's observer:
    // from here on the call no longer touches the manager, so a shutdown need not wait for it
    // without limit. False when a shutdown has cut the link and its deadline has passed: the
    // observer is then not called at all.
    bool BeginObserverCall();
    void UnpinManager();
    // Cuts the link. A call under way is waited for: while it is in the manager's own
    // bookkeeping (a few steps under the manager's lock) to its end, while it is in an observer
    // only until the deadline. True when no call is under way any more. Afterwards the thread
    // never calls the manager again, so the manager may be freed.
    bool UnlinkManager(std::chrono::steady_clock::time_point deadline);

private:
    std::atomic<int32_t> stopRequested_{0};
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    bool ended_ = false;
    uint32_t exitCode_ = 0;
    IThreadManager* manager_ = nullptr;
    enum class Pin { None, InManager, InObserver };
    Pin pin_ = Pin::None;
    std::chrono::steady_clock::time_point unlinkDeadline_{};
};

}  // namespace talvex
