#include "ui/UpdateCheckWork.h"

#include <fstream>
#include <optional>
#include <system_error>

#include "platform/Utf8.h"
#include "scripts/ScriptFilePaths.h"
#include "scripts/ScriptInstaller.h"
#include "scripts/ScriptTable.h"
#include "ui/UpdateRules.h"

namespace talvex::ui {

namespace fs = std::filesystem;

namespace {

std::optional<std::wstring> ReadLocalPage(const fs::path& file) {
    std::error_code error;
    const auto size = fs::file_size(file, error);
    if (error || size > kMaxNotifierFileBytes) {
        return std::nullopt;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string bytes(static_cast<size_t>(size), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (static_cast<size_t>(in.gcount()) != bytes.size()) {
        return std::nullopt;
    }
    return Utf8ToWide(bytes);
}

std::optional<std::wstring> FetchNotifier(const UpdateCheckRequest& request, const StopFlag& stop) {
    if (!request.notifierFile.empty()) {
        return ReadLocalPage(request.notifierFile);
    }
    DNetworking net;
    std::wstring page;
    if (net.GetPage(request.notifierAddress, page, stop) != kNetSuccess) {
        return std::nullopt;
    }
    return page;
}

UpdateCheckResult UpdateScripts(const UpdateNotice& notice, ScriptTable& scripts,
                                const StopFlag& stop) {
    const std::optional<fs::path> current = ChooseScriptPath();
    if (!current) {
        return UpdateCheckResult::kScriptsFailed;
    }
    const fs::path target = ScriptDownloadTarget(*current, notice.scriptVersion);
    DNetworking net;
    const uint32_t code = net.DownloadToFile(notice.scriptUrl, target, stop);
    if (stop.load()) {
        // A stopped download leaves nothing behind; one that had just finished is not used.
        std::error_code ignored;
        fs::remove(target, ignored);
        return UpdateCheckResult::kStopped;
    }
    std::error_code error;
    if (code != kNetSuccess || !fs::is_regular_file(target, error)) {
        return UpdateCheckResult::kScriptsFailed;
    }
    const ScriptInstallOutcome installed = InstallScriptFile(target, scripts);
    const bool placed = installed.result == ScriptInstallResult::kReplaced ||
                        installed.result == ScriptInstallResult::kAddedAsNext;
    return placed && installed.reloaded ? UpdateCheckResult::kScriptsInstalled
                                        : UpdateCheckResult::kScriptsFailed;
}

}  // namespace

UpdateCheckOutcome RunUpdateCheckWork(const UpdateCheckRequest& request, ScriptTable& scripts,
                                      const StopFlag& stop) {
    UpdateCheckOutcome outcome;
    const std::optional<std::wstring> page = FetchNotifier(request, stop);
    if (stop.load()) {
        outcome.result = UpdateCheckResult::kStopped;
        return outcome;
    }
    outcome.scriptVersion = scripts.ScriptVersion();
    if (!page) {
        outcome.result = UpdateCheckResult::kSiteFailed;
        return outcome;
    }
    outcome.notice = ParseUpdateNotice(*page);
    switch (DecideUpdate(outcome.notice, request.programVersion, outcome.scriptVersion)) {
        case UpdateStep::kNothingNewer:
            outcome.result = UpdateCheckResult::kUpToDate;
            break;
        case UpdateStep::kOfferProgram:
            outcome.result = UpdateCheckResult::kNewProgram;
            break;
        case UpdateStep::kUnusableNotice:
            outcome.result = UpdateCheckResult::kUnusableNotice;
            break;
        case UpdateStep::kUpdateScripts:
            outcome.result = UpdateScripts(outcome.notice, scripts, stop);
            outcome.scriptVersion = scripts.ScriptVersion();
            break;
    }
    return outcome;
}

}  // namespace talvex::ui
