#pragma once
// File primitives the download and conversion items build on: unique temporary names, moves
// that never overwrite, pre-sizing and positioned writes with 64-bit offsets.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace talvex {

// Creates an empty file "<prefix>XXXX.tmp" (XXXX four upper-case hex digits) in folder with
// O_EXCL, retrying other names on collision. Returns its path, or nothing when the folder is
// not writable or every name is taken.
std::optional<std::filesystem::path> CreateUniqueTempFile(const std::filesystem::path& folder,
                                                          const std::string& prefix);

// Moves from -> to, failing (false) when to exists. renameat2(RENAME_NOREPLACE) where the file
// system supports it, link + unlink otherwise; never overwrites.
bool MoveNoReplace(const std::filesystem::path& from, const std::filesystem::path& to);

// Deletes path only when it is a regular file (or a symbolic link); never a folder.
bool RemoveRegularFile(const std::filesystem::path& path);

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
    void Close();

private:
    explicit File(int fd) : fd_(fd) {}
    int fd_ = -1;
};

}  // namespace talvex
