#include "app/threads/DThread.h"

#include <system_error>
#include <thread>

#include "app/threads/IThreadManager.h"

namespace talvex {

DThread::DThread(void* owner) : owner(owner), handle(std::make_shared<DThreadHandle>()) {}

DThread::~DThread() = default;

bool DThread::Launch() {
    try {
        // Detached: the object deletes itself and the handle's latch stands in for a join, so
        // a thread that outlives its manager's patience is simply abandoned.
        std::thread(&DThread::ThreadProc, this, handle).detach();
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void DThread::ThreadProc(DThread* self, std::shared_ptr<DThreadHandle> handle) {
    const uint32_t id = self->threadId;
    uint32_t exitCode = 1;
    try {
        exitCode = self->Run();
    } catch (...) {
        // A failed job is not reported to its observer, but the manager must still forget
        // the object before it is deleted.
        self->observer = nullptr;
        exitCode = 1;
    }
    if (IThreadManager* manager = handle->PinManager()) {
        try {
            manager->OnThreadExit(id);
        } catch (...) {
        }
        handle->UnpinManager();
    }
    delete self;
    handle->MarkEnded(exitCode);
}

}  // namespace talvex
