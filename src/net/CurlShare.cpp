#include "net/CurlShare.h"

#include <array>
#include <mutex>

namespace talvex {

namespace {

// One lock per kind of shared data, as the library asks.
std::array<std::mutex, CURL_LOCK_DATA_LAST>& ShareLocks() {
    static auto* locks = new std::array<std::mutex, CURL_LOCK_DATA_LAST>();
    return *locks;
}

void LockShare(CURL*, curl_lock_data data, curl_lock_access, void*) {
    ShareLocks()[static_cast<size_t>(data) % CURL_LOCK_DATA_LAST].lock();
}

void UnlockShare(CURL*, curl_lock_data data, void*) {
    ShareLocks()[static_cast<size_t>(data) % CURL_LOCK_DATA_LAST].unlock();
}

}  // namespace

void EnsureCurlInitialised() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

CURLSH* SharedCurlData() {
    // Never cleaned up: handles of idle pooled requests may refer to it until the process ends.
    static CURLSH* share = [] {
        EnsureCurlInitialised();
        CURLSH* s = curl_share_init();
        if (s != nullptr) {
            curl_share_setopt(s, CURLSHOPT_LOCKFUNC, LockShare);
            curl_share_setopt(s, CURLSHOPT_UNLOCKFUNC, UnlockShare);
            curl_share_setopt(s, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
            curl_share_setopt(s, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
            curl_share_setopt(s, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
        }
        return s;
    }();
    return share;
}

}  // namespace talvex
