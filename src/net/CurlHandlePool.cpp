#include "net/CurlHandlePool.h"

#include <algorithm>
#include <optional>

#include "net/CurlShare.h"
#include "platform/Tick.h"

namespace talvex {

void ResetTransferHandle(CURL* easy) {
    curl_easy_setopt(easy, CURLOPT_COOKIEFILE, static_cast<char*>(nullptr));
    curl_easy_reset(easy);
}

CurlHandlePool::Lease::Lease(CurlHandlePool* pool, CURLM* multi, CURL* easy, std::string origin)
    : pool_(pool), multi_(multi), easy_(easy), origin_(std::move(origin)) {}

CurlHandlePool::Lease::~Lease() {
    Return();
}

CurlHandlePool::Lease::Lease(Lease&& other) noexcept
    : pool_(other.pool_),
      multi_(other.multi_),
      easy_(other.easy_),
      origin_(std::move(other.origin_)) {
    other.pool_ = nullptr;
    other.multi_ = nullptr;
    other.easy_ = nullptr;
}

CurlHandlePool::Lease& CurlHandlePool::Lease::operator=(Lease&& other) noexcept {
    if (this != &other) {
        Return();
        pool_ = other.pool_;
        multi_ = other.multi_;
        easy_ = other.easy_;
        origin_ = std::move(other.origin_);
        other.pool_ = nullptr;
        other.multi_ = nullptr;
        other.easy_ = nullptr;
    }
    return *this;
}

void CurlHandlePool::Lease::Return() {
    if (pool_ != nullptr && easy_ != nullptr) {
        pool_->Release(multi_, easy_, std::move(origin_));
    }
    pool_ = nullptr;
    multi_ = nullptr;
    easy_ = nullptr;
}

CurlHandlePool& CurlHandlePool::Global() {
    // Never destroyed: a worker may still return a lease while the process exits.
    static auto* pool = new CurlHandlePool();
    return *pool;
}

CurlHandlePool::~CurlHandlePool() {
    for (const Entry& e : idle_) {
        Destroy(e);
    }
}

void CurlHandlePool::Destroy(const Entry& entry) {
    curl_easy_cleanup(entry.easy);
    curl_multi_cleanup(entry.multi);
}

CurlHandlePool::Lease CurlHandlePool::Acquire(const std::string& origin) {
    std::vector<Entry> expired;
    std::optional<Entry> chosen;
    {
        std::lock_guard lock(mutex_);
        uint64_t now = TickMs();
        for (auto it = idle_.begin(); it != idle_.end();) {
            if (now - it->lastUsed > kMaxIdleMs) {
                expired.push_back(*it);
                it = idle_.erase(it);
            } else {
                ++it;
            }
        }
        // The most recently used pair for this origin; otherwise the most recent of any.
        auto best = idle_.end();
        for (auto it = idle_.begin(); it != idle_.end(); ++it) {
            bool same = it->origin == origin;
            if (best == idle_.end() || (same && best->origin != origin) ||
                (same == (best->origin == origin) && it->lastUsed >= best->lastUsed)) {
                best = it;
            }
        }
        if (best != idle_.end()) {
            chosen = *best;
            idle_.erase(best);
        }
    }
    for (const Entry& e : expired) {
        Destroy(e);
    }
    if (chosen) {
        // Also when its last holder gave it back without clearing it.
        ResetTransferHandle(chosen->easy);
        return Lease(this, chosen->multi, chosen->easy, origin);
    }
    EnsureCurlInitialised();
    CURLM* multi = curl_multi_init();
    CURL* easy = multi != nullptr ? curl_easy_init() : nullptr;
    if (easy == nullptr) {
        if (multi != nullptr) {
            curl_multi_cleanup(multi);
        }
        return Lease();
    }
    return Lease(this, multi, easy, origin);
}

void CurlHandlePool::Release(CURLM* multi, CURL* easy, std::string origin) {
    std::optional<Entry> dropped;
    {
        std::lock_guard lock(mutex_);
        idle_.push_back(Entry{multi, easy, std::move(origin), TickMs()});
        if (idle_.size() > kMaxIdle) {
            auto oldest = std::min_element(
                idle_.begin(), idle_.end(),
                [](const auto& a, const auto& b) { return a.lastUsed < b.lastUsed; });
            dropped = *oldest;
            idle_.erase(oldest);
        }
    }
    if (dropped) {
        Destroy(*dropped);
    }
}

size_t CurlHandlePool::IdleCount() const {
    std::lock_guard lock(mutex_);
    return idle_.size();
}

}  // namespace talvex
