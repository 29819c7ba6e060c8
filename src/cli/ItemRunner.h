#pragma once
// Drives the queued items of one command to their end: hands the workers' finished notices to
// the queue on this (the main) thread, as the main window does, so that follow-up conversions
// start and freed places are filled; shows the progress; stops everything cleanly on an
// interrupt; and prints one result line per item.
#include <cstdio>
#include <string>
#include <vector>

#include "activity/ActivityItem.h"
#include "app/threads/DRefCounted.h"

namespace talvex {
class Engine;
}

namespace talvex::cli {

class Console;
class MessageLoop;
class ProgressView;

// Exit statuses.
enum : int {
    kExitOk = 0,
    kExitFailed = 1,
    kExitUsage = 2,
};

class ItemRunner {
public:
    // How long the clean stop waits for the workers to let go of their items (an encoder that
    // ignores its quit request is killed after ten seconds).
    static constexpr int kStopWaitMs = 20000;
    // How often the progress is drawn.
    static constexpr int kRefreshMs = 250;

    ItemRunner(Engine& engine, MessageLoop& loop, Console& console, ProgressView& view);

    // Runs until every item has ended, or until an interrupt (then every item is stopped).
    // Returns the exit status: 0 when every item completed, 1 when one did not, 128 plus the
    // signal's number after an interrupt.
    int Run(std::FILE* results);

    // "Completed: PATH", "Failed: NAME: ERROR TEXT" or "Canceled: NAME".
    static std::string ResultLine(ActivityItem& item);

private:
    // Adds the queue's items not seen yet, in queue order.
    void Collect();
    bool AllEnded();
    void HandleMessages(int waitMs);
    // Stops every item and waits until no worker holds one.
    void StopEverything();
    // Waits (bounded) until only this runner holds the items: their workers have finished.
    void WaitForWorkers(int timeoutMs);

    Engine& engine_;
    MessageLoop& loop_;
    Console& console_;
    ProgressView& view_;
    std::vector<RefPtr<ActivityItem>> items_;
};

}  // namespace talvex::cli
