#pragma once
// Workers reach the front end only by posting numbered messages, handled later on the front
// end's own thread (the main window's event loop, the command-line front end's loop, a test).
#include <cstdint>

namespace talvex {

// Message numbers (the first user message number is 1024).
enum : uint32_t {
    kMsgInstanceCommand = 1025,  // wParam 1: own command line, 0: the last one from the pipe
    kMsgSelectTab = 1026,
    kMsgItemFinished = 1027,  // wParam: the ActivityItem*
    kMsgRunUpdateCheck = 1029,
};

class IMessageSink {
public:
    virtual ~IMessageSink() = default;
    // Must be callable from any thread and must not block on the receiver.
    virtual void Post(uint32_t message, uintptr_t wParam, intptr_t lParam) = 0;
};

}  // namespace talvex
