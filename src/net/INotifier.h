#pragma once
// The progress sink of a whole-file transfer with progress (the installer download).
#include <cstdint>

namespace talvex {

class INotifier {
public:
    virtual ~INotifier() = default;
    // The transfer failed with this result code.
    virtual bool OnError(uint32_t code) = 0;
    // The body length from "content-length" (0 when absent). False ends the transfer (result 0).
    virtual bool OnSize(uint64_t total) = 0;
    // Bytes received so far and milliseconds since the previous report. The first call carries
    // the start tick as its first value and 0; a false answer to it ends the transfer with
    // kNetInternalError, a false answer later cancels (result 0).
    virtual bool OnProgress(uint64_t bytes, uint64_t milliseconds) = 0;
    // The body arrived whole.
    virtual bool OnComplete() = 0;
    // A fifth notice with two values passed through; the HTTP client never calls it.
    virtual bool OnNotify(uint64_t first, uint64_t second) = 0;
};

}  // namespace talvex
