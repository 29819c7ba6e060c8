#pragma once
// The spin lock of a LockedRef cell. It is held only for a pointer exchange and a reference
// count increment, so a waiter first spins with pause instructions and gives the processor away
// only when the holder has evidently been preempted.
#include <atomic>
#include <cstdint>

namespace talvex {

class SpinLock {
public:
    // What the k-th failed attempt (k from 1) does before trying again.
    enum class BackOffStep { Pause, Yield, SleepZero, SleepOneMs };

    static BackOffStep StepFor(uint32_t k) {
        if (k < 64) {
            return BackOffStep::Pause;
        }
        if (k < 128) {
            return BackOffStep::Yield;
        }
        if (k < 144) {
            return BackOffStep::SleepZero;
        }
        return BackOffStep::SleepOneMs;
    }

    // word: 0 free, 1 taken.
    static void Acquire(std::atomic<int32_t>& word) {
        for (uint32_t k = 1;; ++k) {
            if (word.exchange(1, std::memory_order_acquire) == 0) {
                return;
            }
            BackOff(k);
        }
    }
    static void Release(std::atomic<int32_t>& word) { word.exchange(0, std::memory_order_release); }

    static void BackOff(uint32_t k);
};

}  // namespace talvex
