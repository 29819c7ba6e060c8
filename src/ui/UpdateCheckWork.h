#pragma once
// The part of the update check that waits for the network, run on a worker so that the window
// stays responsive: fetching the notifier page, reading it and, when only the script file is
// out of date, downloading, verifying and installing the new one (the script table is reloaded
// from it; items that run meanwhile keep the scripts they hold). What the user sees is decided
// afterwards on the user-interface thread from the outcome.
#include <filesystem>
#include <string>

#include "net/DNetworking.h"
#include "ui/UpdateNotice.h"

namespace talvex {
class ScriptTable;
}

namespace talvex::ui {

struct UpdateCheckRequest {
    // The notifier page on a web site, query included ...
    std::wstring notifierAddress;
    // ... or, when the site is a local folder (the pages bundled with the program), its file.
    std::filesystem::path notifierFile;
    std::wstring programVersion;
};

enum class UpdateCheckResult {
    kStopped,           // the check was stopped (the program is closing)
    kSiteFailed,        // the notifier page could not be had
    kUnusableNotice,    // something newer is announced, but not in a usable form
    kNewProgram,        // a newer program is available (notice.installerUrl is https)
    kUpToDate,          // nothing newer
    kScriptsInstalled,  // the new script file was installed and loaded
    kScriptsFailed,     // the new script file could not be downloaded, verified or installed
};

struct UpdateCheckOutcome {
    UpdateCheckResult result = UpdateCheckResult::kStopped;
    UpdateNotice notice;
    // The loaded script file's version when the check ended.
    std::wstring scriptVersion;
};

// A local notifier page larger than this is not read.
inline constexpr size_t kMaxNotifierFileBytes = 1u << 20;

// Runs the check to its end on the calling thread. stop, set from another thread, ends a
// transfer at once; the outcome is then kStopped and nothing was installed.
UpdateCheckOutcome RunUpdateCheckWork(const UpdateCheckRequest& request, ScriptTable& scripts,
                                      const StopFlag& stop);

}  // namespace talvex::ui
