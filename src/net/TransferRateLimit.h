#pragma once
// The process's download budget: one rate in bytes per second shared by every media transfer at
// once (all segments of all downloads, one-stream and RTMP transfers together), not a rate per
// transfer. A transfer pays for each piece of media it receives before it hands the piece on,
// and waits while the budget is spent. Page fetches, header queries, script and update
// downloads never pay.
//
// A token bucket that may run into debt: the transfer whose turn it is takes at most a tenth of
// a second's worth of bytes even when that overdraws the bucket, and the next one waits until
// the debt is paid back. Waiting transfers take their turns in the order they came, so one with
// a large piece cannot starve the others, and a transfer with more to pay joins the end of the
// line after each turn. The bucket holds at most a tenth of a second's worth, so an idle spell
// does not let a burst through afterwards.
//
// Thread-safe: the rate may be set at any time from any thread, and takes effect for transfers
// that are waiting at that moment too.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

namespace talvex {

class TransferRateLimit {
public:
    // The longest a waiting transfer sleeps before it looks at its stop flag again.
    static constexpr std::chrono::milliseconds kMaxSleep{100};

    // The one every media transfer of the process pays from.
    static TransferRateLimit& Global();

    TransferRateLimit();
    TransferRateLimit(const TransferRateLimit&) = delete;
    TransferRateLimit& operator=(const TransferRateLimit&) = delete;

    // Bytes per second; 0 lifts the limit (waiting transfers go on at once). A lowered rate
    // forgives what the old one lent beyond a tenth of a second of the new rate.
    void SetRate(uint64_t bytesPerSecond);
    uint64_t Rate() const { return rate_.load(std::memory_order_relaxed); }
    // The most one turn takes, a tenth of a second's worth; 0 without a limit. A transfer that
    // pays in parts of this size can hand each part on as soon as it is paid for.
    uint64_t TurnBytes() const;

    // Waits until bytes are paid for: true once they are (at once without a limit); false when
    // stop was set first (within kMaxSleep), the rest left unpaid.
    bool Take(uint64_t bytes, const std::atomic<bool>& stop);

private:
    using Clock = std::chrono::steady_clock;

    // Adds what the time since the last refill earned at the current rate (mutex_ held).
    void RefillLocked(Clock::time_point now);
    void LeaveLineLocked(uint64_t ticket);

    std::atomic<uint64_t> rate_{0};
    std::mutex mutex_;
    std::condition_variable turnChanged_;
    double tokens_ = 0;  // bytes that may pass now; below zero, what is still owed
    Clock::time_point refilled_;
    std::deque<uint64_t> line_;  // tickets of the waiting transfers, first come first
    uint64_t nextTicket_ = 0;
};

}  // namespace talvex
