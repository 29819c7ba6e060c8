#include "app/threads/DThreadManager.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>

#include "app/threads/IThreadObserver.h"

namespace talvex {

namespace {

uint32_t NextThreadId() {
    static std::atomic<uint32_t> next{0};
    uint32_t id;
    do {
        id = next.fetch_add(1) + 1;
    } while (id == 0);
    return id;
}

}  // namespace

DThreadManager::~DThreadManager() {
    std::vector<std::shared_ptr<DThreadHandle>> running;
    std::vector<std::shared_ptr<DThreadHandle>> linked;
    {
        DCriticalSectionContext hold(&lock);
        for (auto& [id, entry] : threads) {
            entry.handle->RequestStop();
            running.push_back(entry.handle);
        }
        linked = linked_;
    }
    // Without the lock: ending threads report through OnThreadExit meanwhile.
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kJoinTimeoutMs);
    for (auto& handle : running) {
        handle->WaitUntil(deadline);
    }
    // An observer call still under way at the deadline is abandoned like a running thread:
    // it may be waiting for the very thread that destroys this manager.
    for (auto& handle : linked) {
        handle->UnlinkManager(deadline);
    }
}

bool DThreadManager::StartThread(DThread* thread, StartedThread* started) {
    if (!thread || thread->threadId != 0) {
        return false;
    }
    std::shared_ptr<DThreadHandle> handle = thread->handle;
    if (handle->StopRequested()) {
        return false;
    }
    // The lock is held across creation so that the entry exists before even a thread that
    // ends at once can report its end.
    DCriticalSectionContext hold(&lock);
    const uint32_t id = NextThreadId();
    thread->threadId = id;
    handle->LinkManager(this);
    if (!thread->Launch()) {
        handle->LinkManager(nullptr);
        thread->threadId = 0;
        return false;
    }
    // From here on the object belongs to its thread.
    threads[id] = Entry{thread, handle};
    std::erase_if(linked_, [](const auto& h) { return h->Ended(); });
    linked_.push_back(handle);
    if (started) {
        started->threadId = id;
        started->handle = handle;
    }
    return true;
}

bool DThreadManager::StopThread(uint32_t threadId) {
    std::shared_ptr<DThreadHandle> handle;
    {
        DCriticalSectionContext hold(&lock);
        auto it = threads.find(threadId);
        if (it == threads.end()) {
            return false;
        }
        handle = it->second.handle;
        threads.erase(it);
    }
    handle->RequestStop();
    return true;
}

void DThreadManager::OnThreadExit(uint32_t threadId) {
    IThreadObserver* observer = nullptr;
    std::shared_ptr<DThreadHandle> handle;
    std::wstring name;
    std::wstring result;
    {
        DCriticalSectionContext hold(&lock);
        auto it = threads.find(threadId);
        if (it == threads.end()) {
            return;
        }
        DThread* thread = it->second.thread;
        observer = thread->observer;
        handle = it->second.handle;
        name = thread->name;
        result = thread->result;
        threads.erase(it);
    }
    // From here on nothing of this manager is touched: a shutdown that stops waiting for the
    // observer may free it meanwhile.
    if (observer && handle->BeginObserverCall()) {
        observer->OnThreadFinished(std::move(name), std::move(result));
    }
}

size_t DThreadManager::ThreadCount() const {
    DCriticalSectionContext hold(&lock);
    return threads.size();
}

}  // namespace talvex
