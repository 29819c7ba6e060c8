#include "scripts/ScriptTable.h"

#include <optional>
#include <utility>

#include "scripts/ScriptFilePaths.h"
#include "scripts/ScriptLoader.h"

namespace talvex {

bool ScriptTable::LoadScripts(bool checkIntegrity) {
    const std::optional<std::filesystem::path> path = ChooseScriptPath();
    return path && LoadScriptsFrom(*path, checkIntegrity);
}

bool ScriptTable::LoadScriptsFrom(const std::filesystem::path& path, bool checkIntegrity) {
    // The file is read and parsed before the lock is taken: lookups go on meanwhile.
    std::optional<ScriptFileContents> contents = ReadScriptFile(path, checkIntegrity);
    if (!contents) {
        return false;
    }
    std::lock_guard lock(scriptLock_);
    ApplyLocked(std::move(*contents));
    return true;
}

bool ScriptTable::ReloadScripts() {
    std::optional<ScriptFileContents> contents;
    if (const std::optional<std::filesystem::path> path = ChooseScriptPath()) {
        contents = ReadScriptFile(*path, false);
    }
    Map old;
    {
        std::lock_guard lock(scriptLock_);
        old.swap(scripts_);
        if (contents) {
            ApplyLocked(std::move(*contents));
        }
    }
    // The old scripts are released here, outside the lock.
    return contents.has_value();
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

}  // namespace talvex
