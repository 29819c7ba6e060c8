#include "cli/Console.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

namespace talvex::cli {

void WriteText(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return;
        }
        done += static_cast<size_t>(n);
    }
}

Console::Console(int fd, bool terminal) : fd_(fd), terminal_(terminal) {}

int Console::Width() const {
    winsize size{};
    if (terminal_ && ioctl(fd_, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) {
        return size.ws_col;
    }
    return 80;
}

void Console::Message(const std::string& line) {
    std::lock_guard guard(lock_);
    ClearLiveLocked();
    WriteText(fd_, line + "\n");
}

void Console::DrawLive(const std::vector<std::string>& lines) {
    if (!terminal_) {
        return;
    }
    std::lock_guard guard(lock_);
    if (held_) {
        return;
    }
    ClearLiveLocked();
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\n";
    }
    WriteText(fd_, text);
    liveLines_ = lines.size();
}

void Console::ClearLive() {
    std::lock_guard guard(lock_);
    ClearLiveLocked();
}

void Console::Hold() {
    std::lock_guard guard(lock_);
    ClearLiveLocked();
    held_ = true;
}

void Console::Release() {
    std::lock_guard guard(lock_);
    held_ = false;
}

void Console::WaitUntilReleased(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        {
            std::lock_guard guard(lock_);
            if (!held_) {
                return;
            }
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void Console::ClearLiveLocked() {
    if (liveLines_ == 0) {
        return;
    }
    // Up to the block's first line, then erase to the end of the screen.
    WriteText(fd_, "\x1b[" + std::to_string(liveLines_) + "F\x1b[J");
    liveLines_ = 0;
}

}  // namespace talvex::cli
