#include "cli/Interrupt.h"

#include <fcntl.h>
#include <unistd.h>

#include <csignal>

namespace talvex::cli {

namespace {

volatile std::sig_atomic_t g_signal = 0;
int g_wakePipe[2] = {-1, -1};

void OnSignal(int number) {
    if (g_signal != 0) {
        // Asked twice: give up the clean stop.
        std::signal(number, SIG_DFL);
        std::raise(number);
        return;
    }
    g_signal = number;
    if (g_wakePipe[1] >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = write(g_wakePipe[1], &byte, 1);
    }
}

}  // namespace

void InstallInterruptHandlers() {
    if (g_wakePipe[0] < 0 && pipe2(g_wakePipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        g_wakePipe[0] = g_wakePipe[1] = -1;
    }
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: a blocking read returns with EINTR
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int InterruptSignal() {
    return g_signal;
}

int InterruptWakeFd() {
    return g_wakePipe[0];
}

}  // namespace talvex::cli
