#pragma once
// "talvex-scripts check": the mistakes in a script text that the program would load without a
// word and that then fail, or do the wrong thing, at run time. Nothing is run and nothing is
// fetched. The sources are checked together, as "pack" joins them into one script file: a
// CALLSCRIPT or a variable may refer to another source.
#include <filesystem>
#include <string>
#include <vector>

#include "scripttools/CheckFinding.h"
#include "scripttools/SourceLines.h"

namespace talvex::scripttools {

// The findings for one script text, in file and line order.
std::vector<CheckFinding> CheckScriptText(const std::vector<SourceLine>& lines);

// The same for source files read from disk; a file that cannot be read, or holds a zero byte,
// is a finding at its line 0 (a packed ".qrs" file is deciphered and checked too, with the line
// numbers "unpack" prints).
std::vector<CheckFinding> CheckFiles(const std::vector<std::filesystem::path>& files);

}  // namespace talvex::scripttools
