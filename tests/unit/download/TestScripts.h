#pragma once
// Site scripts written by a test: packed into an enciphered script file (as the packer tool
// does) and loaded into an interpreter's table.
#include <filesystem>
#include <string>

#include "scripts/Encryption.h"
#include "scripts/ScriptFile.h"
#include "scripts/SiteParser.h"
#include "support/TestHome.h"

namespace talvex::test {

// source: SITE/BEGIN/.../END; blocks, lines separated by "\n".
inline bool LoadTestScripts(SiteParser& parser, const std::string& source,
                            const std::filesystem::path& folder) {
    std::string body;
    size_t start = 0;
    while (start < source.size()) {
        size_t end = source.find('\n', start);
        if (end == std::string::npos) {
            end = source.size();
        }
        body += source.substr(start, end - start) + "\r\n";
        start = end + 1;
    }
    std::optional<std::string> plain = ComposeScriptText("1", body);
    if (!plain) {
        return false;
    }
    const std::filesystem::path file = folder / "scripts-test.qrs";
    WriteFileBytes(file, QRV::Encryption().Encipher(*plain));
    parser.ClearScripts();
    return parser.Scripts().LoadScriptsFrom(file, true);
}

}  // namespace talvex::test
