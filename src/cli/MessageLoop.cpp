#include "cli/MessageLoop.h"

#include <chrono>

namespace talvex::cli {

void MessageLoop::Post(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    {
        std::lock_guard guard(lock_);
        messages_.push_back({message, wParam, lParam});
    }
    posted_.notify_one();
}

bool MessageLoop::Take(Message& out, int timeoutMs) {
    std::unique_lock guard(lock_);
    if (!posted_.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                          [this] { return !messages_.empty(); })) {
        return false;
    }
    out = messages_.front();
    messages_.pop_front();
    return true;
}

bool MessageLoop::Empty() const {
    std::lock_guard guard(lock_);
    return messages_.empty();
}

}  // namespace talvex::cli
