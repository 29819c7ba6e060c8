#pragma once
// The work files the items of this process have announced and not yet released, kept where
// the path that ends talvex-cli at once (a repeated interrupt) can remove them without the
// items' own clean-up: the table is made before any item runs, and removing takes no lock and
// allocates nothing (atomics and unlink only, all async-signal-safe).
//
// Each slot is free, being written, in use, or claimed (by a release comparing it, or by
// RemoveAll); a slot is read only by the thread that claimed it, so no path is ever read half
// written. A path longer than a slot, or one beyond the last slot, is not kept: the table is
// sized for far more files than the items of a run make at once.
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>

#include "activity/WorkFileObserver.h"

namespace talvex::cli {

class WorkFileTable : public IWorkFileObserver {
public:
    static constexpr size_t kSlots = 1024;
    static constexpr size_t kPathBytes = 4096;  // PATH_MAX, with the terminating zero

    void WorkFileMade(const std::filesystem::path& path) override;
    void WorkFileGone(const std::filesystem::path& path) override;

    // Unlinks every file in use and frees its slot; the number unlinked. Async-signal-safe.
    int RemoveAll();
    // Slots in use.
    size_t Count() const;

private:
    enum : int { kFree = 0, kWriting = 1, kInUse = 2, kClaimed = 3 };
    struct Slot {
        std::atomic<int> state{kFree};
        std::atomic<uint64_t> hash{0};  // of the path, so that a release claims only its own
    };

    std::array<Slot, kSlots> slots_{};
    std::array<std::array<char, kPathBytes>, kSlots> paths_{};
};

}  // namespace talvex::cli
