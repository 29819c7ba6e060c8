#include "app/DMutex.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "platform/Folders.h"

namespace talvex {

namespace fs = std::filesystem;

namespace {

int FlockRetrying(int fd, int operation) {
    int r;
    do {
        r = ::flock(fd, operation);
    } while (r != 0 && errno == EINTR);
    return r;
}

}  // namespace

DMutex::DMutex() : DMutex(RuntimeFolder()) {}

DMutex::DMutex(fs::path folder) : folder_(std::move(folder)) {}

DMutex::~DMutex() {
    Destroy();
}

fs::path DMutex::LockFileIn(const fs::path& folder) {
    return folder / (std::string(kInstanceGuid) + ".lock");
}

bool DMutex::Create() {
    Destroy();
    if (folder_.empty()) {
        return false;
    }
    const fs::path file = LockFile();
    fd_ = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd_ < 0) {
        return false;
    }
    if (FlockRetrying(fd_, LOCK_EX | LOCK_NB) == 0) {
        owned_ = true;
        return true;
    }
    if (errno == EWOULDBLOCK) {
        return true;  // another instance holds it
    }
    ::close(fd_);  // locking is not supported here: as good as no lock file
    fd_ = -1;
    return false;
}

void DMutex::Destroy() {
    if (fd_ >= 0) {
        if (owned_) {
            ::flock(fd_, LOCK_UN);
        }
        ::close(fd_);
        fd_ = -1;
    }
    owned_ = false;
}

bool DMutex::IsHeld(const fs::path& folder) {
    if (folder.empty()) {
        return false;
    }
    const fs::path file = LockFileIn(folder);
    int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        return false;
    }
    // A shared lock conflicts only with the holder's exclusive one; when it is granted there
    // is no holder, and it is dropped at once.
    bool held = FlockRetrying(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

}  // namespace talvex
