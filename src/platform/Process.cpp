#include "platform/Process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <thread>

extern char** environ;

namespace talvex {

namespace fs = std::filesystem;

namespace {

void CloseFd(int& fd) {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

// Milliseconds left of a time limit that started at start; -1 stays "no limit".
int Remaining(int timeoutMs, std::chrono::steady_clock::time_point start) {
    if (timeoutMs < 0) {
        return -1;
    }
    auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(
                     std::chrono::steady_clock::now() - start)
                     .count();
    return spent >= timeoutMs ? 0 : static_cast<int>(timeoutMs - spent);
}

// The read and write ends of one child stream. The parent's end is close-on-exec so that a
// child started by another thread meanwhile does not inherit it (and keep the pipe open).
struct StreamSetup {
    int parentFd = -1;
    int childFd = -1;
};

bool SetUpStream(Process::Stream mode, int target, posix_spawn_file_actions_t* actions,
                 StreamSetup& out) {
    switch (mode) {
        case Process::Stream::Inherit:
            return true;
        case Process::Stream::Null:
            return posix_spawn_file_actions_addopen(actions, target, "/dev/null",
                                                    target == 0 ? O_RDONLY : O_WRONLY, 0) == 0;
        case Process::Stream::Pipe: {
            int fds[2];
            if (::pipe2(fds, O_CLOEXEC) != 0) {
                return false;
            }
            // stdin: the child reads fds[0]; stdout and stderr: the child writes fds[1].
            out.childFd = target == 0 ? fds[0] : fds[1];
            out.parentFd = target == 0 ? fds[1] : fds[0];
            // dup2 onto the standard descriptor drops close-on-exec for the child's copy.
            return posix_spawn_file_actions_adddup2(actions, out.childFd, target) == 0;
        }
    }
    return false;
}

}  // namespace

Process::~Process() {
    CloseFd(stdinFd_);
    CloseFd(stdoutFd_);
    CloseFd(stderrFd_);
    if (pid_ > 0) {
        TryReap();
    }
    CloseFd(pidFd_);
}

bool Process::Start(const std::vector<std::string>& argv, const Options& options) {
    if (pid_ > 0 || argv.empty()) {
        lastError_ = EINVAL;
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attr);

    StreamSetup streams[3];
    const Stream modes[3] = {options.stdinMode, options.stdoutMode, options.stderrMode};
    bool ok = true;
    for (int i = 0; i < 3 && ok; ++i) {
        ok = SetUpStream(modes[i], i, &actions, streams[i]);
    }
    // Descriptors this process opened without close-on-exec (by libraries, say) stay here.
    ok = ok && posix_spawn_file_actions_addclosefrom_np(&actions, 3) == 0;
    if (ok && !options.workingFolder.empty()) {
        ok = posix_spawn_file_actions_addchdir_np(&actions, options.workingFolder.c_str()) == 0;
    }

    // The child starts with default signal handling and nothing blocked, whatever this
    // process ignores (SIGPIPE, typically) or blocks.
    sigset_t all, none;
    sigfillset(&all);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setsigmask(&attr, &none);
    short flags = POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK;
    if (options.newProcessGroup) {
        flags |= POSIX_SPAWN_SETPGROUP;
        posix_spawnattr_setpgroup(&attr, 0);
    }
    posix_spawnattr_setflags(&attr, flags);

    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const auto& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);

    int rc = EINVAL;
    pid_t pid = -1;
    if (ok) {
        rc = options.searchPath ? posix_spawnp(&pid, args[0], &actions, &attr, args.data(), environ)
                                : posix_spawn(&pid, args[0], &actions, &attr, args.data(), environ);
    } else {
        rc = errno != 0 ? errno : EINVAL;
    }
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);

    for (auto& s : streams) {
        CloseFd(s.childFd);
    }
    if (rc != 0) {
        for (auto& s : streams) {
            CloseFd(s.parentFd);
        }
        lastError_ = rc;
        return false;
    }
    pid_ = pid;
    {
        std::lock_guard lock(stdinMutex_);
        stdinFd_ = streams[0].parentFd;
    }
    stdoutFd_ = streams[1].parentFd;
    stderrFd_ = streams[2].parentFd;
    // A descriptor that becomes readable when the child ends lets Wait sleep in poll instead
    // of polling waitpid. Older kernels have none; Wait then falls back to short sleeps.
    pidFd_ = static_cast<int>(::syscall(SYS_pidfd_open, pid_, 0));
    if (options.niceIncrement > 0) {
        errno = 0;
        int current = ::getpriority(PRIO_PROCESS, static_cast<id_t>(pid_));
        if (errno == 0) {
            ::setpriority(PRIO_PROCESS, static_cast<id_t>(pid_), current + options.niceIncrement);
        }
    }
    return true;
}

