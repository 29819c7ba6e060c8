// pack: checks the sources, then joins them in the order given (each a text file of
// SITE/BEGIN/.../END; blocks), gives every line a CR LF end, puts the digest line and
// "SCRIPTVER =VERSION;" in front and enciphers the result. Sources that "check" rejects are not
// packed unless --force is given.
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string_view>

#include "scripttools/ScriptChecker.h"
#include "scripttools/ScriptPacking.h"
#include "scripttools/ToolCommands.h"

namespace talvex::scripttools {

namespace fs = std::filesystem;

int PackCommand(const std::vector<std::string>& args) {
    std::optional<std::string> version;
    std::optional<fs::path> output;
    std::vector<fs::path> sources;
    bool force = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--version" || arg == "-o") {
            if (i + 1 >= args.size()) {
                std::fprintf(stderr, "talvex-scripts: %s needs a value\n", arg.c_str());
                return kExitUsage;
            }
            if (arg == "--version") {
                version = args[++i];
            } else {
                output = args[++i];
            }
        } else if (arg == "--force") {
            force = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            std::fprintf(stderr, "talvex-scripts: unknown option %s\n", arg.c_str());
            return kExitUsage;
        } else {
            sources.emplace_back(arg);
        }
    }
    if (!version || !output || sources.empty()) {
        std::fputs(UsageText(), stderr);
        return kExitUsage;
    }
    // The loader reads the version up to the first ";" on its line and trims it.
    if (version->empty() ||
        version->find_first_of(std::string_view(";\r\n\0", 4)) != std::string::npos) {
        std::fprintf(stderr,
                     "talvex-scripts: the version must be a non-empty text without "
                     "\";\", line breaks or zero bytes\n");
        return kExitUsage;
    }

    std::vector<std::string> texts;
    for (const fs::path& source : sources) {
        std::optional<std::string> text = ReadWholeFile(source);
        if (!text) {
            std::fprintf(stderr, "talvex-scripts: cannot read %s\n", source.c_str());
            return kExitFailed;
        }
        // The digest covers the text up to its first zero byte only.
        if (text->find('\0') != std::string::npos) {
            std::fprintf(stderr, "talvex-scripts: %s holds a zero byte\n", source.c_str());
            return kExitFailed;
        }
        texts.push_back(std::move(*text));
    }
    const std::vector<CheckFinding> findings = CheckFiles(sources);
    for (const CheckFinding& finding : findings) {
        std::fprintf(stderr, "%s\n", FormatFinding(finding).c_str());
    }
    if (!findings.empty() && !force) {
        std::fprintf(stderr,
                     "talvex-scripts: not packed: check found %zu mistake%s (--force packs "
                     "anyway)\n",
                     findings.size(), findings.size() == 1 ? "" : "s");
        return kExitFailed;
    }
    const std::optional<std::string> packed = PackSources(*version, texts);
    if (!packed) {
        std::fputs("talvex-scripts: cannot compute the digest\n", stderr);
        return kExitFailed;
    }
    if (!WriteFileReplacing(*output, *packed)) {
        std::fprintf(stderr, "talvex-scripts: cannot write %s\n", output->c_str());
        return kExitFailed;
    }
    return kExitOk;
}

}  // namespace talvex::scripttools
