#include "net/TransferRateLimit.h"

#include <algorithm>

namespace talvex {

namespace {

// A tenth of a second's worth of bytes (at least one): the most one turn takes, and the most
// the bucket holds.
uint64_t BytesPerTurn(uint64_t rate) {
    return std::max<uint64_t>(1, rate / 10);
}

}  // namespace

TransferRateLimit& TransferRateLimit::Global() {
    // Never destroyed: a transfer still running while the process ends must not find it gone.
    static TransferRateLimit* const global = new TransferRateLimit;
    return *global;
}

TransferRateLimit::TransferRateLimit() : refilled_(Clock::now()) {}

uint64_t TransferRateLimit::TurnBytes() const {
    const uint64_t rate = Rate();
    return rate == 0 ? 0 : BytesPerTurn(rate);
}

void TransferRateLimit::RefillLocked(Clock::time_point now) {
    const uint64_t rate = Rate();
    if (rate != 0 && now > refilled_) {
        const double seconds = std::chrono::duration<double>(now - refilled_).count();
        tokens_ = std::min(tokens_ + seconds * static_cast<double>(rate),
                           static_cast<double>(BytesPerTurn(rate)));
    }
    refilled_ = now;
}

void TransferRateLimit::SetRate(uint64_t bytesPerSecond) {
    std::lock_guard<std::mutex> lock(mutex_);
    const uint64_t old = Rate();
    RefillLocked(Clock::now());
    rate_.store(bytesPerSecond, std::memory_order_relaxed);
    if (bytesPerSecond != 0) {
        const double most = static_cast<double>(BytesPerTurn(bytesPerSecond));
        // A fresh limit starts with a full (small) bucket; a changed one keeps its balance,
        // but a debt run up at a higher rate would take far too long to pay at a lower one.
        tokens_ = old == 0 ? most : std::clamp(tokens_, -most, most);
    }
    turnChanged_.notify_all();
}

void TransferRateLimit::LeaveLineLocked(uint64_t ticket) {
    auto it = std::find(line_.begin(), line_.end(), ticket);
    if (it != line_.end()) {
        line_.erase(it);
    }
    turnChanged_.notify_all();
}

bool TransferRateLimit::Take(uint64_t bytes, const std::atomic<bool>& stop) {
    while (bytes > 0) {
        if (Rate() == 0) {
            return true;  // no lock at all while there is no limit
        }
        std::unique_lock<std::mutex> lock(mutex_);
        const uint64_t ticket = nextTicket_++;
        line_.push_back(ticket);
        for (;;) {
            if (stop.load(std::memory_order_relaxed)) {
                LeaveLineLocked(ticket);
                return false;
            }
            const uint64_t rate = Rate();
            if (rate == 0) {
                LeaveLineLocked(ticket);
                return true;
            }
            RefillLocked(Clock::now());
            const bool first = line_.front() == ticket;
            if (first && tokens_ >= 0) {
                const uint64_t turn = std::min(bytes, BytesPerTurn(rate));
                tokens_ -= static_cast<double>(turn);
                bytes -= turn;
                LeaveLineLocked(ticket);
                break;
            }
            auto sleep = std::chrono::duration_cast<Clock::duration>(kMaxSleep);
            if (first) {
                // Until the debt is paid at the current rate; a change of rate wakes us.
                const std::chrono::duration<double> owed(-tokens_ / static_cast<double>(rate));
                sleep = std::min(sleep, std::chrono::ceil<Clock::duration>(owed));
            }
            turnChanged_.wait_for(lock, sleep);
        }
    }
    return true;
}

}  // namespace talvex
