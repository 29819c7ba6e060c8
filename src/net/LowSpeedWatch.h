#pragma once
// The low-speed floor of NetTimeouts, kept by the client itself for transfers that pay from the
// shared download budget (TransferRateLimit). The transfer library's own check cannot tell a
// transfer that waits for its share of the budget from a server that stalls, and a low limit
// shared by many transfers would make it abandon healthy ones. Here only the transfer's own
// time counts: the time it spends waiting for the budget is left out, so a stalled or
// trickling server is still found while a limited transfer never is.
//
// Too slow: fewer than lowSpeedBytesPerSecond * lowSpeedSeconds bytes arrived during the last
// lowSpeedSeconds of the transfer's own time. Either value 0 turns the floor off.
#include <cstdint>
#include <deque>

#include "net/NetTimeouts.h"

namespace talvex {

class LowSpeedWatch {
public:
    LowSpeedWatch(const NetTimeouts& timeouts, uint64_t nowMs);

    void OnBytes(uint64_t bytes) { bytes_ += bytes; }
    // Time spent waiting for the budget, which does not count.
    void OnWaited(uint64_t milliseconds) { waitedMs_ += milliseconds; }
    bool TooSlow(uint64_t nowMs);

private:
    struct Sample {
        uint64_t ownMs;  // the transfer's own time
        uint64_t bytes;  // bytes received by then
    };
    // Samples closer together than this are not kept: the window is judged to this precision.
    static constexpr uint64_t kSampleEveryMs = 250;

    uint64_t periodMs_;
    uint64_t floorBytes_;
    uint64_t startMs_;
    uint64_t waitedMs_ = 0;
    uint64_t bytes_ = 0;
    std::deque<Sample> samples_;  // oldest first, the first at or before the window's start
};

}  // namespace talvex
