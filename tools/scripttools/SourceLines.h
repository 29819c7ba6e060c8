#pragma once
// The lines of a script text as the program's loader reads them, each with the file and line
// number an author sees: a source file's own line numbers, or for a packed script file the
// numbers of its deciphered text ("talvex-scripts unpack" prints it; line 1 is the digest).
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace talvex::scripttools {

struct SourceLine {
    std::string file;
    int number = 0;  // from 1
    // UTF-8 decoded and trimmed at both ends, as the loader trims it; empty lines are kept here
    // (the loader drops them) so that the numbers run on.
    std::wstring text;
};

// A source as "pack" packs it: byte order mark removed, cut at every line end (LF, CR LF or a
// lone CR).
std::vector<SourceLine> SourceFileLines(const std::string& file, std::string_view bytes);

// The lines after the digest and version lines of a packed script file (the digest is not
// checked here). Nothing when the file cannot be read or deciphered or has no "SCRIPTVER " line.
std::optional<std::vector<SourceLine>> ScriptFileLines(const std::filesystem::path& path);

}  // namespace talvex::scripttools
