#include "scripttools/SourceLines.h"

#include "platform/Utf8.h"
#include "scripts/Encryption.h"
#include "scripts/ScriptSyntax.h"
#include "scripttools/ScriptPacking.h"

namespace talvex::scripttools {

std::vector<SourceLine> SourceFileLines(const std::string& file, std::string_view bytes) {
    const std::string text = NormalizeSource(bytes);
    std::vector<SourceLine> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t end = text.find("\r\n", pos);  // NormalizeSource ends every line so
        const std::string_view line = std::string_view(text).substr(pos, end - pos);
        lines.push_back({file, static_cast<int>(lines.size()) + 1, TrimSpace(Utf8ToWide(line))});
        pos = end + 2;
    }
    return lines;
}

std::optional<std::vector<SourceLine>> ScriptFileLines(const std::filesystem::path& path) {
    QRV::Encryption reader;
    if (reader.LoadFile(path) != 0 || reader.Decipher() != 0) {
        return std::nullopt;
    }
    std::string line;
    if (reader.ReadLine(line) != 1 || reader.ReadLine(line) != 1 ||
        line.rfind("SCRIPTVER ", 0) != 0) {
        return std::nullopt;
    }
    std::vector<SourceLine> lines;
    int number = 2;
    while (reader.ReadLine(line) == 1) {
        lines.push_back({path.string(), ++number, TrimSpace(Utf8ToWide(line))});
    }
    return lines;
}

}  // namespace talvex::scripttools
