#pragma once
// Reading the settings file: one JSON object whose members are the settings values. Shared by
// SettingsStore and DRegistry; only SettingsStore writes the file.
#include <filesystem>

#include <nlohmann/json.hpp>

namespace talvex {

enum class SettingsFileState {
    Missing,  // no file (a fresh user), or an empty one
    Valid,    // a JSON object
    Bad,      // unreadable, truncated, garbage, or JSON that is not an object
};

struct SettingsDocument {
    SettingsFileState state = SettingsFileState::Missing;
    nlohmann::json values = nlohmann::json::object();  // always an object; empty unless Valid
};

// Larger files are not ours: they read as Bad rather than being loaded into memory.
inline constexpr size_t kMaxSettingsFileBytes = 16u << 20;

// Never throws.
SettingsDocument ReadSettingsFile(const std::filesystem::path& file);

}  // namespace talvex
