#pragma once
// Reading the settings file: one JSON object whose members are the settings values. Shared by
// SettingsStore and DRegistry; only SettingsStore writes the file.
#include <filesystem>

#include <nlohmann/json.hpp>

namespace talvex {

enum class SettingsFileState {
    Missing,     // no file (a fresh user), or an empty one
    Valid,       // a JSON object
    Bad,         // read whole, but not settings: truncated, garbage, JSON that is not an object,
                 // nested deeper than kMaxSettingsNesting, or larger than kMaxSettingsFileBytes
    Unreadable,  // could not be read this time (no descriptor left, an I/O error, no memory),
                 // or something other than a regular file stands there: not ours to replace
};

struct SettingsDocument {
    SettingsFileState state = SettingsFileState::Missing;
    nlohmann::json values = nlohmann::json::object();  // always an object; empty unless Valid
};

// A settings file holds a few kilobytes. Larger files are not ours: they read as Bad rather
// than being loaded into memory (parsed JSON takes many times its text).
inline constexpr size_t kMaxSettingsFileBytes = 1u << 20;
// Deepest nesting of arrays and objects, the settings object itself counting as 1; a deeper
// file reads as Bad without being parsed.
inline constexpr size_t kMaxSettingsNesting = 64;

// Never throws. A pipe or a device at the path reads as Unreadable without waiting for a writer.
SettingsDocument ReadSettingsFile(const std::filesystem::path& file);

}  // namespace talvex
