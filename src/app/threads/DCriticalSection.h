#pragma once
// A recursive lock that also counts the Lock calls still outstanding, over all threads, so that
// a stray extra Unlock is harmless instead of undefined.
#include <atomic>
#include <cstdint>
#include <mutex>

#include "app/threads/DObject.h"

namespace talvex {

class DCriticalSection : public DObject {
public:
    DCriticalSection() = default;
    ~DCriticalSection() override = default;

    void Lock() {
        section.lock();
        lockCount.fetch_add(1);
    }
    // Does nothing when no Lock is outstanding.
    void Unlock() {
        if (lockCount.load() < 1) {
            return;
        }
        lockCount.fetch_sub(1);
        section.unlock();
    }
    int32_t LockCount() const { return lockCount.load(); }

    // For std::lock_guard and friends.
    void lock() { Lock(); }
    void unlock() { Unlock(); }

private:
    std::recursive_mutex section;
    std::atomic<int32_t> lockCount{0};
};

// Holds a DCriticalSection for a scope, however the scope is left.
class DCriticalSectionContext : public DObject {
public:
    explicit DCriticalSectionContext(DCriticalSection* section) : section_(section) {
        section_->Lock();
    }
    ~DCriticalSectionContext() override { section_->Unlock(); }

private:
    DCriticalSection* section_;
};

}  // namespace talvex
