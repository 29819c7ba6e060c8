#pragma once
// Ctrl-C and termination requests. The first SIGINT or SIGTERM only records itself: the
// front end then stops every item cleanly and exits with 128 plus the signal's number. The
// same signal again within kRepeatWindowMs is that one request delivered twice (GNU timeout,
// for one, signals its child and then the child's process group) and counts once. Any later
// one ends the program at once, for a user who will not wait for the clean-up; the work files
// the items have announced are removed on that path too.
//
// The signals are blocked in every thread and taken by one thread of their own (sigwait), so
// no worker's system call is ever interrupted by them.
namespace talvex::cli {

inline constexpr int kRepeatWindowMs = 500;

// Blocks the signals and starts the thread that takes them. Call first thing in main, before
// any other thread exists (threads inherit the blocked mask). atOnce, when given, runs just
// before the program ends at once; it must be async-signal-safe (no lock, no allocation).
void InstallInterruptHandlers(void (*atOnce)() = nullptr);
// The signal received, or 0.
int InterruptSignal();
// A descriptor that becomes readable once a signal arrived (for poll in a blocking prompt).
int InterruptWakeFd();

}  // namespace talvex::cli
