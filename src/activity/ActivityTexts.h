#pragma once
// The texts the activity list shows for an item: its state, speed, time left, size and
// progress, in the user's language. Shared by every front end that lists items (the Activity
// tab, the command-line front end's progress lines).
#include <cstdint>
#include <string>

#include "activity/ActivityItem.h"

namespace talvex {

class StringTable;

// strings may be null in every function (the built-in English texts).
namespace activity_text {

// "Queued", "Downloading" / "Converting", "Canceled", "Paused", "Completed", "Failed"; empty
// for an item that was not prepared yet.
std::wstring State(const StringTable* strings, ActivityKind kind, ActivityState state);
// "%1 KB/s" below 1 MiB/s, else "%1 MB/s", with two decimals.
std::wstring Speed(const StringTable* strings, double bytesPerSecond);
// "--" without an estimate; else "%1h %2m" (whole days dropped), "%1m %2s" or "%1s".
std::wstring TimeLeft(const StringTable* strings, int64_t seconds);
// "%1 MB": two decimals below 1 MiB, else rounded to whole MiB (halves away from zero).
std::wstring Size(const StringTable* strings, double mebibytes);
// The percentage capped at 100, right-aligned in three places: " 42%".
std::wstring Progress(int32_t percent);

}  // namespace activity_text
}  // namespace talvex
