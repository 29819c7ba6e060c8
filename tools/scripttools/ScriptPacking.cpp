#include "scripttools/ScriptPacking.h"

#include <fstream>
#include <iterator>
#include <system_error>

#include "platform/FileOps.h"
#include "scripts/Encryption.h"
#include "scripts/ScriptFile.h"

namespace talvex::scripttools {

namespace fs = std::filesystem;

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

std::optional<std::string> PackSources(std::string_view version,
                                       const std::vector<std::string>& sources) {
    std::string body;
    for (const std::string& source : sources) {
        if (source.find('\0') != std::string::npos) {
            return std::nullopt;
        }
        body += NormalizeSource(source);
    }
    const std::optional<std::string> plain = ComposeScriptText(version, body);
    if (!plain) {
        return std::nullopt;
    }
    return QRV::Encryption().Encipher(*plain);
}

bool WriteFileReplacing(const fs::path& path, const std::string& bytes) {
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    const std::optional<fs::path> temp = CreateUniqueTempFile(folder, "~qrv");
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
        RemoveRegularFile(*temp);
    }
    return ok;
}

}  // namespace talvex::scripttools
