#pragma once
// The Play page's drop-down of recently used folders, as rows: row 0 is a fixed title row
// ("View recently used folders"), rows 1.. are folders, the most recent first. Stored as the
// settings "MruDir1".."MruDir5".
//
// The list is capped at five rows with the title row counted, so it keeps four folders once
// a folder has been added; what was loaded beyond that is shown until the next addition.
// Saving writes only the rows there are: a "MruDir" value beyond the last row keeps its old
// folder, which comes back at the next start.
#include <string>
#include <vector>

namespace talvex {
class SettingsStore;
}

namespace talvex::ui {

class RecentFolders {
public:
    // Rows kept when the list is trimmed, the title row included.
    static constexpr int kMaxRows = 5;

    enum class AddResult {
        Empty,    // no folder given: only saved
        Known,    // already listed: saved, nothing added
        Missing,  // not an existing folder: nothing added, nothing saved
        Added,    // inserted as row 1 and saved
    };

    explicit RecentFolders(const SettingsStore& settings);

    // Replaces the title row's text (the language changed).
    void SetTitle(std::wstring title);
    // Appends every non-empty "MruDir1".."MruDir5" value, in that order.
    void Load();
    // Trims to kMaxRows and writes row n as "MruDir<n>" unless it is empty. False when a value
    // could not be stored.
    bool Save();
    // Adds a folder chosen or typed by the user; see AddResult. A folder is already listed when
    // a row names the same path, a trailing "/" ignored on either side.
    AddResult Add(const std::wstring& folder);

    // Every row, the title row first.
    const std::vector<std::wstring>& Rows() const { return rows_; }
    // Row 1, or empty text when no folder is listed.
    std::wstring MostRecent() const;
    // The folder of a row; empty for the title row and rows that do not exist.
    std::wstring FolderAt(int row) const;

    // The path without its trailing "/" (the root stays "/").
    static std::wstring WithoutTrailingSlash(std::wstring folder);

private:
    void Trim();

    const SettingsStore& settings_;
    std::vector<std::wstring> rows_{std::wstring()};
};

}  // namespace talvex::ui
