// talvex-scripts: the site script author's tool. pack turns plain-text site script sources into
// an enciphered script file (after checking them), unpack and verify read one back, check finds
// the mistakes the program would load in silence, and run runs the script an address selects,
// optionally tracing every statement. docs/site-scripts.md describes the language and the tool.
#include <cstdio>
#include <string>
#include <vector>

#include "scripttools/ToolCommands.h"

using namespace talvex::scripttools;

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    if (args.empty()) {
        std::fputs(UsageText(), stderr);
        return kExitUsage;
    }
    const std::string& command = args[0];
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(UsageText(), stdout);
        return kExitOk;
    }
    if (command == "pack") {
        return PackCommand(rest);
    }
    if (command == "check") {
        return CheckCommand(rest);
    }
    if (command == "run") {
        return RunCommand(rest);
    }
    if (command == "unpack") {
        return UnpackCommand(rest);
    }
    if (command == "verify") {
        return VerifyCommand(rest);
    }
    std::fputs(UsageText(), stderr);
    return kExitUsage;
}
