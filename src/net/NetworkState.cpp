#include "net/NetworkState.h"

#include <atomic>

namespace talvex {

namespace {
std::atomic<ConnectionState> gState{ConnectionState::kConnected};
}

ConnectionState CurrentConnectionState() {
    return gState.load(std::memory_order_relaxed);
}

void SetConnectionState(ConnectionState state) {
    gState.store(state, std::memory_order_relaxed);
}

}  // namespace talvex
