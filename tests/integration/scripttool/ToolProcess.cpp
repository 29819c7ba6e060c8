#include "integration/scripttool/ToolProcess.h"

#include <chrono>
#include <sstream>

#include "platform/Process.h"

namespace talvex::test {

ToolResult RunScriptsTool(const std::vector<std::string>& args, const std::string& input,
                          int limitSeconds) {
    std::vector<std::string> argv = {std::string(TALVEX_BINARY_DIR) + "/bin/talvex-scripts"};
    argv.insert(argv.end(), args.begin(), args.end());
    Process::Options options;
    options.stdinMode = Process::Stream::Pipe;
    options.stdoutMode = Process::Stream::Pipe;
    options.stderrMode = Process::Stream::Pipe;
    Process process;
    ToolResult result;
    if (!process.Start(argv, options)) {
        return result;
    }
    process.WriteStdin(input);
    process.CloseStdin();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(limitSeconds);
    bool outEnded = false;
    bool errEnded = false;
    while (!(outEnded && errEnded) && std::chrono::steady_clock::now() < deadline) {
        if (!outEnded && process.ReadStdout(result.out, 10) == Process::ReadResult::End) {
            outEnded = true;
        }
        if (!errEnded && process.ReadStderr(result.err, 10) == Process::ReadResult::End) {
            errEnded = true;
        }
    }
    std::optional<int> code = process.Wait(outEnded && errEnded ? 10000 : 0);
    if (!code) {
        process.Kill();
        process.Wait(5000);
    }
    result.exitCode = code.value_or(-1);
    return result;
}

std::string ResultLine(const std::string& out, const std::string& name) {
    std::istringstream in(out);
    std::string line;
    const std::string prefix = name + ": ";
    while (std::getline(in, line)) {
        if (line.rfind(prefix, 0) == 0) {
            return line.substr(prefix.size());
        }
    }
    return {};
}

}  // namespace talvex::test
