#pragma once
// Drives the queued items of one command to their end: hands the workers' finished notices to
// the queue on this (the main) thread, as the main window does, so that follow-up conversions
// start and freed places are filled; shows the progress; stops everything cleanly on an
// interrupt; and prints one result line per item.
#include <cstdio>
#include <string>
#include <unordered_set>
#include <vector>

#include "activity/ActivityItem.h"
#include "app/threads/DRefCounted.h"
#include "cli/QueueWatch.h"

namespace talvex {
class Engine;
}

namespace talvex::cli {

class Console;
class MessageLoop;
struct Message;
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

    // Adds the items to the activity queue in order. The finished notices that arrive meanwhile
    // are handled at once, as the window's loop would between two additions: an item that ends
    // at once frees its place for the next, and the queue does not carry thousands of ended runs
    // whose notice is still pending. An interrupt ends the queueing: what is not queued by then
    // never runs. Takes the caller's references (a reference kept elsewhere would make the end
    // of the run wait for it as for a worker).
    void Queue(std::vector<RefPtr<ActivityItem>> items);
    // Runs until every item has ended, or until an interrupt (then every item is stopped).
    // Returns the exit status: 0 when every item completed, 1 when one did not, 128 plus the
    // signal's number after an interrupt.
    int Run(std::FILE* results);

    // "Completed: PATH", "Failed: NAME: ERROR TEXT" or "Canceled: NAME".
    static std::string ResultLine(ActivityItem& item);

private:
    // Adds the items queued since the last call, in queue order.
    void Collect();
    // Says on standard error, once per item, that a download which was to go on from an
    // earlier run started over, and why.
    void TellStartOvers();
    bool AllEnded();
    void HandleMessages(int waitMs);
    void Handle(const Message& message);
    // Stops every item and waits until no worker holds one.
    void StopEverything();
    // Waits (bounded) until only this runner holds the items: their workers have finished.
    void WaitForWorkers(int timeoutMs);

    Engine& engine_;
    MessageLoop& loop_;
    Console& console_;
    ProgressView& view_;
    QueueWatch watch_;
    std::vector<RefPtr<ActivityItem>> items_;
    std::unordered_set<const ActivityItem*> toldStartOver_;
    std::unordered_set<const ActivityItem*> known_;  // the items in items_
};

}  // namespace talvex::cli
