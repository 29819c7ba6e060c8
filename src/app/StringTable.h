#pragma once
// The user-interface texts: one language file loaded into a table of key -> text, with the
// caller's built-in English text as the fallback for every key. Language files are
// "Lang/res<id>.ini" in the resource folder, UTF-8 text lines of the form key=text; a file
// starts with the two header lines "lang.name=<display name>" and "lang.id=<id>".
//
// Script runs on worker threads read the table while the user-interface thread may switch the
// language, so every operation is safe to call from any thread.
#include <filesystem>
#include <map>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace talvex {

class SettingsStore;

class StringTable {
public:
    // The identifier used when nothing else is known (English).
    static constexpr std::wstring_view kDefaultLanguageId = L"1033";
    // Longest line read from a language file, in bytes; the rest of a longer line is dropped.
    static constexpr std::size_t kMaxLineBytes = 4096;

    // <resourceFolder>/Lang
    static std::filesystem::path LanguageFolder(const std::filesystem::path& resourceFolder);
    // <resourceFolder>/Lang/res<languageId>.ini
    static std::filesystem::path LanguageFile(const std::filesystem::path& resourceFolder,
                                              std::wstring_view languageId);
    // An identifier names a file, so it may hold only ASCII letters, digits, "-" and "_".
    static bool IsValidLanguageId(std::wstring_view languageId);

    // Full load (headerOnly false): empties the table, then reads every entry of the file; true
    // when the file was read to its end. A missing file leaves the table empty, a read error
    // keeps the entries read before it.
    // Header-only load: reads the two header lines and adds the file's language to the list;
    // true when it was added.
    bool Load(const std::filesystem::path& file, bool headerOnly);
    // Full load of the language file for an identifier; an invalid identifier empties the table.
    bool LoadLanguage(const std::filesystem::path& resourceFolder, std::wstring_view languageId);
    // Full load of the file named by the "Language" setting.
    bool LoadCurrentLanguage(const SettingsStore& settings,
                             const std::filesystem::path& resourceFolder);
    // Rebuilds the language list from the headers of every "*.ini" in the Lang folder (in file
    // name order, so of two files with the same language name the later one wins). True.
    bool ListLanguages(const std::filesystem::path& resourceFolder);
    // Switches to a listed language by its display name: stores its identifier in the
    // "Language" setting and loads its file. False, with nothing changed, when the name is not
    // listed; otherwise the result of the load. The caller re-applies its texts.
    bool SwitchLanguage(const SettingsStore& settings, const std::filesystem::path& resourceFolder,
                        std::wstring_view languageName);

    // The loaded text for the key, or defaultText when the key is not in the table or its text
    // is empty; either way the two-character sequences "\n" and "\t" are turned into a line
    // feed and a tab.
    std::wstring GetText(std::wstring_view key, std::wstring_view defaultText = {}) const;
    // Whether the loaded language has an entry for the key, even one with an empty text. For
    // texts that are not the program's own (a site script's message), which are shown as they
    // are when the language does not know their key.
    bool HasKey(std::wstring_view key) const;
    // The identifier of a listed language; "1033" when no language is listed at all; empty when
    // the name is not listed.
    std::wstring GetLanguageId(std::wstring_view languageName) const;
    // The listed languages as (display name, identifier), sorted by name: the language menu.
    std::vector<std::pair<std::wstring, std::wstring>> Languages() const;

private:
    mutable std::shared_mutex lock_;
    std::unordered_map<std::wstring, std::wstring> texts_;
    std::map<std::wstring, std::wstring> languages_;
};

}  // namespace talvex
