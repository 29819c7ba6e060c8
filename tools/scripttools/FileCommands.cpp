// unpack prints the deciphered text of a script file, digest and version lines included; verify
// exits with 0 when the file's digest matches.
#include <cstdio>
#include <filesystem>
#include <string_view>

#include "scripts/Encryption.h"
#include "scripts/ScriptFile.h"
#include "scripttools/ToolCommands.h"

namespace talvex::scripttools {

int UnpackCommand(const std::vector<std::string>& args) {
    if (args.size() != 1) {
        std::fputs(UsageText(), stderr);
        return kExitUsage;
    }
    const std::filesystem::path file = args[0];
    QRV::Encryption reader;
    if (reader.LoadFile(file) != 0 || reader.Decipher() != 0) {
        std::fprintf(stderr, "talvex-scripts: cannot read %s\n", file.c_str());
        return kExitFailed;
    }
    std::string_view text = reader.Text();
    text = text.substr(0, text.find('\0'));  // the zero bytes that pad the last block
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() ||
        std::fflush(stdout) != 0) {
        return kExitFailed;
    }
    return kExitOk;
}

int VerifyCommand(const std::vector<std::string>& args) {
    if (args.size() != 1) {
        std::fputs(UsageText(), stderr);
        return kExitUsage;
    }
    const std::filesystem::path file = args[0];
    if (!VerifyScriptFile(file)) {
        std::fprintf(stderr, "talvex-scripts: %s: digest does not match\n", file.c_str());
        return kExitFailed;
    }
    std::printf("%s: digest matches\n", file.c_str());
    return kExitOk;
}

const char* UsageText() {
    return "usage: talvex-scripts pack [--force] --version VERSION -o OUTPUT SOURCE...\n"
           "       talvex-scripts check SOURCE...\n"
           "       talvex-scripts run [--trace] [--script SOURCE]... [--script FILE.qrs]\n"
           "                          [-q QUALITY] [--login USER] URL\n"
           "       talvex-scripts unpack FILE\n"
           "       talvex-scripts verify FILE\n";
}

}  // namespace talvex::scripttools
