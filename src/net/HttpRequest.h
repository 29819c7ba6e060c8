#pragma once
// One HTTP request run to its end on the calling thread: the part of the client that talks to
// the transfer library. The operations of DNetworking describe what they send and consume the
// response through IResponseConsumer; this file knows how to send it, follow redirects, honour
// the stop flag and time-outs, and turn the library's errors into the client's result codes.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "net/HttpHeaders.h"
#include "net/NetTimeouts.h"

namespace talvex {

class TransferRateLimit;

struct HttpRequestPlan {
    std::string url;                       // checked and normalised (Address.h)
    std::string origin;                    // for connection reuse
    std::string verb = "GET";              // "GET", "HEAD" or "POST"
    std::string body;                      // the body of a POST, sent as is
    std::vector<std::string> headerLines;  // complete request header lines (HttpHeaders.h)
    std::string userAgent;
    bool decodeContent = false;     // ask for gzip/deflate and hand the decoded body on
    bool http11 = false;            // force HTTP/1.1 (otherwise the library's choice)
    size_t bufferSize = 64 * 1024;  // the largest piece handed to OnBody at once
    NetTimeouts timeouts;
    // A media transfer pays for its body from this shared budget (none for pages, header
    // queries and the like). Its low-speed floor then counts only the time it does not spend
    // waiting for the budget (LowSpeedWatch), in place of the library's own.
    TransferRateLimit* rateLimit = nullptr;
};

class IResponseConsumer {
public:
    virtual ~IResponseConsumer() = default;
    // The headers of the final response (after redirects). Nothing: receive the body. A result
    // code: end the request now with it (kNetSuccess ends it successfully without the body).
    virtual std::optional<uint32_t> OnHeaders(long status, const HeaderMap& headers) = 0;
    // The next piece of the body. Nothing: go on. A result code: end the request with it.
    virtual std::optional<uint32_t> OnBody(const char* data, size_t size) = 0;
};

struct HttpOutcome {
    uint32_t result = 0;
    bool stopped = false;     // the stop flag ended the request (result is 0)
    bool completed = false;   // the response arrived whole (no early end, no error)
    bool gotHeaders = false;  // the final response's headers arrived
    long status = 0;          // of the final response, 0 when none arrived
    HeaderMap headers;        // of the final response; the first of repeated names is kept
};

HttpOutcome PerformHttpRequest(const HttpRequestPlan& plan, IResponseConsumer& consumer,
                               const std::atomic<bool>& stop);

}  // namespace talvex
