#pragma once
// The built talvex-scripts run as a child process, with both output streams collected.
#include <string>
#include <vector>

namespace talvex::test {

struct ToolResult {
    int exitCode = -1;  // -1: it did not end in time (it was killed)
    std::string out;
    std::string err;
};

// Runs talvex-scripts with args for at most limitSeconds; input is its standard input.
ToolResult RunScriptsTool(const std::vector<std::string>& args, const std::string& input = "",
                          int limitSeconds = 120);

// The text after "name: " on the first line of out that begins with it; empty when none does.
std::string ResultLine(const std::string& out, const std::string& name);

}  // namespace talvex::test
