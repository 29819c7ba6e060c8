#pragma once
// Result codes of the HTTP client. Every request operation returns one; 0 is also what a
// transfer cancelled through its stop flag returns (the caller knows its own flag).
#include <cstdint>

namespace talvex {

enum : uint32_t {
    kNetSuccess = 0,
    kNetInternalError = 1,      // a progress sink refused the start report
    kNetNoRequestHeader = 2,    // HasRequestHeader: not set
    kNetNoResponseHeader = 3,   // GetResponseHeader: not in the last response
    kNetNotConnected = 4,       // the system reports no network
    kNetOffline = 5,            // the system is offline
    kNetOpenFailed = 6,         // no transfer handle could be made
    kNetConnectFailed = 7,      // resolving or connecting to the host (or proxy) failed
    kNetBadAddress = 8,         // the address is not a valid http:// or https:// address
    kNetRequestFailed = 9,      // the request could not be set up
    kNetSendFailed = 10,        // sending, or no usable response (TLS failure, time-out)
    kNetBadStatus = 11,         // the status was not the expected one
    kNetReadFailed = 12,        // reading the body failed (or a page was too large)
    kNetCreateFileFailed = 13,  // the output file could not be created
    kNetWriteFailed = 14,       // writing failed, or the body arrived short
    kNetStopped = 15,           // not returned here: callers use it for "stopped by the user"
    kNetRangeIgnored = 16,      // a range was asked for and the whole file came back ("200")
};

}  // namespace talvex
