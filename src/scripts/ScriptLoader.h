#pragma once
// Reading a script file into site scripts. The text after the digest and version lines is a
// series of blocks:
//
//   SITE "example.com"
//   BEGIN
//   statement
//   ...
//   END;
//
// Lines are trimmed at both ends and empty ones dropped. Outside a block only SITE, BEGIN and
// END; mean something; inside, every line but END; (and a BEGIN after a SITE line, which starts
// the block over) is a statement.
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "scripts/Encryption.h"
#include "scripts/ScriptFileProblem.h"
#include "scripts/SiteScript.h"

namespace talvex {

// One entry into the script table, in file order: a key with its script, or with no script
// (a stray END;). A later entry for the same key replaces an earlier one.
struct ScriptFileEntry {
    std::wstring siteKey;
    std::shared_ptr<const SiteScript> script;
};

struct ScriptFileContents {
    // The version text from the "SCRIPTVER " line.
    std::wstring version;
    std::vector<ScriptFileEntry> entries;
};

// Reads, deciphers and parses the file; with checkIntegrity the digest must match first.
// Nothing when the file is missing or unreadable, has no first line, fails the check, or has no
// second line beginning with "SCRIPTVER ", with the reason in problem (when given). Lines after
// that never fail.
std::optional<ScriptFileContents> ReadScriptFile(const std::filesystem::path& path,
                                                 bool checkIntegrity,
                                                 ScriptFileProblem* problem = nullptr);

// The same from a reader already deciphered and standing at its first line, without the check.
std::optional<ScriptFileContents> ReadScriptLines(QRV::Encryption& reader);

}  // namespace talvex
