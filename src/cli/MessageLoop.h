#pragma once
// The command-line front end's stand-in for the main window: workers post their notices here
// from any thread, and the main thread takes them one by one.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

#include "platform/MessageSink.h"

namespace talvex::cli {

struct Message {
    uint32_t message = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
};

class MessageLoop : public IMessageSink {
public:
    void Post(uint32_t message, uintptr_t wParam, intptr_t lParam) override;
    // The oldest message, waiting up to timeoutMs; false when none came.
    bool Take(Message& out, int timeoutMs);
    bool Empty() const;

private:
    mutable std::mutex lock_;
    std::condition_variable posted_;
    std::deque<Message> messages_;
};

}  // namespace talvex::cli
