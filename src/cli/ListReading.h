#pragma once
// Making the download items reads every playlist and channel page the addresses name, which
// takes as long as the site and the list take (minutes for a long list). It runs on a thread of
// its own while the main thread watches for an interrupt, so that Ctrl-C is taken at once.
// Site script runs cannot be cut short, so an interrupted reading is abandoned, not joined:
// nothing has been queued yet, hence nothing to clean up, and the caller ends the program at
// once without destroying what the reading still uses.
#include <functional>
#include <optional>

#include "engine/Engine.h"

namespace talvex::cli {

// prepare's result, or nothing after an interrupt (prepare then still runs on its thread).
std::optional<Engine::DownloadBatch> PrepareUnlessInterrupted(
    const std::function<Engine::DownloadBatch()>& prepare);

}  // namespace talvex::cli
