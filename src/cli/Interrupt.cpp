#include "cli/Interrupt.h"

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <thread>

namespace talvex::cli {

namespace {

std::atomic<int> g_signal{0};
int g_wakePipe[2] = {-1, -1};

void TakeSignals(sigset_t set) {
    for (;;) {
        int number = 0;
        if (sigwait(&set, &number) != 0) {
            continue;
        }
        if (g_signal.exchange(number) != 0) {
            _exit(128 + number);  // asked twice: give up the clean stop
        }
        if (g_wakePipe[1] >= 0) {
            const char byte = 1;
            [[maybe_unused]] const ssize_t n = write(g_wakePipe[1], &byte, 1);
        }
    }
}

}  // namespace

void InstallInterruptHandlers() {
    if (g_wakePipe[0] >= 0) {
        return;
    }
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
