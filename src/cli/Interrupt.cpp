#include "cli/Interrupt.h"

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <thread>

namespace talvex::cli {

namespace {

std::atomic<int> g_signal{0};
int g_wakePipe[2] = {-1, -1};
void (*g_atOnce)() = nullptr;

void TakeSignals(sigset_t set) {
    using Clock = std::chrono::steady_clock;
    Clock::time_point first;
    for (;;) {
        int number = 0;
        if (sigwait(&set, &number) != 0) {
            continue;
        }
        const Clock::time_point now = Clock::now();
        const int earlier = g_signal.load();
        if (earlier == 0) {
            first = now;
            g_signal.store(number);
            if (g_wakePipe[1] >= 0) {
                const char byte = 1;
                [[maybe_unused]] const ssize_t n = write(g_wakePipe[1], &byte, 1);
            }
            continue;
        }
        if (number == earlier && now - first < std::chrono::milliseconds(kRepeatWindowMs)) {
            continue;  // the first request, delivered twice
        }
        // Asked again: give up the clean stop, but leave no work file behind.
        if (g_atOnce != nullptr) {
            g_atOnce();
        }
        _exit(128 + number);
    }
}

}  // namespace

void InstallInterruptHandlers(void (*atOnce)()) {
    if (g_wakePipe[0] >= 0) {
        return;
    }
    g_atOnce = atOnce;
    if (pipe2(g_wakePipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        g_wakePipe[0] = g_wakePipe[1] = -1;
    }
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    std::thread(TakeSignals, set).detach();
}

int InterruptSignal() {
    return g_signal.load();
}

int InterruptWakeFd() {
    return g_wakePipe[0];
}

}  // namespace talvex::cli
