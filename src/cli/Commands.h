#pragma once
// The three commands of talvex-cli over one engine. Each returns the program's exit status.
#include <cstdio>

#include "cli/CliOptions.h"

namespace talvex {
class Engine;
}

namespace talvex::cli {

class Console;
class MessageLoop;
class ProgressView;

struct CommandContext {
    Engine& engine;
    MessageLoop& loop;
    Console& console;
    ProgressView& view;
    std::FILE* results;  // standard output
};

int RunDownload(const DownloadOptions& options, CommandContext& context);
int RunConvert(const ConvertOptions& options, CommandContext& context);
// The script file's version, then its site keys, one per line (standard output).
int RunSites(CommandContext& context);

}  // namespace talvex::cli
