#pragma once
// The unfinished downloads a download folder holds: the records a program can go on with, and
// the clean-up of what crashed runs left behind. A work file whose descriptor some program
// holds locked is in use (a running download, or one another program has taken on) and is
// never touched.
#include <chrono>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "download/ResumeRecord.h"

namespace talvex {

struct FoundRecord {
    std::filesystem::path workFile;
    std::filesystem::path recordFile;
    ResumeRecord record;
};

// The records in folder written by program whose work file is there, unlocked, and as large
// as the record needs (a segmented download's file has the media size; a single stream's holds
// at least what the record counts). A record that cannot be read (truncated, garbage, another
// version) or has no work file is removed, with its work file unless that is in use: that
// download starts over.
std::vector<FoundRecord> FindResumable(const std::filesystem::path& folder,
                                       std::string_view program);

// Removes the work files, records and half-written records in folder that are older than
// maxAge, not in use and not in keep (paths of work files or records).
void RemoveStaleWorkFiles(const std::filesystem::path& folder, std::chrono::seconds maxAge,
                          const std::set<std::filesystem::path>& keep);

// How old left-over work files must be before a start removes them.
inline constexpr std::chrono::seconds kStaleWorkFileAge{24 * 60 * 60};

// Whether some descriptor holds the file's lock (false when the file cannot be opened).
bool WorkFileInUse(const std::filesystem::path& workFile);

}  // namespace talvex
