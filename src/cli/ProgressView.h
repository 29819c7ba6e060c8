#pragma once
// What the command-line front end shows while items run. On a terminal: one line per running
// item, redrawn in place (name, bar, percent, speed, time left, state), and a line above it
// whenever an item ends. Otherwise (a pipe, a log file): one plain line per state change.
#include <map>
#include <string>
#include <vector>

#include "activity/ActivityItem.h"
#include "app/threads/DRefCounted.h"

namespace talvex {
class StringTable;
}

namespace talvex::cli {

class Console;

// One running item's line, fitted to width columns: the name is shortened (with "...") so
// that the figures always show.
std::string ProgressLine(const std::wstring& name, int32_t percent, const std::wstring& speed,
                         const std::wstring& timeLeft, const std::wstring& state, int width);

// "NAME: STATE", the line written when an item's state changes.
std::string StateLine(const std::wstring& name, const std::wstring& state);

class ProgressView {
public:
    ProgressView(Console& console, const StringTable* strings);

    // Looks at every item once: reports state changes and, on a terminal, redraws the block.
    void Update(const std::vector<RefPtr<ActivityItem>>& items);
    // Erases the block (before the results are printed).
    void Finish();

private:
    Console& console_;
    const StringTable* strings_;
    std::map<const ActivityItem*, ActivityState> lastState_;
};

}  // namespace talvex::cli
