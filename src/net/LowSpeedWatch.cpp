#include "net/LowSpeedWatch.h"

namespace talvex {

LowSpeedWatch::LowSpeedWatch(const NetTimeouts& timeouts, uint64_t nowMs)
    : periodMs_(static_cast<uint64_t>(timeouts.lowSpeedSeconds) * 1000),
      floorBytes_(static_cast<uint64_t>(timeouts.lowSpeedBytesPerSecond) *
                  timeouts.lowSpeedSeconds),
      startMs_(nowMs) {
    samples_.push_back({0, 0});
}

bool LowSpeedWatch::TooSlow(uint64_t nowMs) {
    if (periodMs_ == 0 || floorBytes_ == 0) {
        return false;
    }
    const uint64_t elapsed = nowMs > startMs_ ? nowMs - startMs_ : 0;
    const uint64_t own = elapsed > waitedMs_ ? elapsed - waitedMs_ : 0;
    if (own >= samples_.back().ownMs + kSampleEveryMs) {
        samples_.push_back({own, bytes_});
    }
    if (own < periodMs_) {
        return false;  // not a whole period yet
    }
    // Keep one sample at or before the window's start: the bytes since then are the window's.
    const uint64_t windowStart = own - periodMs_;
    while (samples_.size() > 1 && samples_[1].ownMs <= windowStart) {
        samples_.pop_front();
    }
    return bytes_ - samples_.front().bytes < floorBytes_;
}

}  // namespace talvex
