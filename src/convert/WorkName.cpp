#include "convert/WorkName.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>
#include <string>

namespace talvex {

namespace fs = std::filesystem;

namespace {

// O_EXCL: fails when anything, even a dangling link, holds the name.
bool CreateExclusively(const fs::path& path, bool& taken) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    taken = fd < 0 && errno == EEXIST;
    if (fd < 0) {
        return false;
    }
    ::close(fd);
    return true;
}

}  // namespace

std::optional<fs::path> ReserveWorkName(const fs::path& folder, const WorkNameStart& start) {
    const unsigned first = start ? start() : std::random_device{}();
    for (unsigned i = 0; i < 0x10000; ++i) {
        const unsigned number = (first + i) & 0xFFFF;
        if (number == 0) {
            continue;
        }
        char name[16];
        std::snprintf(name, sizeof name, "~qrv%04X.tmp", number);
        const fs::path candidate = folder / name;
        bool taken = false;
        if (CreateExclusively(candidate, taken)) {
            return candidate;
        }
        if (!taken) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

bool CreateWorkFile(const fs::path& path) {
    bool taken = false;
    return CreateExclusively(path, taken);
}

}  // namespace talvex
