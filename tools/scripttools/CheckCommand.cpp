#include <cstdio>
#include <filesystem>

#include "scripttools/ScriptChecker.h"
#include "scripttools/ToolCommands.h"

namespace talvex::scripttools {

int CheckCommand(const std::vector<std::string>& args) {
    std::vector<std::filesystem::path> files;
    for (const std::string& arg : args) {
        if (arg.size() > 1 && arg[0] == '-') {
            std::fprintf(stderr, "talvex-scripts: unknown option %s\n", arg.c_str());
            return kExitUsage;
        }
        files.emplace_back(arg);
    }
    if (files.empty()) {
        std::fputs(UsageText(), stderr);
        return kExitUsage;
    }
    const std::vector<CheckFinding> findings = CheckFiles(files);
    for (const CheckFinding& finding : findings) {
        std::printf("%s\n", FormatFinding(finding).c_str());
    }
    std::fflush(stdout);
    return findings.empty() ? kExitOk : kExitFailed;
}

}  // namespace talvex::scripttools
