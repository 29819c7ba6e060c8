#pragma once
// Test isolation: a temporary folder removed at the end, and a fake home whose XDG folders all
// point below it, so a test never reads or writes the developer's real settings or data.
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

namespace talvex::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Sets an environment variable for the life of the object, restoring the old value after.
class ScopedEnv {
public:
    ScopedEnv(const std::string& name, const std::optional<std::string>& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

// HOME, XDG_CONFIG_HOME, XDG_DATA_HOME and XDG_RUNTIME_DIR below one temporary folder.
// The data and runtime folders are created; the config folder is not (a fresh user).
class TestHome {
public:
    TestHome();
    const std::filesystem::path& Root() const { return dir_.Path(); }
    std::filesystem::path Home() const { return dir_.Path() / "home"; }
    std::filesystem::path ConfigHome() const { return Home() / ".config"; }
    std::filesystem::path DataHome() const { return Home() / ".local" / "share"; }
    std::filesystem::path RuntimeDir() const { return dir_.Path() / "run"; }
    // Talvex's own files: ConfigHome()/Orlenta/Talvex.json and DataHome()/Talvex.
    std::filesystem::path SettingsFile() const { return ConfigHome() / "Orlenta" / "Talvex.json"; }
    std::filesystem::path DataFolder() const { return DataHome() / "Talvex"; }

private:
    TempDir dir_;
    std::optional<ScopedEnv> home_, config_, data_, runtime_;
};

// Reads a whole file (binary); empty when it cannot be read.
std::string ReadFileBytes(const std::filesystem::path& path);
// Writes a whole file (binary), creating parent folders.
void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes);
// size bytes that look random, the same for the same seed (media whose every byte counts).
std::string RandomBytes(size_t size, unsigned seed);

}  // namespace talvex::test
