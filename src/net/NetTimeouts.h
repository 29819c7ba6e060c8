#pragma once
// How long a request may wait. There is no limit on a whole transfer (media files take as long
// as they take); instead a connection that cannot be made, or a server that stops sending, ends
// the request.
#include <cstdint>

namespace talvex {

struct NetTimeouts {
    // Resolving the name and connecting (TCP and TLS).
    uint32_t connectMs = 30000;
    // A transfer slower than this many bytes per second for lowSpeedSeconds is abandoned; this
    // covers a server that accepts and never answers, one that stalls mid-body and one that
    // trickles a few bytes now and then to keep the connection open. A kilobyte a second over
    // a whole minute is far below any link worth waiting for, yet what a stalled server falls
    // under.
    uint32_t lowSpeedBytesPerSecond = 1024;
    uint32_t lowSpeedSeconds = 60;
};

}  // namespace talvex
