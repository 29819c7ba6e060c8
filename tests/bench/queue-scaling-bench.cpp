// Times long lists of items, for 1,000, 10,000 and 20,000 items unless told other counts:
//
// - "activity queue": N items added to the activity queue one at a time, watched as talvex-cli
//   watches it (items that only wait: three run, the others are prepared at once);
// - "command line": talvex-cli's whole path without the network: N watch addresses made into
//   items by the engine, queued by the item runner (which handles the items' finished notices
//   meanwhile) and driven to their end (every item fails at once, since no site script is
//   loaded); the result lines go to /dev/null. The runner wakes every 250 ms, so "run" has that
//   grain.
//
//   queue_scaling_bench [N...]
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "activity/ActivityQueue.h"
#include "cli/Console.h"
#include "cli/ItemRunner.h"
#include "cli/MessageLoop.h"
#include "cli/ProgressView.h"
#include "cli/QueueWatch.h"
#include "engine/Engine.h"
#include "support/TestHome.h"
#include "unit/activity/FakeActivity.h"

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void QueueAlone(int count) {
    std::vector<talvex::RefPtr<talvex::testing::FakeItem>> items;
    for (int i = 0; i < count; ++i) {
        items.push_back(talvex::MakeRef<talvex::testing::FakeItem>(talvex::ActivityKind::Download));
    }
    talvex::ActivityQueue queue;
    queue.SetSleeper([](uint32_t) {});
    size_t seen = 0;
    {
        talvex::cli::QueueWatch watch(queue);
        const Clock::time_point start = Clock::now();
        for (auto& item : items) {
            queue.Add(item.get());
            seen += watch.TakeAdded().size();
        }
        const double queued = SecondsSince(start);
        std::printf("activity queue: %6d items  queue %8.3f s  (%zu seen)\n", count, queued, seen);
        std::fflush(stdout);
    }
    queue.StopAll();
}

void CommandLine(int count) {
    talvex::test::TestHome home;
    // Nothing may reach a real server: there is no script to ask for anything, and a stray
    // request would only meet a closed port.
    talvex::test::ScopedEnv proxy("http_proxy", std::string("http://127.0.0.1:9"));
    std::FILE* results = std::fopen("/dev/null", "w");
    const int errors = open("/dev/null", O_WRONLY | O_CLOEXEC);
    talvex::cli::Console console(errors, false);
    talvex::cli::MessageLoop loop;
    {
        talvex::Engine engine;
        engine.Init(&loop);
        engine.Parser().ClearScripts();
        talvex::cli::ProgressView view(console, engine.GetStringTable());
        std::vector<std::wstring> urls;
        urls.reserve(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) {
            urls.push_back(L"http://www.youtube.com/watch?v=bench" + std::to_wstring(i));
        }
        talvex::cli::ItemRunner runner(engine, loop, console, view);
        const Clock::time_point start = Clock::now();
        talvex::Engine::DownloadBatch batch =
            engine.PrepareDownload(urls, talvex::DownloadQuality::kBest, true, true, false, false,
                                   talvex::ConversionQuality::kHigh, 0);
        const double made = SecondsSince(start);
        const Clock::time_point queueing = Clock::now();
        runner.Queue(std::move(batch.items));
        const double queued = SecondsSince(queueing);
        const Clock::time_point running = Clock::now();
        const int status = runner.Run(results);
        const double ran = SecondsSince(running);
        std::printf(
            "command line:   %6d items  make %8.3f s  queue %8.3f s  run %8.3f s  (exit %d)\n",
            count, made, queued, ran, status);
        std::fflush(stdout);
        engine.StopAll();
    }
    close(errors);
    std::fclose(results);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<int> counts;
    for (int i = 1; i < argc; ++i) {
        counts.push_back(std::max(1, std::atoi(argv[i])));
    }
    if (counts.empty()) {
        counts = {1000, 10000, 20000};
    }
    for (int count : counts) {
        QueueAlone(count);
    }
    for (int count : counts) {
        CommandLine(count);
    }
    return 0;
}
