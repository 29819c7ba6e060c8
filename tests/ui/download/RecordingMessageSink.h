#pragma once
// A main window that only remembers what was posted to it.
#include <cstdint>
#include <vector>

#include "platform/MessageSink.h"

namespace talvex::test {

class RecordingMessageSink : public IMessageSink {
public:
    struct Posted {
        uint32_t message;
        uintptr_t wParam;
        intptr_t lParam;
    };
    void Post(uint32_t message, uintptr_t wParam, intptr_t lParam) override {
        posted.push_back({message, wParam, lParam});
    }
    std::vector<Posted> posted;
};

}  // namespace talvex::test
