#pragma once
// The files items make while they work (a download's "~qrv" file, a conversion's work file and
// the empty file that reserves its name), announced to one process-wide observer: when they
// appear, and once they are no longer there under that name (moved into place or deleted).
// A front end that may have to end at once, without the items' own clean-up, removes the
// files still announced (talvex-cli on a repeated interrupt). The core knows nothing of it.
//
// Items announce a file just after making it and release it just after moving or deleting it,
// so a path may be known a moment after it is gone, never missing while it exists (but for
// the instant between making and announcing).
#include <filesystem>

namespace talvex {

class IWorkFileObserver {
public:
    virtual ~IWorkFileObserver() = default;
    // Called from any thread, with locks of the item held: must not block nor call back.
    virtual void WorkFileMade(const std::filesystem::path& path) = 0;
    virtual void WorkFileGone(const std::filesystem::path& path) = 0;
};

// Not owned; must outlive every item's work. Null (the default): nobody is told.
void SetWorkFileObserver(IWorkFileObserver* observer);

// What items call.
void AnnounceWorkFile(const std::filesystem::path& path);
void ReleaseWorkFile(const std::filesystem::path& path);

}  // namespace talvex
