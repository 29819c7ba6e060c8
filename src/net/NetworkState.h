#pragma once
// Whether the system is online. Linux has no reliable "connected state" query, so the client
// treats the system as connected; tests (and a future network-status source) can declare it
// otherwise, and every request then fails at once without touching the network.
#include <cstdint>

namespace talvex {

enum class ConnectionState : uint8_t { kConnected, kNotConnected, kOffline };

ConnectionState CurrentConnectionState();
void SetConnectionState(ConnectionState state);

}  // namespace talvex
