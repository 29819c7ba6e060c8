#include "scripts/ScriptInstaller.h"

#include <optional>
#include <system_error>

#include "platform/FileOps.h"
#include "scripts/ScriptFile.h"
#include "scripts/ScriptFilePaths.h"

namespace talvex {

namespace fs = std::filesystem;

namespace {

// The download's bytes reach the disk before the file takes a final name.
void SyncFile(const fs::path& path) {
    File file = File::OpenReadWrite(path);
    if (file.IsOpen()) {
        file.Sync();
    }
}

}  // namespace

ScriptInstallOutcome InstallScriptFile(const fs::path& downloaded, ScriptTable& table) {
    ScriptInstallOutcome outcome;
    if (!VerifyScriptFile(downloaded)) {
        RemoveRegularFile(downloaded);
        outcome.result = ScriptInstallResult::kRejected;
        return outcome;
    }
    SyncFile(downloaded);

    bool replaced = false;
    if (const std::optional<fs::path> current = ChooseScriptPath()) {
        std::error_code ec;
        fs::rename(downloaded, *current, ec);
        replaced = !ec;
    }
    if (replaced) {
        outcome.result = ScriptInstallResult::kReplaced;
    } else if (const std::optional<NumberedScriptFiles> files = FindNumberedScriptFiles();
               files && MoveNoReplace(downloaded, files->firstFree)) {
        outcome.result = ScriptInstallResult::kAddedAsNext;
    } else {
        RemoveRegularFile(downloaded);
        outcome.result = ScriptInstallResult::kNotInstalled;
        return outcome;
    }
    outcome.reloaded = table.ReloadScripts();
    return outcome;
}

}  // namespace talvex
