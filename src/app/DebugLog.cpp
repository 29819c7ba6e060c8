#include "app/DebugLog.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <string>

#include "app/SettingsStore.h"
#include "platform/Folders.h"
#include "platform/Utf8.h"

namespace talvex {

namespace {

// Encloses no other lock. Never destroyed: workers may still log while the process ends.
std::mutex& LogLock() {
    static std::mutex* lock = new std::mutex;
    return *lock;
}

bool WriteAll(int fd, const std::string& bytes) {
    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

// The caller has checked the switch.
void AppendLine(std::string_view text) {
    try {
        const std::filesystem::path file = DataFolder() / "Log.txt";
        std::string line;
        line.reserve(text.size() + 1);
        line.append(text);
        line += '\n';
        std::lock_guard guard(LogLock());
        // Opened and closed per line so the file can be read or deleted while the program runs.
        int fd = ::open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
        if (fd < 0) {
            return;
        }
        // One write of the whole line: with O_APPEND even another process's lines stay whole.
        WriteAll(fd, line);
        ::close(fd);
    } catch (...) {
    }
}

void TraceLine(std::string_view text) {
    if (std::getenv("TALVEX_TRACE") == nullptr) {
        return;
    }
    try {
        std::string line(text);
        if (line.empty() || line.back() != '\n') {
            line += '\n';
        }
        WriteAll(STDERR_FILENO, line);
    } catch (...) {
    }
}

}  // namespace

bool DebugLog::Enabled() {
    try {
        return SettingsStore().GetNumber(setting::kDebugLogging) == 1;
    } catch (...) {
        return false;
    }
}

void DebugLog::Write(std::string_view text) {
    if (Enabled()) {
        AppendLine(text);
    }
}

void DebugLog::Write(std::wstring_view text) {
    try {
        if (Enabled()) {
            AppendLine(WideToUtf8(text));
        }
    } catch (...) {
    }
}

void Trace(std::string_view text) {
    TraceLine(text);
}

void Trace(std::wstring_view text) {
    if (std::getenv("TALVEX_TRACE") == nullptr) {
        return;
    }
    try {
        TraceLine(WideToUtf8(text));
    } catch (...) {
    }
}

}  // namespace talvex
