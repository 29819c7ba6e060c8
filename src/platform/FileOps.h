#pragma once
// File primitives the download and conversion items build on: unique temporary names, moves
// that never overwrite, pre-sizing and positioned writes with 64-bit offsets.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace talvex {

// Creates an empty file "<prefix>XXXX.tmp" (XXXX four upper-case hex digits, never 0000) in
// folder with O_EXCL, walking on to the next number on collision; the walk starts at start's
// low 16 bits, a random number when none is given. Returns its path, or nothing (errno saying
// why) when the folder is not writable or every name is taken.
std::optional<std::filesystem::path> CreateUniqueTempFile(
    const std::filesystem::path& folder, const std::string& prefix,
    std::optional<unsigned> start = std::nullopt);

// Moves from -> to, failing (false) when to exists. renameat2(RENAME_NOREPLACE) where the file
// system supports it, link + unlink otherwise; never overwrites.
bool MoveNoReplace(const std::filesystem::path& from, const std::filesystem::path& to);

// Deletes path only when it is a regular file (or a symbolic link); never a folder.
bool RemoveRegularFile(const std::filesystem::path& path);

// Writes bytes to a new file beside path (named tempPrefix plus four hex digits and ".tmp"),
// flushes it to the disk and renames it over path, so that a reader or a crash only ever finds
// the old or the new content. mode is the new file's permission bits. False, with nothing
// changed at path, when any step fails.
bool ReplaceFileAtomically(const std::filesystem::path& path, const std::string& bytes,
                           const std::string& tempPrefix, unsigned mode = 0644);

// Reads a whole regular file of at most maxBytes. The open never blocks (a pipe with no
// writer would hold it for ever), and anything but a regular file is refused unread (Failed).
enum class FileRead { Read, Missing, TooLarge, Failed };
FileRead ReadRegularFile(const std::filesystem::path& file, size_t maxBytes, std::string& bytes);

// Flushes a folder's entries (a rename into it) to the disk; best effort.
void SyncFolder(const std::filesystem::path& folder);

// An open file descriptor, closed on destruction.
class File {
public:
    File() = default;
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;

    // Opens for reading and writing without truncating; creates the file when create is set.
    static File OpenReadWrite(const std::filesystem::path& path, bool create = false);
    // Opens for writing, creating or truncating.
    static File CreateTruncate(const std::filesystem::path& path);

    bool IsOpen() const { return fd_ >= 0; }
    int Descriptor() const { return fd_; }
    // Sets the file's size (ftruncate).
    bool Resize(uint64_t size);
    // Writes all of data at offset (pwrite, retried until done). False on any error.
    bool WriteAt(uint64_t offset, const void* data, size_t size);
    // Appends all of data at the current position.
    bool Write(const void* data, size_t size);
    std::optional<uint64_t> Size() const;
    bool Sync();
    // Flushes the file's data (not every attribute) to the disk.
    bool SyncData();
    // Takes the exclusive advisory lock of the file without waiting (flock): false when
    // another descriptor holds it, in this process or another. The lock goes with the
    // descriptor.
    bool TryLock();
    void Close();

private:
    explicit File(int fd) : fd_(fd) {}
    int fd_ = -1;
};

}  // namespace talvex
