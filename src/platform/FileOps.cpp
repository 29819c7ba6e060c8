#include "platform/FileOps.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>
#include <utility>

#include "platform/CollisionName.h"

#ifndef RENAME_NOREPLACE
#define RENAME_NOREPLACE (1 << 0)
#endif

namespace talvex {

namespace fs = std::filesystem;

std::optional<fs::path> CreateUniqueTempFile(const fs::path& folder, const std::string& prefix,
                                             std::optional<unsigned> start) {
    // Like the classic scheme, four hex digits: 65535 names. Start at a random one so that
    // concurrent creators rarely collide, then walk on.
    const unsigned first = start ? *start : std::random_device{}();
    std::optional<fs::path> made;
    TakeFirstFree(0x10000, [&](int i) {
        const unsigned unique = (first + static_cast<unsigned>(i)) & 0xFFFF;
        if (unique == 0) {
            return NameTry::Taken;
        }
        char name[16];
        std::snprintf(name, sizeof name, "%04X.tmp", unique);
        fs::path candidate = folder / (prefix + name);
        // O_EXCL: fails when anything, even a dangling link, holds the name.
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0) {
            // Callers read errno after a failure: nothing below may change it.
            return errno == EEXIST ? NameTry::Taken : NameTry::GiveUp;
        }
        ::close(fd);
        made = std::move(candidate);
        return NameTry::Done;
    });
    return made;
}

bool MoveNoReplace(const fs::path& from, const fs::path& to) {
    long r =
        ::syscall(SYS_renameat2, AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
    if (r == 0) {
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return false;  // EEXIST among others
    }
    // The file system cannot rename without replacing: link refuses an existing target.
    if (::link(from.c_str(), to.c_str()) != 0) {
        return false;
    }
    ::unlink(from.c_str());
    return true;
}

bool RemoveRegularFile(const fs::path& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) {
        return false;
    }
    return ::unlink(path.c_str()) == 0;
}

File::~File() {
    Close();
}

File::File(File&& other) noexcept : fd_(other.fd_) {
    other.fd_ = -1;
}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

File File::OpenReadWrite(const fs::path& path, bool create) {
    int flags = O_RDWR | O_CLOEXEC | (create ? O_CREAT : 0);
    return File(::open(path.c_str(), flags, 0644));
}

File File::CreateTruncate(const fs::path& path) {
    return File(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
}

bool File::Resize(uint64_t size) {
    return fd_ >= 0 && ::ftruncate(fd_, static_cast<off_t>(size)) == 0;
}

bool File::WriteAt(uint64_t offset, const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = ::pwrite(fd_, p, size, static_cast<off_t>(offset));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        p += n;
        size -= static_cast<size_t>(n);
        offset += static_cast<uint64_t>(n);
    }
    return true;
}

bool File::Write(const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = ::write(fd_, p, size);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

std::optional<uint64_t> File::Size() const {
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0) {
        return std::nullopt;
    }
    return static_cast<uint64_t>(st.st_size);
}

bool File::Sync() {
    return fd_ >= 0 && ::fsync(fd_) == 0;
}

bool File::SyncData() {
    return fd_ >= 0 && ::fdatasync(fd_) == 0;
}

bool File::TryLock() {
    return fd_ >= 0 && ::flock(fd_, LOCK_EX | LOCK_NB) == 0;
}

FileRead ReadRegularFile(const fs::path& file, size_t maxBytes, std::string& bytes) {
    int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        return errno == ENOENT ? FileRead::Missing : FileRead::Failed;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return FileRead::Failed;
    }
    if (static_cast<uint64_t>(st.st_size) > maxBytes) {
        ::close(fd);
        return FileRead::TooLarge;
    }
    bytes.clear();
    bytes.reserve(static_cast<size_t>(st.st_size));
    char buffer[16384];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            ::close(fd);
            return FileRead::Failed;
        }
        if (n == 0) {
            break;
        }
        bytes.append(buffer, static_cast<size_t>(n));
        if (bytes.size() > maxBytes) {
            ::close(fd);
            return FileRead::TooLarge;
        }
    }
    ::close(fd);
    return FileRead::Read;
}

void SyncFolder(const fs::path& folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

bool ReplaceFileAtomically(const fs::path& path, const std::string& bytes,
                           const std::string& tempPrefix, unsigned mode) {
    std::optional<fs::path> temp = CreateUniqueTempFile(path.parent_path(), tempPrefix);
    if (!temp) {
        return false;
    }
    File out = File::OpenReadWrite(*temp);
    bool ok = out.IsOpen() && ::fchmod(out.Descriptor(), static_cast<mode_t>(mode)) == 0 &&
              out.Write(bytes.data(), bytes.size()) && out.Sync();
    out.Close();
    if (ok) {
        ok = ::rename(temp->c_str(), path.c_str()) == 0;
    }
    if (!ok) {
        RemoveRegularFile(*temp);
        return false;
    }
    SyncFolder(path.parent_path());
    return true;
}

void File::Close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

}  // namespace talvex
