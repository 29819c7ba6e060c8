#include "app/SettingsFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <string_view>

namespace talvex {

namespace {

enum class ReadResult { Read, Missing, TooLarge, Failed };

// Reads the whole file. Only a regular file is read: the open does not block (a pipe with no
// writer would hold it for ever), and anything but a regular file is then refused unread.
ReadResult ReadWhole(const std::filesystem::path& file, std::string& bytes) {
    int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        return errno == ENOENT ? ReadResult::Missing : ReadResult::Failed;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return ReadResult::Failed;
    }
    if (static_cast<uint64_t>(st.st_size) > kMaxSettingsFileBytes) {
        ::close(fd);
        return ReadResult::TooLarge;
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
            return ReadResult::Failed;
        }
        if (n == 0) {
            break;
        }
        bytes.append(buffer, static_cast<size_t>(n));
        if (bytes.size() > kMaxSettingsFileBytes) {
            ::close(fd);
            return ReadResult::TooLarge;
        }
    }
    ::close(fd);
    return ReadResult::Read;
}

// Whether the arrays and objects of a JSON text nest at most maxDepth deep. Brackets inside
// strings do not count. Only a bound: whether the text is JSON at all is the parser's business.
bool NestingWithin(std::string_view text, size_t maxDepth) {
    size_t depth = 0;
    bool inString = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\') {
                ++i;
            } else if (c == '"') {
                inString = false;
            }
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > maxDepth) {
                return false;
            }
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
    return true;
}

}  // namespace

SettingsDocument ReadSettingsFile(const std::filesystem::path& file) {
    SettingsDocument doc;
    try {
        std::string bytes;
        switch (ReadWhole(file, bytes)) {
            case ReadResult::Missing:
                doc.state = SettingsFileState::Missing;
                return doc;
            case ReadResult::TooLarge:
                doc.state = SettingsFileState::Bad;
                return doc;
            case ReadResult::Failed:
                doc.state = SettingsFileState::Unreadable;
                return doc;
            case ReadResult::Read:
                break;
        }
        if (bytes.empty()) {
            return doc;  // nothing to lose: same as no file
        }
        if (!NestingWithin(bytes, kMaxSettingsNesting)) {
            doc.state = SettingsFileState::Bad;
            return doc;
        }
        nlohmann::json parsed = nlohmann::json::parse(bytes, nullptr, /*allow_exceptions=*/false);
        if (parsed.is_discarded() || !parsed.is_object()) {
            doc.state = SettingsFileState::Bad;
            return doc;
        }
        doc.values = std::move(parsed);
        doc.state = SettingsFileState::Valid;
    } catch (...) {
        // Out of memory, not a fault of the file.
        doc.state = SettingsFileState::Unreadable;
        doc.values = nlohmann::json::object();
    }
    return doc;
}

}  // namespace talvex
