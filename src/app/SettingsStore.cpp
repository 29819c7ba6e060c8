#include "app/SettingsStore.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <system_error>
#include <thread>

#include "app/SettingsFile.h"
#include "platform/FileOps.h"
#include "platform/Folders.h"
#include "platform/Tick.h"
#include "platform/Utf8.h"

namespace talvex {

namespace fs = std::filesystem;
using nlohmann::json;

namespace setting {
std::wstring MruDirName(int number) {
    return kMruDir + std::to_wstring(number);
}
}  // namespace setting

namespace {

// A writer holds the lock for a few milliseconds. A holder that never lets go (a stopped
// process) makes the write fail instead of hanging the caller.
constexpr uint64_t kLockWaitMs = 5000;
constexpr int kMaxBadCopies = 100;

std::string TempPrefix(const fs::path& file) {
    return "." + file.filename().string() + ".";
}

// The advisory lock that serialises writers (threads and processes alike: each holder opens
// its own descriptor). Readers need none: the file is only ever replaced by rename.
class WriteLock {
public:
    explicit WriteLock(const fs::path& file) {
        fs::path lockFile = file;
        lockFile += ".lock";
        fd_ = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd_ < 0) {
            return;
        }
        const uint64_t deadline = TickMs() + kLockWaitMs;
        for (;;) {
            if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
                held_ = true;
                return;
            }
            if ((errno != EWOULDBLOCK && errno != EINTR) || TickMs() >= deadline) {
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    ~WriteLock() {
        if (fd_ >= 0) {
            ::close(fd_);  // releases the lock
        }
    }
    WriteLock(const WriteLock&) = delete;
    WriteLock& operator=(const WriteLock&) = delete;
    bool Held() const { return held_; }

private:
    int fd_ = -1;
    bool held_ = false;
};

// Temporary files of writers that died mid-write. Only called under the lock, when no other
// writer can be using one.
void RemoveStaleTemps(const fs::path& file) {
    const std::string prefix = TempPrefix(file);
    std::error_code ec;
    for (fs::directory_iterator it(file.parent_path(), ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() > prefix.size() + 4 && name.compare(0, prefix.size(), prefix) == 0 &&
            name.compare(name.size() - 4, 4, ".tmp") == 0) {
            RemoveRegularFile(it->path());
        }
    }
}

// Keeps an unreadable file for the user instead of overwriting it: "Talvex.json.bad", or
// "Talvex.json.bad2" and on when earlier copies exist.
bool MoveAside(const fs::path& file) {
    for (int i = 1; i <= kMaxBadCopies; ++i) {
        fs::path target = file;
        target += ".bad";
        if (i > 1) {
            target += std::to_string(i);
        }
        if (MoveNoReplace(file, target)) {
            return true;
        }
        std::error_code ec;
        if (!fs::exists(fs::symlink_status(target, ec))) {
            return false;  // failed for another reason than a taken name
        }
    }
    return false;
}

// Writes text to a new file in the same folder and renames it over file, so readers and a
// crash only ever see the old or the new content.
bool ReplaceFile(const fs::path& file, const std::string& text) {
    return ReplaceFileAtomically(file, text, TempPrefix(file), 0600);
}

// Read, change and write back the whole object under the writers' lock.
bool Update(const fs::path& settingsFile, const std::function<void(json&)>& change) {
    try {
        std::error_code ec;
        fs::create_directories(settingsFile.parent_path(), ec);
        WriteLock lock(settingsFile);
        if (!lock.Held()) {
            return false;
        }
        // A settings file linked from elsewhere (a dotfiles repository) stays a link: the new
        // content replaces the file it points to.
        fs::path file = settingsFile;
        if (fs::is_symlink(fs::symlink_status(file, ec))) {
            fs::path target = fs::weakly_canonical(file, ec);
            if (ec) {
                return false;
            }
            file = target;
        }
        RemoveStaleTemps(file);
        SettingsDocument doc = ReadSettingsFile(file);
        // A file that could not be read this time may hold every setting: writing now would
        // replace it with the one new value.
        if (doc.state == SettingsFileState::Unreadable) {
            return false;
        }
        change(doc.values);
        std::string text = doc.values.dump(2, ' ', false, json::error_handler_t::replace);
        text += '\n';
        // Never write a file that the next read would set aside.
        if (text.size() > kMaxSettingsFileBytes) {
            return false;
        }
        if (doc.state == SettingsFileState::Bad && !MoveAside(file)) {
            return false;
        }
        return ReplaceFile(file, text);
    } catch (...) {
        return false;
    }
}

// The member for name, or null.
const json* Find(const SettingsDocument& doc, std::wstring_view name) {
    if (doc.state != SettingsFileState::Valid) {
        return nullptr;
    }
    auto it = doc.values.find(WideToUtf8(name));
    return it == doc.values.end() ? nullptr : &*it;
}

}  // namespace

SettingsStore::SettingsStore() : file_(DefaultFile()) {}

SettingsStore::SettingsStore(fs::path file) : file_(std::move(file)) {}

fs::path SettingsStore::DefaultFile() {
    return ConfigFolder() / "Talvex.json";
}

std::wstring SettingsStore::GetString(std::wstring_view name, std::wstring_view defaultText) const {
    try {
        SettingsDocument doc = ReadSettingsFile(file_);
        if (const json* v = Find(doc, name)) {
            if (v->is_string()) {
                return Utf8ToWide(v->get_ref<const std::string&>());
            }
            // An expandable text (see DRegistry) reads here as it is stored, unexpanded.
            if (v->is_object()) {
                auto e = v->find("expand");
                if (e != v->end() && e->is_string()) {
                    return Utf8ToWide(e->get_ref<const std::string&>());
                }
            }
        }
    } catch (...) {
    }
    return std::wstring(defaultText);
}

bool SettingsStore::SetString(std::wstring_view name, std::wstring_view text) const {
    const std::string key = WideToUtf8(name);
    const std::string value = WideToUtf8(text);
    return Update(file_, [&](json& values) { values[key] = value; });
}

uint32_t SettingsStore::GetNumber(std::wstring_view name) const {
    try {
        SettingsDocument doc = ReadSettingsFile(file_);
        if (const json* v = Find(doc, name)) {
            if (v->is_number_unsigned()) {
                uint64_t n = v->get<uint64_t>();
                if (n <= 0xFFFFFFFFu) {
                    return static_cast<uint32_t>(n);
                }
            } else if (v->is_number_integer() && v->get<int64_t>() >= 0) {
                int64_t n = v->get<int64_t>();
                if (n <= 0xFFFFFFFF) {
                    return static_cast<uint32_t>(n);
                }
            }
        }
    } catch (...) {
    }
    return 0;
}

bool SettingsStore::SetNumber(std::wstring_view name, uint32_t value) const {
    const std::string key = WideToUtf8(name);
    return Update(file_, [&](json& values) { values[key] = value; });
}

std::wstring SettingsStore::GetDownloadFolder() const {
    fs::path folder = DocumentsFolder();
    if (folder.empty()) {
        folder = HomeFolder();
    }
    const std::wstring fallback = Utf8ToWide(folder.string());
    std::wstring stored = GetString(setting::kDownloadDirectory, fallback);
    return stored.empty() ? fallback : stored;
}

std::wstring SettingsStore::GetLanguage() const {
    return GetString(setting::kLanguage, setting::kDefaultLanguage);
}

std::wstring SettingsStore::GetInstallationId() const {
    return GetString(setting::kIsn, L"");
}

std::wstring SettingsStore::GetActivitySortColumn() const {
    return GetString(setting::kActivitySortCol, L"");
}

}  // namespace talvex
