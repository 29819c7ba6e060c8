#include "platform/Folders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <system_error>

namespace talvex {

namespace fs = std::filesystem;

namespace {

fs::path AbsoluteEnv(const char* name) {
    const char* v = std::getenv(name);
    if (v == nullptr || *v != '/') {
        return {};
    }
    return fs::path(v);
}

// Reads XDG_DOCUMENTS_DIR="..." from user-dirs.dirs, expanding a leading $HOME.
fs::path ReadUserDirsDocuments(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    const std::string key = "XDG_DOCUMENTS_DIR=";
    while (std::getline(in, line)) {
        if (line.rfind(key, 0) != 0) {
            continue;
        }
        std::string value = line.substr(key.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
            value = value.substr(1, value.size() - 2);
        }
        if (value.rfind("$HOME", 0) == 0) {
            return fs::path(HomeFolder().string() + value.substr(5));
        }
        if (!value.empty() && value.front() == '/') {
            return fs::path(value);
        }
        return {};
    }
    return {};
}

}  // namespace

fs::path HomeFolder() {
    if (const char* h = std::getenv("HOME"); h != nullptr && *h != '\0') {
        return fs::path(h);
    }
    if (const passwd* pw = getpwuid(getuid()); pw != nullptr && pw->pw_dir != nullptr) {
        return fs::path(pw->pw_dir);
    }
    return fs::path("/");
}

fs::path ConfigFolder() {
    fs::path base = AbsoluteEnv("XDG_CONFIG_HOME");
    if (base.empty()) {
        base = HomeFolder() / ".config";
    }
    return base / "Orlenta";
}

fs::path DataFolder() {
    fs::path base = AbsoluteEnv("XDG_DATA_HOME");
    if (base.empty()) {
        base = HomeFolder() / ".local" / "share";
    }
    return base / "Talvex";
}

fs::path DocumentsFolder() {
    fs::path config = AbsoluteEnv("XDG_CONFIG_HOME");
    if (config.empty()) {
        config = HomeFolder() / ".config";
    }
    fs::path docs = ReadUserDirsDocuments(config / "user-dirs.dirs");
    std::error_code ec;
    // XDG treats a documents folder equal to $HOME as "not set"; we keep it, it is a folder.
    if (!docs.empty() && fs::is_directory(docs, ec)) {
        return docs;
    }
    return {};
}

fs::path ExecutablePath() {
    std::error_code ec;
    fs::path p = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : p;
}

fs::path ResourceFolder() {
    if (fs::path env = AbsoluteEnv("TALVEX_RESOURCE_DIR"); !env.empty()) {
        return env;
    }
    const fs::path exeDir = ExecutablePath().parent_path();
    std::error_code ec;
    if (exeDir.filename() == "bin") {
        fs::path installed = exeDir.parent_path() / "share" / "talvex";
        if (fs::is_directory(installed, ec)) {
            return installed;
        }
    }
    return exeDir;
}

fs::path RuntimeFolder() {
    if (fs::path env = AbsoluteEnv("XDG_RUNTIME_DIR"); !env.empty()) {
        std::error_code ec;
        if (fs::is_directory(env, ec)) {
            return env;
        }
    }
    const fs::path dir = fs::path("/tmp") / ("talvex-" + std::to_string(getuid()));
    mkdir(dir.c_str(), 0700);
    struct stat st {};
    if (lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid()) {
        return {};
    }
    if ((st.st_mode & 077) != 0 && chmod(dir.c_str(), 0700) != 0) {
        return {};
    }
    return dir;
}

}  // namespace talvex
