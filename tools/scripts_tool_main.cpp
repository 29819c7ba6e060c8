// talvex-scripts: turns plain-text site script sources into an enciphered script file and back.
//
//   talvex-scripts pack --version VERSION -o OUTPUT SOURCE...
//   talvex-scripts unpack FILE
//   talvex-scripts verify FILE
//
// pack joins the sources in the order given (each a text file of SITE/BEGIN/.../END; blocks),
// gives every line a CR LF end, puts the digest line and "SCRIPTVER =VERSION;" in front and
// enciphers the result. unpack prints the deciphered text, digest and version lines included.
// verify exits with 0 when the file's digest matches.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/FileOps.h"
#include "scripts/Encryption.h"
#include "scripts/ScriptFile.h"

namespace {

namespace fs = std::filesystem;
using talvex::File;

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

void PrintUsage(FILE* to) {
    std::fputs(
        "usage: talvex-scripts pack --version VERSION -o OUTPUT SOURCE...\n"
        "       talvex-scripts unpack FILE\n"
        "       talvex-scripts verify FILE\n",
        to);
}

std::optional<std::string> ReadWholeFile(const fs::path& path) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) {
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        return std::nullopt;
    }
    return bytes;
}

// A source as script file lines: byte order mark removed, every line (the last included) ended
// with CR LF, whatever line ends it had (LF, CR LF or a lone CR).
std::string NormalizeSource(std::string_view source) {
    if (source.substr(0, 3) == "\xEF\xBB\xBF") {
        source.remove_prefix(3);
    }
    std::string out;
    out.reserve(source.size() + source.size() / 16 + 2);
    for (size_t i = 0; i < source.size(); ++i) {
        const char c = source[i];
        if (c == '\r') {
            if (i + 1 < source.size() && source[i + 1] == '\n') {
                ++i;
            }
            out += "\r\n";
        } else if (c == '\n') {
            out += "\r\n";
        } else {
            out += c;
        }
    }
    if (!out.empty() && out.back() != '\n') {
        out += "\r\n";
    }
    return out;
}

// Writes bytes to path through a temporary file in the same folder, so that a failed or
// interrupted run never leaves a partial script file under the final name.
bool WriteFileReplacing(const fs::path& path, const std::string& bytes) {
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    const std::optional<fs::path> temp = talvex::CreateUniqueTempFile(folder, "~qrv");
    if (!temp) {
        return false;
    }
    File out = File::OpenReadWrite(*temp);
    bool ok = out.IsOpen() && out.Write(bytes.data(), bytes.size()) && out.Sync();
    out.Close();
    std::error_code ec;
    if (ok) {
        fs::rename(*temp, path, ec);
        ok = !ec;
    }
    if (!ok) {
        talvex::RemoveRegularFile(*temp);
    }
    return ok;
}

int Pack(const std::vector<std::string>& args) {
    std::optional<std::string> version;
    std::optional<fs::path> output;
    std::vector<fs::path> sources;
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
        } else if (arg.size() > 1 && arg[0] == '-') {
            std::fprintf(stderr, "talvex-scripts: unknown option %s\n", arg.c_str());
            return kExitUsage;
        } else {
            sources.emplace_back(arg);
        }
    }
    if (!version || !output || sources.empty()) {
        PrintUsage(stderr);
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

    std::string body;
    for (const fs::path& source : sources) {
        const std::optional<std::string> text = ReadWholeFile(source);
        if (!text) {
            std::fprintf(stderr, "talvex-scripts: cannot read %s\n", source.c_str());
            return kExitFailed;
        }
        // The digest covers the text up to its first zero byte only.
        if (text->find('\0') != std::string::npos) {
            std::fprintf(stderr, "talvex-scripts: %s holds a zero byte\n", source.c_str());
            return kExitFailed;
        }
        body += NormalizeSource(*text);
    }
    const std::optional<std::string> plain = talvex::ComposeScriptText(*version, body);
    if (!plain) {
        std::fputs("talvex-scripts: cannot compute the digest\n", stderr);
        return kExitFailed;
    }
    if (!WriteFileReplacing(*output, talvex::QRV::Encryption().Encipher(*plain))) {
        std::fprintf(stderr, "talvex-scripts: cannot write %s\n", output->c_str());
        return kExitFailed;
    }
    return kExitOk;
}

int Unpack(const fs::path& file) {
    talvex::QRV::Encryption reader;
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

int Verify(const fs::path& file) {
    if (!talvex::VerifyScriptFile(file)) {
        std::fprintf(stderr, "talvex-scripts: %s: digest does not match\n", file.c_str());
        return kExitFailed;
    }
    std::printf("%s: digest matches\n", file.c_str());
    return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    if (args.empty()) {
        PrintUsage(stderr);
        return kExitUsage;
    }
    const std::string& command = args[0];
    if (command == "--help" || command == "-h" || command == "help") {
        PrintUsage(stdout);
        return kExitOk;
    }
    if (command == "pack") {
        return Pack(std::vector<std::string>(args.begin() + 1, args.end()));
    }
    if ((command == "unpack" || command == "verify") && args.size() == 2) {
        return command == "unpack" ? Unpack(args[1]) : Verify(args[1]);
    }
    PrintUsage(stderr);
    return kExitUsage;
}
