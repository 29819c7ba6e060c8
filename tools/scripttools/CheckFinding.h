#pragma once
// One mistake the checker found: where, and what it does to the script.
#include <string>
#include <vector>

namespace talvex::scripttools {

struct CheckFinding {
    std::string file;
    int line = 0;
    std::string message;
};

// "FILE:LINE: message", the form editors and compilers use.
inline std::string FormatFinding(const CheckFinding& finding) {
    return finding.file + ":" + std::to_string(finding.line) + ": " + finding.message;
}

}  // namespace talvex::scripttools
