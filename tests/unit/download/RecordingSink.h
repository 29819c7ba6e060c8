#pragma once
// A stand-in for the main window: records every posted message, from any thread.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "activity/ActivityQueue.h"
#include "platform/MessageSink.h"

namespace talvex::test {

struct PostedMessage {
    uint32_t message = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
};

class RecordingSink : public IMessageSink {
public:
    void Post(uint32_t message, uintptr_t wParam, intptr_t lParam) override {
        std::lock_guard<std::mutex> guard(lock_);
        messages_.push_back({message, wParam, lParam});
        changed_.notify_all();
    }
    std::vector<PostedMessage> Messages() const {
        std::lock_guard<std::mutex> guard(lock_);
        return messages_;
    }
    // How many finished notices were posted for item.
    int FinishedCount(const void* item) const {
        std::lock_guard<std::mutex> guard(lock_);
        int count = 0;
        for (const auto& m : messages_) {
            if (m.message == kMsgItemFinished && m.wParam == reinterpret_cast<uintptr_t>(item)) {
                ++count;
            }
        }
        return count;
    }
    // Waits (bounded) until at least count finished notices arrived for item.
    bool WaitFinished(const void* item, int count, int timeoutMs = 60000) {
        std::unique_lock<std::mutex> guard(lock_);
        return changed_.wait_for(guard, std::chrono::milliseconds(timeoutMs), [&] {
            int n = 0;
            for (const auto& m : messages_) {
                if (m.message == kMsgItemFinished &&
                    m.wParam == reinterpret_cast<uintptr_t>(item)) {
                    ++n;
                }
            }
            return n >= count;
        });
    }
    // Takes the oldest message not taken yet, waiting up to timeoutMs.
    bool Take(PostedMessage& out, int timeoutMs) {
        std::unique_lock<std::mutex> guard(lock_);
        if (!changed_.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                               [&] { return taken_ < messages_.size(); })) {
            return false;
        }
        out = messages_[taken_++];
        return true;
    }

private:
    mutable std::mutex lock_;
    std::condition_variable changed_;
    std::vector<PostedMessage> messages_;
    size_t taken_ = 0;
};

// Polls pred every 5 ms for at most timeoutMs; true once it holds. Bounds a wait, asserts no
// timing.
template <class Pred>
bool WaitUntil(Pred pred, int timeoutMs = 60000) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!pred()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return pred();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// Handles the finished notices the way the main window does, on the calling thread, until pred
// holds (bounded).
template <class Pred>
bool PumpUntil(RecordingSink& sink, ActivityQueue& queue, Pred pred, int timeoutMs = 60000) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!pred()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return pred();
        }
        PostedMessage message;
        if (sink.Take(message, 10) && message.message == kMsgItemFinished) {
            queue.OnItemFinished(reinterpret_cast<ActivityItem*>(message.wParam));
        }
    }
    return true;
}

}  // namespace talvex::test
