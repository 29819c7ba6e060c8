#pragma once
// Process-wide state of the transfer library: its one-time initialisation and the share object
// that holds the cookie store, the name cache and the TLS session cache for every request of the
// process (so a cookie stored by one client is sent by all later ones).
//
// Connections are deliberately not in the share object: the library does not support sharing a
// connection cache between threads that transfer at the same time (segments do). Connection
// reuse comes from the handle pool instead (CurlHandlePool.h).
#include <curl/curl.h>

namespace talvex {

// Initialises the library once per process; safe to call from any thread, any number of times.
void EnsureCurlInitialised();

// The process-wide share object (created on first use, never destroyed).
CURLSH* SharedCurlData();

}  // namespace talvex
