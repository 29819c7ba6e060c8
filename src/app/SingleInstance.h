#pragma once
// The first thing a front end's main does: decide whether this process is the first instance.
//
//     InstanceStart start = StartInstance(BuildCommandLine(argc, argv));
//     if (!start.first) return start.exitCode;
//     ... run the program, keeping start.mutex alive until the end ...
#include <memory>
#include <string_view>

#include "app/DMutex.h"

namespace talvex {

struct InstanceStart {
    // True: run the program. False: another instance runs and has been handed the command line.
    bool first = false;
    // The process's exit code when !first: 0 when the running instance took the command line,
    // 1 when it did not answer in time (the line was not handed over).
    int exitCode = 0;
    // The first instance's lock; hold it for the life of the process. It does not own the lock
    // when the lock file could not be created: the program then runs rather than refusing to
    // start, at the price of not noticing another instance.
    std::unique_ptr<DMutex> mutex;
};

// Takes the instance lock in RuntimeFolder(); when another instance holds it, sends commandLine
// to that instance (waiting for its listener as InstancePipe::Send does) and reports exit code 0.
InstanceStart StartInstance(std::wstring_view commandLine);
// The same with the lock and socket in folder (tests).
InstanceStart StartInstanceIn(const std::filesystem::path& folder, std::wstring_view commandLine);

}  // namespace talvex
