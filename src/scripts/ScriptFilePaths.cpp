#include "scripts/ScriptFilePaths.h"

#include <climits>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

#include "platform/FileOps.h"
#include "platform/Folders.h"

namespace talvex {

namespace fs = std::filesystem;

namespace {

bool Exists(const fs::path& path) {
    std::error_code ec;
    return fs::exists(path, ec);
}

// Copies from -> to, overwriting, through a temporary file in the target's folder.
bool CopyReplacing(const fs::path& from, const fs::path& to) {
    std::error_code ec;
    if (!fs::is_regular_file(from, ec)) {
        return false;
    }
    std::ifstream in(from, std::ios::binary);
    if (!in) {
        return false;
    }
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        return false;
    }
    const std::optional<fs::path> temp = CreateUniqueTempFile(to.parent_path(), "~qrv");
    if (!temp) {
        return false;
    }
    File out = File::OpenReadWrite(*temp);
    bool ok = out.IsOpen() && out.Write(bytes.data(), bytes.size()) && out.Sync();
    out.Close();
    if (ok) {
        fs::rename(*temp, to, ec);
        ok = !ec;
    }
    if (!ok) {
        RemoveRegularFile(*temp);
    }
    return ok;
}

}  // namespace

fs::path NumberedScriptFile(int number) {
    char name[32];
    std::snprintf(name, sizeof name, "scripts%d.qrs", number);
    return DataFolder() / name;
}

std::optional<NumberedScriptFiles> FindNumberedScriptFiles() {
    if (DataFolder().empty()) {
        return std::nullopt;
    }
    NumberedScriptFiles files;
    int number = 0;
    while (number < INT_MAX && Exists(NumberedScriptFile(number))) {
        ++number;
    }
    files.firstFree = NumberedScriptFile(number);
    files.lastExisting = NumberedScriptFile(number > 0 ? number - 1 : 0);
    return files;
}

std::optional<fs::path> ChooseScriptPath() {
    const std::optional<NumberedScriptFiles> files = FindNumberedScriptFiles();
    if (!files) {
        return std::nullopt;
    }
    if (Exists(files->lastExisting)) {
        return files->lastExisting;
    }
    const fs::path seed = ResourceFolder() / kSeedScriptFileName;
    if (!Exists(seed)) {
        return std::nullopt;
    }
    std::error_code ec;
    const fs::path folder = DataFolder();
    if (!fs::is_directory(folder, ec)) {
        fs::create_directories(folder, ec);
        if (ec) {
            return std::nullopt;
        }
    }
    // One retry, under the first free name: here the same name as the one for 0.
    if (CopyReplacing(seed, files->lastExisting) || CopyReplacing(seed, files->firstFree)) {
        return files->lastExisting;
    }
    return std::nullopt;
}

std::vector<fs::path> FallbackScriptPaths(const fs::path& chosen) {
    std::vector<fs::path> paths;
    int count = 0;
    while (count < INT_MAX && Exists(NumberedScriptFile(count))) {
        ++count;
    }
    for (int number = count - 1; number >= 0; --number) {
        fs::path path = NumberedScriptFile(number);
        if (path != chosen) {
            paths.push_back(std::move(path));
        }
    }
    const fs::path resources = ResourceFolder();
    fs::path seed = resources / kSeedScriptFileName;
    if (!resources.empty() && seed != chosen && Exists(seed)) {
        paths.push_back(std::move(seed));
    }
    return paths;
}

}  // namespace talvex
