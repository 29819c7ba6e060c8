#pragma once
#include <cstdint>
#include <memory>

namespace talvex {

class DThread;
class DThreadHandle;

// What a caller keeps of a started thread. The thread object deletes itself when its Run ends,
// so the id and the handle must be taken from here, never read from the object afterwards.
struct StartedThread {
    uint32_t threadId = 0;
    std::shared_ptr<DThreadHandle> handle;
};

class IThreadManager {
public:
    virtual ~IThreadManager() = default;
    // Starts the thread; on success the thread owns itself. On failure the caller still owns
    // it. started, when given, receives the id and the handle.
    virtual bool StartThread(DThread* thread, StartedThread* started = nullptr) = 0;
    // Forgets the thread and asks it to stop; its end is then reported to no observer. True if
    // the id was known.
    virtual bool StopThread(uint32_t threadId) = 0;
    // Called by a thread's own procedure when its Run has returned normally.
    virtual void OnThreadExit(uint32_t threadId) = 0;
};

}  // namespace talvex
