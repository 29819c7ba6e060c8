// Benchmark (not a test) of the shared download limit: three downloads, each in four ranged
// segments through the HTTP client's media transfer, at once from a local nginx under one limit.
// After a second of warm-up it counts the bytes all twelve transfers stored during a 10-second
// window and prints that rate against the limit (the goal: within 10%), and how evenly the
// three downloads shared it. Then it stops them.
//
//   rate_limit_bench [LIMIT...]     limits in bytes a second, k or M allowed (default: 256k 1M 4M)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "net/DNetworking.h"
#include "net/TransferRateLimit.h"
#include "platform/FileOps.h"
#include "support/NginxServer.h"
#include "support/TestHome.h"

namespace {

using namespace talvex;
using Clock = std::chrono::steady_clock;

constexpr int kDownloads = 3;
constexpr int kSegments = 4;
constexpr auto kWarmUp = std::chrono::seconds(1);
constexpr auto kWindow = std::chrono::seconds(10);

uint64_t ParseRate(const std::string& text) {
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text.c_str(), &end, 10);
    uint64_t multiplier = 1;
    if (end != nullptr && (*end == 'k' || *end == 'K')) {
        multiplier = 1024;
    } else if (end != nullptr && (*end == 'm' || *end == 'M')) {
        multiplier = 1024 * 1024;
    }
    return value * multiplier;
}

struct Segment {
    uint64_t from = 0;
    uint64_t to = 0;
    std::atomic<uint64_t> position{0};
};

// Bytes stored so far by each download.
std::vector<uint64_t> Stored(const std::vector<std::vector<Segment>>& downloads) {
    std::vector<uint64_t> bytes;
    for (const auto& segments : downloads) {
        uint64_t sum = 0;
        for (const Segment& s : segments) {
            sum += s.position.load() - s.from;
        }
        bytes.push_back(sum);
    }
    return bytes;
}

uint64_t Sum(const std::vector<uint64_t>& values) {
    uint64_t sum = 0;
    for (uint64_t v : values) {
        sum += v;
    }
    return sum;
}

// One round at limit; false when a transfer could not start.
bool Round(test::NginxServer& nginx, const std::filesystem::path& out, uint64_t fileSize,
           uint64_t limit) {
    TransferRateLimit::Global().SetRate(limit);
    std::atomic<bool> stop{false};
    std::vector<std::vector<Segment>> downloads(kDownloads);
    std::vector<File> files;
    for (int d = 0; d < kDownloads; ++d) {
        files.push_back(File::CreateTruncate(out / ("copy" + std::to_string(d) + ".bin")));
        if (!files.back().IsOpen() || !files.back().Resize(fileSize)) {
            return false;
        }
        downloads[d] = std::vector<Segment>(kSegments);
        for (int s = 0; s < kSegments; ++s) {
            Segment& segment = downloads[d][s];
            segment.from = fileSize / kSegments * s;
            segment.to = s == kSegments - 1 ? fileSize - 1 : fileSize / kSegments * (s + 1) - 1;
            segment.position = segment.from;
        }
    }
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (int d = 0; d < kDownloads; ++d) {
        for (int s = 0; s < kSegments; ++s) {
            threads.emplace_back([&, d, s] {
                Segment& segment = downloads[d][s];
                DNetworking client;
                const uint32_t code = client.DownloadRange(
                    nginx.WideUrl("/media" + std::to_string(d) + ".bin"),
                    ByteRange{segment.from, segment.to}, files[d], segment.position, stop, nullptr);
                if (code != kNetSuccess || !stop.load()) {
                    failures.fetch_add(1);  // ended before the window did, or failed
                }
            });
        }
    }
    std::this_thread::sleep_for(kWarmUp);
    const std::vector<uint64_t> before = Stored(downloads);
    const auto windowStart = Clock::now();
    std::this_thread::sleep_for(kWindow);
    const std::vector<uint64_t> after = Stored(downloads);
    const double seconds = std::chrono::duration<double>(Clock::now() - windowStart).count();
    stop.store(true);
    for (std::thread& thread : threads) {
        thread.join();
    }
    TransferRateLimit::Global().SetRate(0);

    uint64_t least = UINT64_MAX;
    uint64_t most = 0;
    for (int d = 0; d < kDownloads; ++d) {
        const uint64_t share = after[d] - before[d];
        least = std::min(least, share);
        most = std::max(most, share);
    }
    const double rate = static_cast<double>(Sum(after) - Sum(before)) / seconds;
    std::printf("%10.0f KB/s %12.0f KB/s %8.3f %12.2f %s\n", limit / 1024.0, rate / 1024.0,
                rate / static_cast<double>(limit),
                most == 0 ? 0.0 : static_cast<double>(least) / static_cast<double>(most),
                failures.load() == 0 ? "" : "(a transfer ended early or failed)");
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<uint64_t> limits;
    for (int i = 1; i < argc; ++i) {
        limits.push_back(ParseRate(argv[i]));
    }
    if (limits.empty()) {
        limits = {256 * 1024, 1024 * 1024, 4 * 1024 * 1024};
    }
    uint64_t largest = 0;
    for (uint64_t limit : limits) {
        if (limit == 0) {
            std::fprintf(stderr, "a limit must be above 0\n");
            return 2;
        }
        largest = std::max(largest, limit);
    }
    // Each download must outlast warm-up and window at its third of the largest limit.
    const uint64_t fileSize = largest * 15 / kDownloads + (1 << 20);
    test::TestHome home;
    test::TempDir out;
    test::NginxServer nginx;
    for (int d = 0; d < kDownloads; ++d) {
        test::WriteFileBytes(nginx.Root() / ("media" + std::to_string(d) + ".bin"),
                             test::RandomBytes(fileSize, static_cast<unsigned>(d + 1)));
    }
    if (!nginx.Start()) {
        std::fprintf(stderr, "nginx did not start: %s\n", nginx.LastError().c_str());
        return 2;
    }
    std::printf("%d downloads x %d segments from nginx on 127.0.0.1, %lld s window after %lld s\n",
                kDownloads, kSegments, static_cast<long long>(kWindow.count()),
                static_cast<long long>(kWarmUp.count()));
    std::printf("%15s %17s %8s %12s\n", "limit", "total rate", "ratio", "least/most");
    for (uint64_t limit : limits) {
        if (!Round(nginx, out.Path(), fileSize, limit)) {
            std::fprintf(stderr, "cannot write to %s\n", out.Path().c_str());
            return 2;
        }
    }
    return 0;
}
