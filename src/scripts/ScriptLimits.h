#pragma once
// What one top-level script run may spend, nested runs included. Site scripts come from a file
// anyone can replace, so no script may hold a worker, a login lock or the machine for long: a
// run that reaches a limit ends at once and fails with an error text (ScriptRunEnd).
#include <chrono>
#include <cstdint>

namespace talvex {

struct ScriptLimits {
    // Statements executed, comments and the statements of nested runs included.
    uint64_t statements = 1'000'000;
    // Characters handled: the length of every executed line, of every value a function
    // produces or a statement hands to the download, and of the values a function must go
    // over whole, times the passes it makes over them (ScriptCall::passes). A script that
    // rewrites texts near the 32 Mi value bound reaches this within a few hundred statements;
    // a list walk that copies the rest of each page per video (about 0.1 Gi a page of 200
    // videos) may read some 150 pages.
    uint64_t characters = uint64_t{1} << 34;
    // Time spent executing statements, not counting the waits for the network and for the
    // user's answer to a login prompt. It bounds what the character count leaves out: searches
    // and comparisons, which stop at what they look for.
    std::chrono::milliseconds busyTime{30'000};
    // Blocks running inside one another: the address's block counts 1, each CALLSCRIPT or login
    // block one more.
    int nesting = 16;
};

// Why a run ended before its last line (kNone: it did not, or it has not).
enum class ScriptRunEnd {
    kNone,
    kStatements,  // the statement limit
    kCharacters,  // the character limit
    kBusyTime,    // the time limit
    kNesting,     // too many blocks inside one another
    kStopped,     // the target's stop flag was set
};

}  // namespace talvex
