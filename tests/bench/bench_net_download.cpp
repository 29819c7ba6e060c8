// Downloads one address into a file with the HTTP client's ranged transfer, the way a single
// stream download does, and prints the result code. Timing is done by the calling script, the
// same way for this program and for the reference client.
//   bench_net_download URL OUTPUT [--segments N]
// With --segments N the body is fetched as N ranges in parallel (the segmented download).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "net/DNetworking.h"
#include "platform/Utf8.h"

int main(int argc, char** argv) {
    using namespace talvex;
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s URL OUTPUT [--segments N]\n", argv[0]);
        return 2;
    }
    std::wstring url = Utf8ToWide(argv[1]);
    int segments = argc >= 5 && std::strcmp(argv[3], "--segments") == 0 ? std::atoi(argv[4]) : 0;
    File file = File::CreateTruncate(argv[2]);
    if (!file.IsOpen()) {
        std::fprintf(stderr, "cannot create %s\n", argv[2]);
        return 2;
    }
    if (segments <= 0) {
        DNetworking client;
        std::atomic<uint64_t> position{0};
        uint32_t result =
            client.DownloadRange(url, std::nullopt, file, position, NeverStop(), nullptr);
        std::printf("result %u bytes %llu\n", result,
                    static_cast<unsigned long long>(position.load()));
        return result == kNetSuccess ? 0 : 1;
    }
    DNetworking probe;
    if (probe.QueryHeaders(url) != kNetSuccess || !probe.ContentLength()) {
        std::fprintf(stderr, "no size for %s\n", argv[1]);
        return 1;
    }
    uint64_t size = *probe.ContentLength();
    file.Resize(size);
    std::vector<std::thread> threads;
    std::vector<uint32_t> results(static_cast<size_t>(segments));
    std::vector<std::atomic<uint64_t>> positions(static_cast<size_t>(segments));
    for (int i = 0; i < segments; ++i) {
        uint64_t from = size / segments * i;
        uint64_t to = i == segments - 1 ? size - 1 : size / segments * (i + 1) - 1;
        positions[i] = from;
        threads.emplace_back([&, i, from, to] {
            DNetworking client;
            results[i] = client.DownloadRange(url, ByteRange{from, to}, file, positions[i],
                                              NeverStop(), nullptr);
        });
    }
    bool ok = true;
    for (int i = 0; i < segments; ++i) {
        threads[i].join();
        ok = ok && results[i] == kNetSuccess;
    }
    std::printf("segments %d %s\n", segments, ok ? "ok" : "failed");
    return ok ? 0 : 1;
}
