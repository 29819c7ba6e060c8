#pragma once
// Starts, stops and joins dedicated threads and tells each thread's observer when it ends.
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "app/threads/DCriticalSection.h"
#include "app/threads/DThread.h"
#include "app/threads/IThreadManager.h"

namespace talvex {

class DThreadManager : public IThreadManager {
public:
    // The destructor waits this long in total for all running threads.
    static constexpr uint32_t kJoinTimeoutMs = 1000;

    DThreadManager() = default;
    // Asks every running thread to stop and waits at most kJoinTimeoutMs for all of them
    // together, observer calls under way included; threads still running then are abandoned
    // (they delete themselves later and never call back into this manager), and so is an
    // observer call still under way (it returns into no part of this manager).
    ~DThreadManager() override;
    DThreadManager(const DThreadManager&) = delete;
    DThreadManager& operator=(const DThreadManager&) = delete;

    // False when the thread was already started, its stop flag is already set, or no thread
    // could be created; the caller then still owns the object.
    bool StartThread(DThread* thread, StartedThread* started = nullptr) override;
    bool StopThread(uint32_t threadId) override;
    void OnThreadExit(uint32_t threadId) override;

    // Threads started and neither ended nor stopped.
    size_t ThreadCount() const;

private:
    struct Entry {
        DThread* thread;  // valid while the entry exists: the thread removes it before it ends
        std::shared_ptr<DThreadHandle> handle;
    };

    std::map<uint32_t, Entry> threads;
    // Every started thread that may still call back, stopped ones included.
    std::vector<std::shared_ptr<DThreadHandle>> linked_;
    mutable DCriticalSection lock;
};

}  // namespace talvex
