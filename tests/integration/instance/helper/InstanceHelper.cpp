// Test front end for the single-instance tests.
//   talvex_instance_helper serve [DELAY_MS]  first instance: prints "locked", waits DELAY_MS,
//                                            listens, prints "ready", then "post <line>" for
//                                            every instance command; ends when stdin closes.
//   talvex_instance_helper start ARGS...     a start of the program: exits 0 after handing
//                                            ARGS to the first instance, 1 when it did not take
//                                            them, 10 if it is the first.
//   talvex_instance_helper send ARGS...      sends without looking at the lock; prints the result.
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/CommandLine.h"
#include "app/InstancePipe.h"
#include "app/SingleInstance.h"
#include "platform/MessageSink.h"
#include "platform/Tick.h"
#include "platform/Utf8.h"

using namespace talvex;

namespace {

class QueueSink : public IMessageSink {
public:
    void Post(uint32_t message, uintptr_t wParam, intptr_t) override {
        std::lock_guard guard(mutex_);
        posts_.push_back({message, wParam});
        changed_.notify_all();
    }
    bool Take(uint32_t& message, uintptr_t& wParam, int waitMs) {
        std::unique_lock guard(mutex_);
        changed_.wait_for(guard, std::chrono::milliseconds(waitMs),
                          [&] { return !posts_.empty(); });
        if (posts_.empty()) {
            return false;
        }
        message = posts_.front().first;
        wParam = posts_.front().second;
        posts_.pop_front();
        return true;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::pair<uint32_t, uintptr_t>> posts_;
};

void Say(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

bool StdinClosed() {
    pollfd p{STDIN_FILENO, POLLIN, 0};
    if (::poll(&p, 1, 0) <= 0) {
        return false;
    }
    char c;
    return ::read(STDIN_FILENO, &c, 1) <= 0;
}

int Serve(int delayMs) {
    InstanceStart start = StartInstance(L"");
    if (!start.first) {
        return 3;
    }
    Say("locked");
    std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    InstancePipe pipe;
    QueueSink sink;
    if (!pipe.StartListening(&sink)) {
        return 4;
    }
    Say("ready");
    const uint64_t end = TickMs() + 60000;  // bounded even if the test forgets to close stdin
    while (TickMs() < end && !StdinClosed()) {
        uint32_t message = 0;
        uintptr_t wParam = 1;
        if (sink.Take(message, wParam, 20)) {
            if (message != kMsgInstanceCommand || wParam != 0) {
                return 5;
            }
            Say("post " + WideToUtf8(pipe.GetLastCommandLine()));
        }
    }
    pipe.StopListening();
    return 0;
}

const char* ResultName(InstancePipe::SendResult r) {
    switch (r) {
        case InstancePipe::SendResult::Sent:
            return "sent";
        case InstancePipe::SendResult::NoListener:
            return "nolistener";
        case InstancePipe::SendResult::TimedOut:
            return "timedout";
        case InstancePipe::SendResult::Failed:
            break;
    }
    return "failed";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        return 2;
    }
    const std::string mode = argv[1];
    // The command line as the program builds it: every argument after the mode.
    const std::wstring line = BuildCommandLine(argc - 1, argv + 1);
    if (mode == "serve") {
        return Serve(argc > 2 ? std::atoi(argv[2]) : 0);
    }
    if (mode == "start") {
        InstanceStart start = StartInstance(line);
        return start.first ? 10 : start.exitCode;
    }
    if (mode == "send") {
        Say(ResultName(InstancePipe().Send(line)));
        return 0;
    }
    return 2;
}
