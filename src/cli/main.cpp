// talvex-cli: the downloads and conversions of the desktop program from a terminal, a script or
// an SSH session, with the same engine, queue, settings, script file and language.
#include <unistd.h>

#include <clocale>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "app/Version.h"
#include "cli/CliOptions.h"
#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/Interrupt.h"
#include "cli/ItemRunner.h"
#include "cli/MessageLoop.h"
#include "cli/ProgressView.h"
#include "cli/TerminalLogin.h"
#include "cli/WorkFileTable.h"
#include "engine/Engine.h"
#include "platform/Utf8.h"

using namespace talvex;
using namespace talvex::cli;

namespace {

// In static storage, there before any item runs: the path that ends the program at once reads
// it without allocating anything.
WorkFileTable g_workFiles;

void RemoveWorkFiles() {
    g_workFiles.RemoveAll();
}

}  // namespace

int main(int argc, char** argv) {
    // Only the character type: names are measured for the progress lines in the user's
    // encoding, while numbers keep their locale-independent form.
    std::setlocale(LC_CTYPE, "");
    // Before any other thread starts: they all inherit the blocked signals.
    InstallInterruptHandlers(&RemoveWorkFiles);
    const std::vector<std::string> args(argv + 1, argv + argc);
    const ParseResult parsed = ParseArguments(args);
    if (!parsed.ok) {
        std::fprintf(stderr, "talvex-cli: %s\nTry 'talvex-cli --help'.\n", parsed.error.c_str());
        return kExitUsage;
    }
    const Options& options = parsed.options;
    if (options.command == Command::Help) {
        std::fputs(UsageText().c_str(), stdout);
        return kExitOk;
    }
    if (options.command == Command::Version) {
        std::printf("talvex-cli %s\n", WideToUtf8(kVersionText).c_str());
        return kExitOk;
    }

    std::signal(SIGPIPE, SIG_IGN);
    SetWorkFileObserver(&g_workFiles);
    Console console(STDERR_FILENO, isatty(STDERR_FILENO) == 1);
    // The loop receives the workers' notices, so it is made before (and outlives) the engine.
    MessageLoop loop;
    Engine engine;
    engine.Init(&loop);
    // Which script file could not be used and why, and which one was loaded instead.
    for (const std::string& line : engine.Parser().Scripts().LoadReport()) {
        console.Message("talvex-cli: " + line);
    }
    if (engine.Parser().Scripts().Size() == 0) {
        console.Message("talvex-cli: the site script file could not be loaded");
    }
    ProgressView view(console, engine.GetStringTable());
    TerminalLogin login(console, engine.GetStringTable(), "/dev/tty", InterruptWakeFd());
    engine.Parser().SetLoginPrompt(&login);

    CommandContext context{engine, loop, console, view, stdout};
    int status = kExitFailed;
    switch (options.command) {
        case Command::Download:
            status = RunDownload(options.download, context);
            break;
        case Command::Convert:
            status = RunConvert(options.convert, context);
            break;
        case Command::Sites:
            status = RunSites(context);
            break;
        default:
            break;
    }
    engine.StopAll();
    engine.Parser().SetLoginPrompt(nullptr);
    SetWorkFileObserver(nullptr);
    return status;
}
