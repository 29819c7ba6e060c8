#include <cstdio>
#include <iostream>

#include "cli/CliOptions.h"
#include "platform/Utf8.h"
#include "scripttools/ScriptRunner.h"
#include "scripttools/ToolCommands.h"

namespace talvex::scripttools {

int RunCommand(const std::vector<std::string>& args) {
    RunOptions options;
    std::optional<std::string> url;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool takesValue =
            arg == "--script" || arg == "-q" || arg == "--quality" || arg == "--login";
        if (takesValue && i + 1 >= args.size()) {
            std::fprintf(stderr, "talvex-scripts: %s needs a value\n", arg.c_str());
            return kExitUsage;
        }
        if (arg == "--trace") {
            options.trace = true;
        } else if (arg == "--script") {
            options.scripts.emplace_back(args[++i]);
        } else if (arg == "-q" || arg == "--quality") {
            const std::optional<DownloadQuality> quality = cli::QualityCode(args[++i]);
            if (!quality) {
                std::fprintf(stderr,
                             "talvex-scripts: unknown quality %s (best, 1080p, 720p, 480p, "
                             "360p-flv, 360p-mp4, normal)\n",
                             args[i].c_str());
                return kExitUsage;
            }
            options.quality = *quality;
        } else if (arg == "--login") {
            options.loginUser = Utf8ToWide(args[++i]);
        } else if (arg.size() > 1 && arg[0] == '-') {
            std::fprintf(stderr, "talvex-scripts: unknown option %s\n", arg.c_str());
            return kExitUsage;
        } else if (url) {
            std::fputs("talvex-scripts: run takes one address\n", stderr);
            return kExitUsage;
        } else {
            url = arg;
        }
    }
    if (!url) {
        std::fputs(UsageText(), stderr);
        return kExitUsage;
    }
    options.url = Utf8ToWide(*url);
    if (options.loginUser) {
        // The password is the first line of standard input (never an argument, which any user
        // of the machine could read).
        std::string password;
        std::getline(std::cin, password);
        if (!password.empty() && password.back() == '\r') {
            password.pop_back();
        }
        options.loginPassword = Utf8ToWide(password);
    }
    return RunSiteScript(options, stdout, stderr);
}

}  // namespace talvex::scripttools
