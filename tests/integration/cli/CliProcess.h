#pragma once
// talvex-cli run as a child process, its two output streams collected.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/Process.h"

namespace talvex::test {

struct CliResult {
    int exitCode = -1;  // -1: it did not end in time (it was killed)
    std::string out;    // standard output: the result lines
    std::string err;    // standard error: messages and progress
};

// Runs talvex-cli with args (standard input /dev/null) for at most limitSeconds.
CliResult RunCli(const std::vector<std::string>& args, int limitSeconds = 120);

// The built talvex-cli.
std::string CliPath();

// A running talvex-cli, for tests that act while it runs.
class CliProcess {
public:
    bool Start(const std::vector<std::string>& args);
    // Starts argv as it is: a program found on PATH that runs talvex-cli (CliPath()) itself.
    bool StartProgram(const std::vector<std::string>& argv);
    pid_t Pid() const { return process_.Pid(); }
    // Collects output until pred(err) holds or limitMs pass; true once it holds.
    template <class Pred>
    bool WaitForError(Pred pred, int limitMs);
    bool Signal(int sig) { return process_.Signal(sig); }
    // Reads the rest of the output and waits for the end (killing it after limitSeconds).
    CliResult Finish(int limitSeconds);
    const std::string& Err() const { return err_; }

private:
    // One round of reading both streams (at most waitMs each).
    void Pump(int waitMs);

    Process process_;
    std::string out_;
    std::string err_;
    bool outEnded_ = false;
    bool errEnded_ = false;
};

template <class Pred>
bool CliProcess::WaitForError(Pred pred, int limitMs) {
    for (int waited = 0; !pred(err_); waited += 20) {
        if (waited >= limitMs || (outEnded_ && errEnded_)) {
            return pred(err_);
        }
        Pump(10);
    }
    return true;
}

// Lines of text (without their line feeds).
std::vector<std::string> Lines(const std::string& text);
// Regular files in folder (names only), sorted.
std::vector<std::string> FilesIn(const std::filesystem::path& folder);

}  // namespace talvex::test
