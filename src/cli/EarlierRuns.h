#pragma once
// A download run goes on with what earlier runs of the same command left in its folder: each
// address whose download an interrupted run (Ctrl-C, a termination request, a crash, a power
// cut) left unfinished continues from the bytes on disk, unless the user asked to start over.
#include <string>
#include <vector>

#include "activity/ActivityItem.h"
#include "app/threads/DRefCounted.h"

namespace talvex::cli {

class Console;

// The program name written into the records of talvex-cli's downloads.
inline constexpr char kRecordProgram[] = "talvex-cli";

// Pairs the download items (before they are queued) with the unfinished downloads of the same
// address and quality in folder, and says on standard error which go on (or, with startOver,
// that their bytes are dropped). Then removes what crashed runs left in folder more than a day
// ago. The number of items that go on.
size_t GoOnWithEarlierRuns(const std::vector<RefPtr<ActivityItem>>& items,
                           const std::wstring& folder, bool startOver, Console& console);

}  // namespace talvex::cli
