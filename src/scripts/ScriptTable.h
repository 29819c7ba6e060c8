#pragma once
// The loaded site scripts, by site key, and the loaded file's version. One per interpreter; the
// engine's start, the update check and every download item's worker use it at once.
#include <cstddef>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "scripts/SiteScript.h"

namespace talvex {

struct ScriptFileContents;

class ScriptTable {
public:
    // Loads the file ChooseScriptPath picks. With checkIntegrity its digest must match. False
    // when no file can be had or it cannot be used. Then the newest usable file of
    // FallbackScriptPaths is loaded instead, so that a damaged update does not disable every
    // site until the next one arrives; false all the same, so that the caller still asks for
    // a new file. With none usable the table is as it was. Entries are added to what the table
    // holds: a reload clears it first (or uses ReloadScripts).
    bool LoadScripts(bool checkIntegrity);
    // The same with a given file, without a fallback.
    bool LoadScriptsFrom(const std::filesystem::path& path, bool checkIntegrity);
    // ClearScripts followed by LoadScripts(false), with no moment in between at which lookups
    // from other threads find the table empty. On failure the table is left empty.
    bool ReloadScripts();
    // Drops every script. Runs that hold a script keep it until they finish.
    void ClearScripts();

    // The first key in table order that occurs anywhere in address (case-sensitive), or empty.
    // Table order is longest key first, equal lengths in code-point order: a more specific key
    // ("example.com/live") wins over a shorter one it contains, and an empty key (from a
    // malformed SITE line) is tried last.
    std::wstring FindSiteKey(std::wstring_view address) const;
    // The script for FindSiteKey(text); none when that key is empty or stands for no script.
    std::shared_ptr<const SiteScript> GetScript(std::wstring_view text) const;

    // The version text of the loaded file (its "SCRIPTVER " line); empty before a load.
    std::wstring ScriptVersion() const;
    // Keys in table order, those standing for no script included.
    std::vector<std::wstring> Keys() const;
    size_t Size() const;
    // What the last load (LoadScripts, LoadScriptsFrom, ReloadScripts) found wrong, one
    // sentence each: every file that could not be used and why, then which file was loaded
    // instead (or that none was). Empty when the file loaded as it should. Also written to the
    // debug log.
    std::vector<std::string> LoadReport() const;

private:
    struct LongerKeyFirst {
        bool operator()(const std::wstring& a, const std::wstring& b) const {
            return a.size() != b.size() ? a.size() > b.size() : a < b;
        }
    };
    using Map = std::map<std::wstring, std::shared_ptr<const SiteScript>, LongerKeyFirst>;

    void ApplyLocked(ScriptFileContents&& contents);
    std::wstring FindSiteKeyLocked(std::wstring_view address) const;

    // Reads the file, noting why when it cannot be used.
    std::optional<ScriptFileContents> Read(const std::filesystem::path& path, bool checkIntegrity,
                                           std::vector<std::string>& report) const;
    // Adds the contents (when there are any) and keeps the report, under the lock.
    void Apply(std::optional<ScriptFileContents>&& contents, std::vector<std::string>&& report);

    mutable std::mutex scriptLock_;
    Map scripts_;
    std::wstring scriptVersion_;
    std::vector<std::string> loadReport_;
};

}  // namespace talvex
