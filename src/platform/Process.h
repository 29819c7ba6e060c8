#pragma once
// A child process started from an argument vector with posix_spawn, never through a shell, so
// no argument (a file name holding quotes, "$", backticks or ";") can run anything. Standard
// streams can be pipes to this process; the process can be signalled, waited for with a time
// limit, and its standard error read with a time limit.
#include <sys/types.h>

#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace talvex {

class Process {
public:
    enum class Stream {
        Inherit,  // the child shares this process's stream
        Null,     // /dev/null
        Pipe,     // a pipe to this process
    };

    struct Options {
        Stream stdinMode = Stream::Null;
        Stream stdoutMode = Stream::Null;
        Stream stderrMode = Stream::Null;
        // A program name without "/" is looked up on PATH.
        bool searchPath = false;
        // Added to the child's nice value right after it starts (lower priority).
        int niceIncrement = 0;
        // The child leads a process group of its own, so a terminal's Ctrl+C meant for this
        // program does not reach it.
        bool newProcessGroup = false;
        // Empty: this process's working folder.
        std::filesystem::path workingFolder;
    };

    enum class ReadResult { Data, End, TimedOut, Error };

    Process() = default;
    // Closes the pipes. A child still running is left running (the caller decides whether to
    // kill it); one that has ended is reaped.
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // Starts argv[0] with the arguments argv[1..] (UTF-8 bytes). False when the program could
    // not be started (LastError() tells errno), or when this object already started one.
    bool Start(const std::vector<std::string>& argv, const Options& options);

    pid_t Pid() const { return pid_; }
    int LastError() const { return lastError_; }

    // Writes all of data to the child's standard input. False when there is no such pipe or
    // the child has closed it; never raises SIGPIPE in this process.
    bool WriteStdin(std::string_view data);
    void CloseStdin();

    // Waits up to timeoutMs (-1: no limit) for output and appends what one read returns
    // (at most 4096 bytes) to out. End means the child closed the stream (it has usually
    // ended); then the pipe is closed here.
    ReadResult ReadStderr(std::string& out, int timeoutMs);
    ReadResult ReadStdout(std::string& out, int timeoutMs);
    // Reads until the stream ends; out receives everything.
    bool ReadStderrToEnd(std::string& out);
    void CloseStderr();

    // Sends sig to the child unless it has already been reaped (its pid could belong to
    // another process by then). False when it was not sent.
    bool Signal(int sig);
    bool Kill();

    // Waits up to timeoutMs (-1: no limit) for the child to end and reaps it. Returns its
    // exit code: the status it passed to exit, or 128 + the signal that ended it. Nothing
    // when it still runs after the time limit or was never started.
    std::optional<int> Wait(int timeoutMs);
    // True while started and not yet ended (checks without blocking).
    bool Running();
    // The exit code once the child has been reaped.
    std::optional<int> ExitCode() const;
    // True when the child was ended by a signal.
    bool EndedBySignal() const;

private:
    // Reaps without blocking; true when the child has been reaped (now or earlier).
    bool TryReap();
    ReadResult ReadFrom(int& fd, std::string& out, int timeoutMs);

    pid_t pid_ = -1;
    int pidFd_ = -1;
    // Stop requests write to standard input from another thread than the one that closes it.
    std::mutex stdinMutex_;
    int stdinFd_ = -1;
    int stdoutFd_ = -1;
    int stderrFd_ = -1;
    int lastError_ = 0;
    // Guards reaping against signalling: once reaped, the pid must never be signalled.
    mutable std::mutex reapMutex_;
    bool reaped_ = false;
    int exitCode_ = 0;
    bool bySignal_ = false;
};

// Looks name up on PATH (a name holding "/" is returned as it is when it is executable).
// Empty when not found.
std::filesystem::path FindExecutableOnPath(const std::string& name);

}  // namespace talvex
