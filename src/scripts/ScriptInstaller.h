#pragma once
// Installing a script file that the update check downloaded.
#include <filesystem>

#include "scripts/ScriptTable.h"

namespace talvex {

enum class ScriptInstallResult {
    kRejected,      // failed verification; the downloaded file was deleted
    kReplaced,      // took the current file's name
    kAddedAsNext,   // the current file could not be replaced; moved to the first free number
    kNotInstalled,  // could be moved to neither name; the downloaded file was deleted
};

struct ScriptInstallOutcome {
    ScriptInstallResult result = ScriptInstallResult::kRejected;
    // The table was reloaded from the new file (only after kReplaced or kAddedAsNext).
    bool reloaded = false;
};

// Verifies the downloaded file, then renames it over the current script file (the one
// ChooseScriptPath picks) in one step, so that some script file exists at every moment; when
// that rename fails it is moved to the first free numbered name instead, which the next choice
// picks as the newest. Then the table is reloaded without the check (the file was just
// verified).
ScriptInstallOutcome InstallScriptFile(const std::filesystem::path& downloaded, ScriptTable& table);

}  // namespace talvex
