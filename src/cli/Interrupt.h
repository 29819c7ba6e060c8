#pragma once
// Ctrl-C and termination requests. The first SIGINT or SIGTERM only records itself: the
// front end then stops every item cleanly and exits with 128 plus the signal's number. A
// second one ends the program at once, for a user who will not wait for the clean-up.
//
// The signals are blocked in every thread and taken by one thread of their own (sigwait), so
// no worker's system call is ever interrupted by them.
namespace talvex::cli {

// Blocks the signals and starts the thread that takes them. Call first thing in main, before
// any other thread exists (threads inherit the blocked mask).
void InstallInterruptHandlers();
// The signal received, or 0.
int InterruptSignal();
// A descriptor that becomes readable once a signal arrived (for poll in a blocking prompt).
int InterruptWakeFd();

}  // namespace talvex::cli
