#pragma once
// One site's script: the statement lines between BEGIN and END; of its block in the script file.
#include <cstddef>
#include <string>
#include <vector>

namespace talvex {

struct SiteScript {
    // The key from the SITE line, without quotes, as it was when the block opened.
    std::wstring siteKey;
    // Statements in file order, trimmed at both ends, empty lines dropped. The interpreter
    // addresses them by index 0 to Count() - 1. They never change once the script is in the
    // table: runs read them without a lock, holding the script by shared ownership so that a
    // reload of the table never frees a script that is still running.
    std::vector<std::wstring> lines;

    size_t Count() const { return lines.size(); }
};

}  // namespace talvex
