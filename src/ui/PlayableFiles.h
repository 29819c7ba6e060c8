#pragma once
// Which files of a folder the Play page lists: the media the player takes (".flv", ".mp4",
// ".mov", ".f4v", ".3gp", ".3g2", ".mp3"), without the downloads still in progress (their
// names hold ".tmp."), sorted by name the way a file manager shows them.
#include <string>
#include <string_view>
#include <vector>

namespace talvex::ui {

// Whether the name ends in one of the listed extensions, in any letter case.
bool HasPlayableExtension(std::wstring_view name);

// The names (not paths) of the regular files in folder with a playable extension, except
// those whose name contains ".tmp." (case-sensitive), sorted without regard to letter case.
// Empty when folder is empty text or cannot be read. Names that are not valid UTF-8 are left
// out: they could not be opened again from the text shown.
std::vector<std::wstring> ListPlayableFiles(const std::wstring& folder);

// The order of the list: letter case ignored first, then the exact text, so that the order
// is total and the same on every run.
bool FileNameLess(std::wstring_view a, std::wstring_view b);

}  // namespace talvex::ui
