#include "integration/cli/CliProcess.h"

#include <algorithm>
#include <chrono>
#include <sstream>

namespace talvex::test {

namespace fs = std::filesystem;

std::string CliPath() {
    return TALVEX_CLI_PATH;
}

bool CliProcess::Start(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {CliPath()};
    argv.insert(argv.end(), args.begin(), args.end());
    return StartProgram(argv);
}

bool CliProcess::StartProgram(const std::vector<std::string>& argv) {
    Process::Options options;
    options.stdinMode = Process::Stream::Null;
    options.stdoutMode = Process::Stream::Pipe;
    options.stderrMode = Process::Stream::Pipe;
    options.searchPath = true;
    return process_.Start(argv, options);
}

void CliProcess::Pump(int waitMs) {
    if (!outEnded_ && process_.ReadStdout(out_, waitMs) == Process::ReadResult::End) {
        outEnded_ = true;
    }
    if (!errEnded_ && process_.ReadStderr(err_, waitMs) == Process::ReadResult::End) {
        errEnded_ = true;
    }
}

CliResult CliProcess::Finish(int limitSeconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(limitSeconds);
    while (!(outEnded_ && errEnded_) && std::chrono::steady_clock::now() < deadline) {
        Pump(20);
    }
    CliResult result;
    std::optional<int> code = process_.Wait(outEnded_ && errEnded_ ? limitSeconds * 1000 : 0);
    if (!code) {
        process_.Kill();
        process_.Wait(5000);
    }
    result.exitCode = code.value_or(-1);
    result.out = out_;
    result.err = err_;
    return result;
}

CliResult RunCli(const std::vector<std::string>& args, int limitSeconds) {
    CliProcess cli;
    if (!cli.Start(args)) {
        return {};
    }
    return cli.Finish(limitSeconds);
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> FilesIn(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace talvex::test
