#pragma once
// The progress sink of a ranged or whole-stream transfer. Transfers call it on their own worker
// thread; an implementation keeps its figures under its own lock for readers on other threads.
#include <cstdint>

namespace talvex {

class IActivityProgressNotify {
public:
    virtual ~IActivityProgressNotify() = default;
    // At most every 200 ms (and for the first chunk): bytes delivered so far (including those
    // stored by earlier attempts), the bytes counted for the speed, and the speed of the last
    // window in bytes per second (given twice: the second is an alternative measure, today the
    // same value).
    virtual bool Update(uint64_t done, uint64_t counted, double speed, double altSpeed) = 0;
    // The number of bytes the transfer must deliver (the body length of a whole-file transfer).
    virtual bool OnSize(uint64_t total) = 0;
    // The steady-clock tick (milliseconds) at which the transfer started. A false answer ends
    // the transfer with kNetInternalError.
    virtual bool OnStart(uint64_t startTick) = 0;
    // The body arrived whole.
    virtual bool OnComplete() = 0;
    // Bytes already delivered by earlier attempts; the running count continues from there.
    virtual uint64_t GetDone() = 0;
};

}  // namespace talvex
