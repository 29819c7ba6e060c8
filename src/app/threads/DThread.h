#pragma once
// A dedicated thread for a long, cancellable job. The object is created by its user, handed to
// a DThreadManager, and from then on owned by its own thread, which deletes it when Run ends.
// Nobody may touch the object after it was started: keep the StartedThread record instead.
#include <cstdint>
#include <memory>
#include <string>

#include "app/threads/DObject.h"
#include "app/threads/DThreadHandle.h"

namespace talvex {

class IThreadObserver;

class DThread : public DObject {
public:
    explicit DThread(void* owner = nullptr);
    ~DThread() override;

    // The job. Must poll StopRequested() at its own pace and return soon after it turns true.
    // Returns the thread's exit code.
    virtual uint32_t Run() = 0;

    bool StopRequested() const { return handle->StopRequested(); }
    void RequestStop() { handle->RequestStop(); }

    // Told when Run returns normally (not when it throws, and not after StopThread). May be
    // null.
    IThreadObserver* observer = nullptr;
    // Texts handed to the observer; a subclass leaves result empty on success and sets a
    // failure text (such as "Failed") otherwise.
    std::wstring name;
    std::wstring result;
    // Opaque value from the creator (the engine, for the installer download).
    void* owner;
    // Assigned by the manager at start; 0 until then.
    uint32_t threadId = 0;
    // Stop flag, completion latch and manager link; exists from construction on, so that a
    // caller can keep it before starting the thread.
    const std::shared_ptr<DThreadHandle> handle;

private:
    friend class DThreadManager;
    // Starts the operating-system thread; false if it could not be created.
    bool Launch();
    static void ThreadProc(DThread* self, std::shared_ptr<DThreadHandle> handle);
};

}  // namespace talvex
