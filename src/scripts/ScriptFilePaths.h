#pragma once
// Which script file to load. The data folder holds numbered copies "scripts0.qrs",
// "scripts1.qrs" ... without gaps, the highest being the newest; the resource folder holds the
// seed "scripts.qrs" that starts the series on a fresh installation.
#include <filesystem>
#include <optional>
#include <vector>

namespace talvex {

inline constexpr const char* kSeedScriptFileName = "scripts.qrs";

struct NumberedScriptFiles {
    // The highest numbered file (the one for 0 when none exists).
    std::filesystem::path lastExisting;
    // The first number whose file does not exist: a scan stops at the first gap.
    std::filesystem::path firstFree;
};

// The name "scripts<n>.qrs" in the data folder.
std::filesystem::path NumberedScriptFile(int number);

// Nothing only when the data folder is unavailable.
std::optional<NumberedScriptFiles> FindNumberedScriptFiles();

// The file to load: the highest numbered file, or, when there is none, a copy of the seed from
// the resource folder made under the name for 0 (the data folder is created as needed; the copy
// takes its name in one rename, so a crash never leaves a partial file there). Nothing when no
// file can be had.
std::optional<std::filesystem::path> ChooseScriptPath();

// What to load instead when the chosen file cannot be used, best first: the other numbered
// files that exist, newest first, then the seed in the resource folder. Nothing is copied.
std::vector<std::filesystem::path> FallbackScriptPaths(const std::filesystem::path& chosen);

}  // namespace talvex
