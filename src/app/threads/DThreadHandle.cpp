#include "app/threads/DThreadHandle.h"

namespace talvex {

bool DThreadHandle::Ended() const {
    std::lock_guard lock(mutex_);
    return ended_;
}

bool DThreadHandle::Wait(uint32_t timeoutMs) const {
    return WaitUntil(std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs));
}

bool DThreadHandle::WaitUntil(std::chrono::steady_clock::time_point deadline) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_until(lock, deadline, [this] { return ended_; });
}

uint32_t DThreadHandle::ExitCode() const {
    std::lock_guard lock(mutex_);
    return exitCode_;
}

void DThreadHandle::MarkEnded(uint32_t exitCode) {
    std::lock_guard lock(mutex_);
    ended_ = true;
    exitCode_ = exitCode;
    changed_.notify_all();
}

void DThreadHandle::LinkManager(IThreadManager* manager) {
    std::lock_guard lock(mutex_);
    manager_ = manager;
}

IThreadManager* DThreadHandle::PinManager() {
    std::lock_guard lock(mutex_);
    if (manager_) {
        pin_ = Pin::InManager;
    }
    return manager_;
}

bool DThreadHandle::BeginObserverCall() {
    std::lock_guard lock(mutex_);
    // The manager is shutting down (only that cuts the link of a pinned thread) and has no
    // time left to wait for this call.
    if (!manager_ && std::chrono::steady_clock::now() >= unlinkDeadline_) {
        return false;
    }
    pin_ = Pin::InObserver;
    changed_.notify_all();
    return true;
}

void DThreadHandle::UnpinManager() {
    std::lock_guard lock(mutex_);
    pin_ = Pin::None;
    changed_.notify_all();
}

bool DThreadHandle::UnlinkManager(std::chrono::steady_clock::time_point deadline) {
    std::unique_lock lock(mutex_);
    manager_ = nullptr;
    unlinkDeadline_ = deadline;
    // The manager's part cannot wait for anything but the manager's lock, which nobody holds
    // for long; an observer may block for good (on the very thread that shuts down).
    changed_.wait(lock, [this] { return pin_ != Pin::InManager; });
    return changed_.wait_until(lock, deadline, [this] { return pin_ == Pin::None; });
}

}  // namespace talvex
