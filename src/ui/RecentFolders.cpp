#include "ui/RecentFolders.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "app/SettingsStore.h"
#include "platform/Utf8.h"

namespace talvex::ui {

RecentFolders::RecentFolders(const SettingsStore& settings) : settings_(settings) {}

void RecentFolders::SetTitle(std::wstring title) {
    rows_.front() = std::move(title);
}

void RecentFolders::Load() {
    for (int n = 1; n <= setting::kMruDirCount; ++n) {
        std::wstring folder = settings_.GetString(setting::MruDirName(n), L"");
        if (!folder.empty()) {
            rows_.push_back(std::move(folder));
        }
    }
}

void RecentFolders::Trim() {
    if (rows_.size() > static_cast<size_t>(kMaxRows)) {
        rows_.resize(kMaxRows);
    }
}

bool RecentFolders::Save() {
    Trim();
    bool stored = true;
    for (size_t n = 1; n < rows_.size(); ++n) {
        if (!rows_[n].empty()) {
            stored =
                settings_.SetString(setting::MruDirName(static_cast<int>(n)), rows_[n]) && stored;
        }
    }
    return stored;
}

std::wstring RecentFolders::WithoutTrailingSlash(std::wstring folder) {
    while (folder.size() > 1 && folder.back() == L'/') {
        folder.pop_back();
    }
    return folder;
}

RecentFolders::AddResult RecentFolders::Add(const std::wstring& folder) {
    if (folder.empty()) {
        Save();
        return AddResult::Empty;
    }
    Trim();
    // Folder names on this system are case-sensitive and a folder is not its parent, so the
    // whole path must match: "/srv/Video" is neither "/srv/video" nor "/srv/Video 2".
    const std::wstring wanted = WithoutTrailingSlash(folder);
    const bool known = std::any_of(rows_.begin() + 1, rows_.end(), [&](const std::wstring& row) {
        return WithoutTrailingSlash(row) == wanted;
    });
    if (known) {
        Save();
        return AddResult::Known;
    }
    std::error_code error;
    if (!std::filesystem::is_directory(std::filesystem::path(WideToUtf8(folder)), error)) {
        return AddResult::Missing;
    }
    rows_.insert(rows_.begin() + 1, wanted);
    Save();
    return AddResult::Added;
}

std::wstring RecentFolders::MostRecent() const {
    return FolderAt(1);
}

std::wstring RecentFolders::FolderAt(int row) const {
    if (row < 1 || row >= static_cast<int>(rows_.size())) {
        return std::wstring();
    }
    return rows_[static_cast<size_t>(row)];
}

}  // namespace talvex::ui