bool Process::WriteStdin(std::string_view data) {
    std::lock_guard lock(stdinMutex_);
    if (stdinFd_ < 0) {
        return false;
    }
    // A child that closed its input makes write raise SIGPIPE, which would end this
    // process. Block it on this thread and consume the one the write may leave pending.
    sigset_t pipeSet, old, pending;
    sigemptyset(&pipeSet);
    sigaddset(&pipeSet, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSet, &old);
    sigpending(&pending);
    const bool wasPending = sigismember(&pending, SIGPIPE) == 1;
    bool ok = true;
    while (!data.empty()) {
        ssize_t n = ::write(stdinFd_, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            if (errno == EPIPE && !wasPending) {
                timespec zero{};
                while (sigtimedwait(&pipeSet, nullptr, &zero) < 0 && errno == EINTR) {
                }
            }
            ok = false;
            break;
        }
        data.remove_prefix(static_cast<size_t>(n));
    }
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    return ok;
}

void Process::CloseStdin() {
    std::lock_guard lock(stdinMutex_);
    CloseFd(stdinFd_);
}

Process::ReadResult Process::ReadFrom(int& fd, std::string& out, int timeoutMs) {
    if (fd < 0) {
        return ReadResult::Error;
    }
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        int r = ::poll(&p, 1, Remaining(timeoutMs, start));
        if (r < 0) {
            if (errno == EINTR) {
                continue;
            }
            return ReadResult::Error;
        }
        if (r == 0) {
            return ReadResult::TimedOut;
        }
        char buffer[4096];
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN) {
                continue;
            }
            return ReadResult::Error;
        }
        if (n == 0) {
            CloseFd(fd);
            return ReadResult::End;
        }
        out.append(buffer, static_cast<size_t>(n));
        return ReadResult::Data;
    }
}

Process::ReadResult Process::ReadStderr(std::string& out, int timeoutMs) {
    return ReadFrom(stderrFd_, out, timeoutMs);
}

Process::ReadResult Process::ReadStdout(std::string& out, int timeoutMs) {
    return ReadFrom(stdoutFd_, out, timeoutMs);
}

bool Process::ReadStderrToEnd(std::string& out) {
    for (;;) {
        switch (ReadStderr(out, -1)) {
            case ReadResult::Data:
            case ReadResult::TimedOut:
                break;
            case ReadResult::End:
                return true;
            case ReadResult::Error:
                return false;
        }
    }
}

void Process::CloseStderr() {
    CloseFd(stderrFd_);
}

bool Process::TryReap() {
    std::lock_guard lock(reapMutex_);
    if (reaped_) {
        return true;
    }
    if (pid_ <= 0) {
        return false;
    }
    int status = 0;
    pid_t r;
    do {
        r = ::waitpid(pid_, &status, WNOHANG);
    } while (r < 0 && errno == EINTR);
    if (r == 0) {
        return false;
    }
    reaped_ = true;
    if (r < 0) {
        // Reaped elsewhere (SIGCHLD ignored, say): the status is lost.
        exitCode_ = -1;
    } else if (WIFEXITED(status)) {
        exitCode_ = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        bySignal_ = true;
        exitCode_ = 128 + WTERMSIG(status);
    }
    return true;
}

bool Process::Signal(int sig) {
    std::lock_guard lock(reapMutex_);
    if (pid_ <= 0 || reaped_) {
        return false;
    }
    return ::kill(pid_, sig) == 0;
}

bool Process::Kill() {
    return Signal(SIGKILL);
}

std::optional<int> Process::Wait(int timeoutMs) {
    if (pid_ <= 0) {
        return std::nullopt;
    }
    const auto start = std::chrono::steady_clock::now();
    int sleepMs = 1;
    for (;;) {
        if (TryReap()) {
            return ExitCode();
        }
        int left = Remaining(timeoutMs, start);
        if (left == 0) {
            return std::nullopt;
        }
        pollfd p{pidFd_, POLLIN, 0};
        if (pidFd_ < 0 || (::poll(&p, 1, left) < 0 && errno != EINTR)) {
            int nap = left < 0 ? sleepMs : std::min(sleepMs, left);
            std::this_thread::sleep_for(std::chrono::milliseconds(nap));
            sleepMs = std::min(sleepMs * 2, 50);
        }
    }
}

bool Process::Running() {
    return pid_ > 0 && !TryReap();
}

std::optional<int> Process::ExitCode() const {
    std::lock_guard lock(reapMutex_);
    if (!reaped_) {
        return std::nullopt;
    }
    return exitCode_;
}

bool Process::EndedBySignal() const {
    std::lock_guard lock(reapMutex_);
    return reaped_ && bySignal_;
}

fs::path FindExecutableOnPath(const std::string& name) {
    if (name.empty()) {
        return {};
    }
    if (name.find('/') != std::string::npos) {
        return ::access(name.c_str(), X_OK) == 0 ? fs::path(name) : fs::path();
    }
    const char* path = std::getenv("PATH");
    std::string dirs = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t begin = 0;
    while (begin <= dirs.size()) {
        size_t end = dirs.find(':', begin);
        if (end == std::string::npos) {
            end = dirs.size();
        }
        std::string dir = dirs.substr(begin, end - begin);
        fs::path candidate = fs::path(dir.empty() ? "." : dir) / name;
        std::error_code ec;
        if (::access(candidate.c_str(), X_OK) == 0 && !fs::is_directory(candidate, ec)) {
            return candidate;
        }
        begin = end + 1;
    }
    return {};
}

}  // namespace talvex
