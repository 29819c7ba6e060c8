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
        ++pins_;
    }
    return manager_;
}

void DThreadHandle::UnpinManager() {
    std::lock_guard lock(mutex_);
    --pins_;
    changed_.notify_all();
}

void DThreadHandle::UnlinkManager() {
    std::unique_lock lock(mutex_);
    manager_ = nullptr;
    changed_.wait(lock, [this] { return pins_ == 0; });
}

}  // namespace talvex
