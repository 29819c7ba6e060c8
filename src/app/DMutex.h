#pragma once
// The single-instance lock: an advisory flock on "{GUID}.lock" in the user's private runtime
// folder. The kernel drops the lock when its holder ends, however it ends, so a crashed instance
// never blocks the next start. The lock file itself is never removed: removing it would let two
// starters lock two different files.
#include <filesystem>
#include <string>

namespace talvex {

// Names the lock file and (with a "p" in front) the instance socket.
inline constexpr char kInstanceGuid[] = "{861C592B-5428-471f-8082-A5FFB5B93894}";

class DMutex {
public:
    // The lock in RuntimeFolder().
    DMutex();
    // The lock in folder (tests).
    explicit DMutex(std::filesystem::path folder);
    virtual ~DMutex();
    DMutex(const DMutex&) = delete;
    DMutex& operator=(const DMutex&) = delete;

    // Opens (creating) the lock file and tries to take the lock without waiting. True when the
    // file could be opened, whether or not the lock was free; IsOwned tells which. False when
    // the file cannot be opened or locked at all (no runtime folder, unwritable folder).
    bool Create();
    // True when this object holds the lock: the first instance.
    bool IsOwned() const { return owned_; }
    // Releases the lock (if owned) and closes the file.
    void Destroy();

    const std::filesystem::path& Folder() const { return folder_; }
    std::filesystem::path LockFile() const { return LockFileIn(folder_); }
    static std::filesystem::path LockFileIn(const std::filesystem::path& folder);
    // Whether some process (or another DMutex of this one) holds the lock in folder now.
    static bool IsHeld(const std::filesystem::path& folder);

private:
    std::filesystem::path folder_;
    int fd_ = -1;
    bool owned_ = false;
};

}  // namespace talvex
