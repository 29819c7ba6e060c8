// Conversion overhead: the same encoder command run directly and through a ConvertItem, runs
// alternating, in one process. Prints wall times, the overhead in percent, and the CPU time of
// this process during the item's runs against the encoder's.
//
//   convert_overhead SOURCE WORKFOLDER [RUNS] [PROFILE] [QUALITY]
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <optional>
#include <vector>

#include "app/threads/RefPtr.h"
#include "convert/ConversionProfiles.h"
#include "convert/ConvertItem.h"
#include "convert/EncoderCommand.h"
#include "platform/MessageSink.h"
#include "platform/Process.h"
#include "platform/Utf8.h"

using namespace talvex;
namespace fs = std::filesystem;

namespace {

class Sink : public IMessageSink {
public:
    void Post(uint32_t message, uintptr_t, intptr_t) override {
        if (message == kMsgItemFinished) {
            std::lock_guard lock(mutex_);
            ++count_;
            changed_.notify_all();
        }
    }
    void WaitFor(int count) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return count_ >= count; });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int count_ = 0;
};

double Seconds(const timeval& t) {
    return t.tv_sec + t.tv_usec / 1e6;
}

struct Usage {
    double self = 0;
    double children = 0;
};

Usage Now() {
    rusage self{}, children{};
    getrusage(RUSAGE_SELF, &self);
    getrusage(RUSAGE_CHILDREN, &children);
    return {Seconds(self.ru_utime) + Seconds(self.ru_stime),
            Seconds(children.ru_utime) + Seconds(children.ru_stime)};
}

double WallNow() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s SOURCE WORKFOLDER [RUNS] [PROFILE] [QUALITY]\n", argv[0]);
        return 2;
    }
    const fs::path source = fs::absolute(argv[1]);
    const fs::path work = fs::absolute(argv[2]);
    const int runs = argc > 3 ? std::atoi(argv[3]) : 3;
    const int profile = argc > 4 ? std::atoi(argv[4]) : kProfileIphone;
    const std::optional<ConversionQuality> quality =
        argc > 5 ? ConversionQualityFromNumber(std::atoi(argv[5])) : ConversionQuality::kOptimal;
    if (!quality) {
        std::fprintf(stderr, "QUALITY is 0 (high) to 3 (low)\n");
        return 2;
    }
    fs::create_directories(work);

    EncoderTools tools = EncoderTools::System();
    EncoderCommandInput input;
    input.profile = profile;
    input.quality = *quality;
    input.sourcePath = Utf8ToWide(source.string());
    input.workPath = Utf8ToWide((work / "direct").string()) + ProfileExtension(profile);
    auto command = BuildEncoderCommand(input, tools);
    if (!command) {
        std::fprintf(stderr, "no command\n");
        return 1;
    }
    std::printf("command: %s\n", WideToUtf8(command->text).c_str());

    std::vector<double> direct, item, selfShare, directCpu, itemCpu;
    Sink sink;
    int finished = 0;
    for (int r = 0; r < runs; ++r) {
        // Directly: the same argument vector, the same priority, output to nowhere.
        {
            const Usage before = Now();
            const double start = WallNow();
            Process p;
            Process::Options o;
            o.searchPath = true;
            o.niceIncrement = ConvertItem::kEncoderNiceIncrement;
            if (!p.Start(command->argv, o) || p.Wait(-1) != 0) {
                std::fprintf(stderr, "direct run failed\n");
                return 1;
            }
            direct.push_back(WallNow() - start);
            directCpu.push_back(Now().children - before.children);
        }
        // Through the item: probe, progress reading, move into place.
        {
            const fs::path copy = work / ("item" + source.extension().string());
            fs::copy_file(source, copy, fs::copy_options::overwrite_existing);
            auto conversion = MakeRef<ConvertItem>(profile, *quality);
            conversion->ownerWindow = &sink;
            conversion->sourcePath = Utf8ToWide(copy.string());
            conversion->replaceExisting = true;
            const Usage before = Now();
            const double start = WallNow();
            conversion->Run();
            sink.WaitFor(++finished);
            const double wall = WallNow() - start;
            const Usage after = Now();
            if (conversion->state.load() != ActivityState::Completed) {
                std::fprintf(stderr, "item run failed: %s\n",
                             WideToUtf8(conversion->LastMessage()).c_str());
                return 1;
            }
            item.push_back(wall);
            const double selfCpu = after.self - before.self;
            const double encoderCpu = after.children - before.children;
            selfShare.push_back(encoderCpu > 0 ? 100.0 * selfCpu / encoderCpu : 0);
            itemCpu.push_back(selfCpu + encoderCpu);
            std::printf(
                "run %d: direct %.3f s (encoder CPU %.3f s); item %.3f s (our CPU %.3f s, "
                "encoder CPU with probe %.3f s)\n",
                r + 1, direct.back(), directCpu.back(), wall, selfCpu, encoderCpu);
        }
    }
    const double d = Median(direct), i = Median(item);
    std::printf("median direct %.3f s, median item %.3f s, overhead %+.2f %%\n", d, i,
                100.0 * (i - d) / d);
    const double dc = Median(directCpu), ic = Median(itemCpu);
    std::printf(
        "median CPU direct %.3f s, median CPU item (ours + encoder + probe) %.3f s, "
        "overhead %+.2f %%\n",
        dc, ic, 100.0 * (ic - dc) / dc);
    std::printf("our CPU as a share of the encoder's (median): %.3f %%\n", Median(selfShare));
    fs::remove_all(work);
    return 0;
}
