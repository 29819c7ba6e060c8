#pragma once
// Helpers shared by the HTTP client's integration tests: recording progress sinks, test files
// with known contents, and a client with short time-outs.
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "net/DNetworking.h"
#include "support/TestHome.h"

namespace talvex::test {

// Bytes whose value depends on their offset, so a misplaced chunk shows.
inline std::string PatternBytes(size_t size, uint32_t seed = 1) {
    std::string bytes(size, '\0');
    uint32_t x = seed * 2654435761u + 12345u;
    for (size_t i = 0; i < size; ++i) {
        x = x * 1103515245u + 12345u;
        bytes[i] = static_cast<char>(x >> 24);
    }
    return bytes;
}

// Time-outs short enough for tests that wait for them.
inline NetTimeouts QuickTimeouts() {
    NetTimeouts t;
    t.connectMs = 1500;
    t.lowSpeedBytesPerSecond = 1;
    t.lowSpeedSeconds = 2;
    return t;
}

// Clears the proxy variables a developer's shell may set, for tests that talk to 127.0.0.1.
class NoProxyEnv {
public:
    NoProxyEnv()
        : http_("http_proxy", std::nullopt),
          https_("https_proxy", std::nullopt),
          all_("ALL_PROXY", std::nullopt),
          allLower_("all_proxy", std::nullopt),
          httpsUpper_("HTTPS_PROXY", std::nullopt),
          no_("no_proxy", std::nullopt) {}

private:
    ScopedEnv http_, https_, all_, allLower_, httpsUpper_, no_;
};

class RecordingSink : public IActivityProgressNotify {
public:
    explicit RecordingSink(uint64_t doneBefore = 0) : doneBefore_(doneBefore) {}
    bool Update(uint64_t done, uint64_t counted, double speed, double) override {
        std::lock_guard lock(mutex_);
        updates.push_back({done, counted, speed});
        return true;
    }
    bool OnSize(uint64_t total) override {
        std::lock_guard lock(mutex_);
        sizes.push_back(total);
        return true;
    }
    bool OnStart(uint64_t tick) override {
        std::lock_guard lock(mutex_);
        starts.push_back(tick);
        return acceptStart;
    }
    bool OnComplete() override {
        completes++;
        return true;
    }
    uint64_t GetDone() override { return doneBefore_; }

    struct UpdateCall {
        uint64_t done, counted;
        double speed;
    };
    std::mutex mutex_;
    std::vector<UpdateCall> updates;
    std::vector<uint64_t> sizes;
    std::vector<uint64_t> starts;
    std::atomic<int> completes{0};
    bool acceptStart = true;

private:
    uint64_t doneBefore_;
};

class RecordingNotifier : public INotifier {
public:
    bool OnError(uint32_t code) override {
        errors.push_back(code);
        return true;
    }
    bool OnSize(uint64_t total) override {
        sizes.push_back(total);
        return true;
    }
    bool OnProgress(uint64_t bytes, uint64_t ms) override {
        progress.push_back({bytes, ms});
        return cancelAfter == 0 || progress.size() < cancelAfter;
    }
    bool OnComplete() override {
        ++completes;
        return true;
    }
    bool OnNotify(uint64_t, uint64_t) override { return true; }

    std::vector<uint32_t> errors;
    std::vector<uint64_t> sizes;
    std::vector<std::pair<uint64_t, uint64_t>> progress;
    int completes = 0;
    size_t cancelAfter = 0;  // refuse the report with this number (0: never)
};

}  // namespace talvex::test
