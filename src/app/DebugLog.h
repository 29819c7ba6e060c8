#pragma once
// The optional support log: whole lines appended to DataFolder()/"Log.txt" while the setting
// "DebugLogging" holds exactly the number 1. The switch is read at every call, so it takes
// effect at the next line without a restart. The text is written as given (never a format
// string), followed by "\n"; wide text is written as UTF-8. Lines from different threads never
// interleave. Logging never fails towards the caller and never creates the data folder: with no
// folder the line is dropped.
//
// Conventions: "Enter Class::Method" on entry; "Exit Class::Method" on leaving, followed by a
// blank and an outcome in parentheses where there are several ways out: "(success)",
// "(failed 2)".
#include <string_view>

namespace talvex {

class DebugLog {
public:
    DebugLog() = delete;
    static void Write(std::string_view text);
    static void Write(std::wstring_view text);
    // Whether a line written now would be kept (lets a caller skip building an expensive text).
    static bool Enabled();
};

// Developer trace to standard error, only when the environment variable TALVEX_TRACE is set.
// A line feed is added unless the text ends with one.
void Trace(std::string_view text);
void Trace(std::wstring_view text);

}  // namespace talvex
