#pragma once
// The per-transfer statistics window: every chunk adds to a running count, and the sink hears
// of it at most every 200 ms (and for the first chunk), with the speed of the window since the
// last report. The chunk loop itself stays cheap: two additions per chunk.
#include <cstddef>
#include <cstdint>

#include "net/IActivityProgressNotify.h"

namespace talvex {

class ProgressWindow {
public:
    static constexpr uint64_t kWindowMs = 200;

    // runningTotal starts at the bytes earlier attempts already delivered.
    ProgressWindow(IActivityProgressNotify* sink, uint64_t runningTotal, uint64_t startTick);

    // Counts a chunk that arrived at tick now; reports to the sink when the window is over.
    void OnChunk(size_t bytes, uint64_t now);

    uint64_t RunningTotal() const { return runningTotal_; }

private:
    IActivityProgressNotify* sink_;
    uint64_t runningTotal_;
    uint64_t windowStart_;
    uint64_t windowBytes_ = 0;
    bool first_ = true;
};

}  // namespace talvex
