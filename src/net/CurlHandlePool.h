#pragma once
// Idle transfer handles kept for later requests. A request takes one handle pair (a multi handle
// that owns a connection cache, and one easy handle) for its whole run, and gives it back at the
// end; the next request to the same origin takes the same pair and so reuses its open
// connection. A pair is only ever used by one thread at a time, which is what the library
// requires of its connection caches.
#include <curl/curl.h>

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace talvex {

// Clears a transfer handle's settings for its next request. The list of cookie files is emptied
// first: libcurl 7.88's reset drops that list without freeing it. The shared store is untouched.
void ResetTransferHandle(CURL* easy);

class CurlHandlePool {
public:
    // Idle pairs beyond this are closed (each may hold open connections to servers).
    static constexpr size_t kMaxIdle = 16;
    // Pairs idle for longer are closed too; servers drop idle connections well before this.
    static constexpr uint64_t kMaxIdleMs = 120000;

    class Lease {
    public:
        Lease() = default;
        ~Lease();
        Lease(Lease&& other) noexcept;
        Lease& operator=(Lease&& other) noexcept;
        Lease(const Lease&) = delete;
        Lease& operator=(const Lease&) = delete;

        explicit operator bool() const { return easy_ != nullptr; }
        CURLM* Multi() const { return multi_; }
        CURL* Easy() const { return easy_; }

    private:
        friend class CurlHandlePool;
        Lease(CurlHandlePool* pool, CURLM* multi, CURL* easy, std::string origin);
        void Return();

        CurlHandlePool* pool_ = nullptr;
        CURLM* multi_ = nullptr;
        CURL* easy_ = nullptr;
        std::string origin_;
    };

    static CurlHandlePool& Global();

    // A reset handle pair, preferably the one that last talked to origin. An empty lease when the
    // library cannot make handles.
    Lease Acquire(const std::string& origin);

    size_t IdleCount() const;

    CurlHandlePool() = default;
    ~CurlHandlePool();
    CurlHandlePool(const CurlHandlePool&) = delete;
    CurlHandlePool& operator=(const CurlHandlePool&) = delete;

private:
    struct Entry {
        CURLM* multi;
        CURL* easy;
        std::string origin;
        uint64_t lastUsed;
    };

    void Release(CURLM* multi, CURL* easy, std::string origin);
    static void Destroy(const Entry& entry);

    mutable std::mutex mutex_;
    std::vector<Entry> idle_;
};

}  // namespace talvex
