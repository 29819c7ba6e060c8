#include "app/SettingsFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace talvex {

namespace {

// Reads the whole file. false with errno ENOENT when it does not exist.
bool ReadWhole(const std::filesystem::path& file, std::string& bytes, bool& tooLarge) {
    tooLarge = false;
    int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return false;
    }
    if (static_cast<uint64_t>(st.st_size) > kMaxSettingsFileBytes) {
        ::close(fd);
        tooLarge = true;
        return false;
    }
    bytes.clear();
    char buffer[16384];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            ::close(fd);
            errno = EIO;
            return false;
        }
        if (n == 0) {
            break;
        }
        bytes.append(buffer, static_cast<size_t>(n));
        if (bytes.size() > kMaxSettingsFileBytes) {
            ::close(fd);
            tooLarge = true;
            return false;
        }
    }
    ::close(fd);
    return true;
}

}  // namespace

SettingsDocument ReadSettingsFile(const std::filesystem::path& file) {
    SettingsDocument doc;
    try {
        std::string bytes;
        bool tooLarge = false;
        if (!ReadWhole(file, bytes, tooLarge)) {
            doc.state = (!tooLarge && errno == ENOENT) ? SettingsFileState::Missing
                                                       : SettingsFileState::Bad;
            return doc;
        }
        if (bytes.empty()) {
            return doc;  // nothing to lose: same as no file
        }
        nlohmann::json parsed = nlohmann::json::parse(bytes, nullptr, /*allow_exceptions=*/false);
        if (parsed.is_discarded() || !parsed.is_object()) {
            doc.state = SettingsFileState::Bad;
            return doc;
        }
        doc.values = std::move(parsed);
        doc.state = SettingsFileState::Valid;
    } catch (...) {
        doc.state = SettingsFileState::Bad;
        doc.values = nlohmann::json::object();
    }
    return doc;
}

}  // namespace talvex
