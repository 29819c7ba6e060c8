#include "convert/WorkName.h"

#include <fcntl.h>
#include <unistd.h>

#include "platform/FileOps.h"

namespace talvex {

namespace fs = std::filesystem;

std::optional<fs::path> ReserveWorkName(const fs::path& folder, const WorkNameStart& start) {
    // The same names, made the same way, as a download's work file.
    return CreateUniqueTempFile(folder, "~qrv",
                                start ? std::optional<unsigned>(start()) : std::nullopt);
}

bool CreateWorkFile(const fs::path& path) {
    // O_EXCL: fails when anything, even a dangling link, holds the name.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    ::close(fd);
    return true;
}

}  // namespace talvex
