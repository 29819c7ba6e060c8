#include "app/threads/SpinLock.h"

#include <sched.h>
#include <time.h>

namespace talvex {

namespace {

void CpuPause() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#elif defined(__aarch64__) || defined(__arm__)
    asm volatile("yield" ::: "memory");
#endif
}

void SleepFor(long nanoseconds) {
    timespec ts{0, nanoseconds};
    nanosleep(&ts, nullptr);
}

}  // namespace

void SpinLock::BackOff(uint32_t k) {
    switch (StepFor(k)) {
        case BackOffStep::Pause:
            CpuPause();
            break;
        case BackOffStep::Yield:
            sched_yield();
            break;
        case BackOffStep::SleepZero:
            // A zero sleep still enters the scheduler, which lets a preempted holder run even
            // when it sits on another run queue than ours.
            SleepFor(0);
            break;
        case BackOffStep::SleepOneMs:
            SleepFor(1000000);
            break;
    }
}

}  // namespace talvex
