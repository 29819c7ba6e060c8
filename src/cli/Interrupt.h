#pragma once
// Ctrl-C and termination requests. The first SIGINT or SIGTERM only records itself: the
// front end then stops every item cleanly and exits with 128 plus the signal's number. A
// second one ends the program at once, for a user who will not wait for the clean-up.
namespace talvex::cli {

// Installs the handlers (once, on the main thread).
void InstallInterruptHandlers();
// The signal received, or 0.
int InterruptSignal();
// A descriptor that becomes readable once a signal arrived (for poll in a blocking prompt).
int InterruptWakeFd();

}  // namespace talvex::cli
