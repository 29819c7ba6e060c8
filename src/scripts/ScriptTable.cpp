#include "scripts/ScriptTable.h"

#include <utility>

#include "app/DebugLog.h"
#include "platform/Folders.h"
#include "platform/Utf8.h"
#include "scripts/ScriptFilePaths.h"
#include "scripts/ScriptLoader.h"

namespace talvex {

namespace fs = std::filesystem;

namespace {

// One sentence of the load report, also written to the debug log.
void Note(std::vector<std::string>& report, std::string sentence) {
    DebugLog::Write("ScriptTable: " + sentence);
    report.push_back(std::move(sentence));
}

}  // namespace

std::optional<ScriptFileContents> ScriptTable::Read(const fs::path& path, bool checkIntegrity,
                                                    std::vector<std::string>& report) const {
    ScriptFileProblem problem = ScriptFileProblem::kNone;
    std::optional<ScriptFileContents> contents = ReadScriptFile(path, checkIntegrity, &problem);
    if (!contents) {
        Note(report, DescribeUnusableScriptFile(path, problem));
    }
    return contents;
}

void ScriptTable::Apply(std::optional<ScriptFileContents>&& contents,
                        std::vector<std::string>&& report) {
    std::lock_guard lock(scriptLock_);
    if (contents) {
        ApplyLocked(std::move(*contents));
    }
    loadReport_ = std::move(report);
}

bool ScriptTable::LoadScripts(bool checkIntegrity) {
    std::vector<std::string> report;
    const std::optional<fs::path> path = ChooseScriptPath();
    if (!path) {
        Note(report, "no script file: the data folder " + DataFolder().string() +
                         " holds none, and the program's own copy " +
                         (ResourceFolder() / kSeedScriptFileName).string() +
                         " is missing or cannot be copied there");
    } else if (std::optional<ScriptFileContents> contents = Read(*path, checkIntegrity, report)) {
        DebugLog::Write("ScriptTable: loaded " + path->string() + " (version " +
                        WideToUtf8(contents->version) + ")");
        Apply(std::move(contents), std::move(report));
        return true;
    } else {
        // A damaged update must not disable every site until the next one arrives.
        for (const fs::path& fallback : FallbackScriptPaths(*path)) {
            if (std::optional<ScriptFileContents> older = Read(fallback, checkIntegrity, report)) {
                Note(report, "using " + fallback.string() + " (version " +
                                 WideToUtf8(older->version) +
                                 ") until a new script file is installed");
                Apply(std::move(older), std::move(report));
                return false;
            }
        }
    }
    Note(report,
         "none of the script files can be used: no site is supported until a new script file "
         "is installed");
    Apply(std::nullopt, std::move(report));
    return false;
}

bool ScriptTable::LoadScriptsFrom(const fs::path& path, bool checkIntegrity) {
    // The file is read and parsed before the lock is taken: lookups go on meanwhile.
    std::vector<std::string> report;
    std::optional<ScriptFileContents> contents = Read(path, checkIntegrity, report);
    const bool loaded = contents.has_value();
    Apply(std::move(contents), std::move(report));
    return loaded;
}

bool ScriptTable::ReloadScripts() {
    std::vector<std::string> report;
    std::optional<ScriptFileContents> contents;
    if (const std::optional<std::filesystem::path> path = ChooseScriptPath()) {
        contents = Read(*path, false, report);
    }
    const bool loaded = contents.has_value();
    Map old;
    {
        std::lock_guard lock(scriptLock_);
        old.swap(scripts_);
        if (contents) {
            ApplyLocked(std::move(*contents));
        }
        loadReport_ = std::move(report);
    }
    // The old scripts are released here, outside the lock.
    return loaded;
}

void ScriptTable::ClearScripts() {
    Map old;
    {
        std::lock_guard lock(scriptLock_);
        old.swap(scripts_);
    }
}

void ScriptTable::ApplyLocked(ScriptFileContents&& contents) {
    scriptVersion_ = std::move(contents.version);
    for (ScriptFileEntry& entry : contents.entries) {
        scripts_.insert_or_assign(std::move(entry.siteKey), std::move(entry.script));
    }
}

std::wstring ScriptTable::FindSiteKeyLocked(std::wstring_view address) const {
    for (const auto& [key, script] : scripts_) {
        if (address.find(key) != std::wstring_view::npos) {
            return key;
        }
    }
    return {};
}

std::wstring ScriptTable::FindSiteKey(std::wstring_view address) const {
    std::lock_guard lock(scriptLock_);
    return FindSiteKeyLocked(address);
}

std::shared_ptr<const SiteScript> ScriptTable::GetScript(std::wstring_view text) const {
    std::lock_guard lock(scriptLock_);
    const std::wstring key = FindSiteKeyLocked(text);
    if (key.empty()) {
        return nullptr;
    }
    const auto found = scripts_.find(key);
    return found != scripts_.end() ? found->second : nullptr;
}

std::wstring ScriptTable::ScriptVersion() const {
    std::lock_guard lock(scriptLock_);
    return scriptVersion_;
}

std::vector<std::wstring> ScriptTable::Keys() const {
    std::lock_guard lock(scriptLock_);
    std::vector<std::wstring> keys;
    keys.reserve(scripts_.size());
    for (const auto& entry : scripts_) {
        keys.push_back(entry.first);
    }
    return keys;
}

size_t ScriptTable::Size() const {
    std::lock_guard lock(scriptLock_);
    return scripts_.size();
}

std::vector<std::string> ScriptTable::LoadReport() const {
    std::lock_guard lock(scriptLock_);
    return loadReport_;
}

}  // namespace talvex
