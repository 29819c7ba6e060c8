#include "download/ResumeFolder.h"

#include "app/DebugLog.h"
#include "platform/FileOps.h"

namespace talvex {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kRecordSuffix = ".json";

// The work file a record or a half-written record belongs to; empty for other names.
fs::path OwnerWorkFile(const fs::path& path) {
    const std::string name = path.filename().string();
    if (name.size() < 12 || !IsWorkFileName(std::string_view(name).substr(0, 12))) {
        return {};
    }
    if (name.size() == 12) {
        return path;
    }
    if (name.compare(12, kRecordSuffix.size(), kRecordSuffix) != 0) {
        return {};
    }
    // "~qrvXXXX.tmp.json" or a half-written "~qrvXXXX.tmp.json.YYYY.tmp".
    const bool record = name.size() == 12 + kRecordSuffix.size();
    const bool part = name.size() > 12 + kRecordSuffix.size() + 1 &&
                      name[12 + kRecordSuffix.size()] == '.' && name.ends_with(".tmp");
    return record || part ? path.parent_path() / name.substr(0, 12) : fs::path();
}

bool OlderThan(const fs::path& path, std::chrono::seconds age) {
    std::error_code ec;
    const auto written = fs::last_write_time(path, ec);
    return !ec && fs::file_time_type::clock::now() - written > age;
}

}  // namespace

bool WorkFileInUse(const fs::path& workFile) {
    File file = File::OpenReadWrite(workFile);
    return file.IsOpen() && !file.TryLock();
}

std::vector<FoundRecord> FindResumable(const fs::path& folder, std::string_view program) {
    std::vector<FoundRecord> found;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path path = it->path();
        const std::string name = path.filename().string();
        if (name.size() != 12 + kRecordSuffix.size() || OwnerWorkFile(path).empty() ||
            !name.ends_with(kRecordSuffix)) {
            continue;
        }
        const fs::path workFile = OwnerWorkFile(path);
        std::error_code statError;
        const bool haveWorkFile = fs::is_regular_file(fs::symlink_status(workFile, statError));
        if (haveWorkFile && WorkFileInUse(workFile)) {
            continue;  // a download under way in some program
        }
        std::string why;
        std::optional<ResumeRecord> record = ReadResumeRecord(path, &why);
        if (record && record->program != program) {
            continue;  // another program's, left for it
        }
        if (record && haveWorkFile) {
            const uint64_t size = fs::file_size(workFile, statError);
            const bool fits =
                !statError && (record->multiStream ? size == record->size : size >= record->Done());
            if (fits) {
                found.push_back({workFile, path, std::move(*record)});
                continue;
            }
            why = "the work file is not as large as the record says";
        } else if (record) {
            why = "its work file is gone";
        }
        DebugLog::Write("Unfinished download record " + path.string() + " cannot be used (" + why +
                        "): removed, the download starts over");
        RemoveRegularFile(path);
        if (haveWorkFile) {
            RemoveRegularFile(workFile);
        }
    }
    return found;
}

void RemoveStaleWorkFiles(const fs::path& folder, std::chrono::seconds maxAge,
                          const std::set<fs::path>& keep) {
    std::error_code ec;
    std::vector<fs::path> doomed;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path path = it->path();
        const fs::path workFile = OwnerWorkFile(path);
        if (workFile.empty() || keep.count(path) != 0 || keep.count(workFile) != 0) {
            continue;
        }
        std::error_code statError;
        if (!fs::is_regular_file(fs::symlink_status(path, statError)) || !OlderThan(path, maxAge)) {
            continue;
        }
        // The work file's lock guards its record too: a running download may write an old
        // record again at any moment.
        if (fs::exists(workFile, statError) && WorkFileInUse(workFile)) {
            continue;
        }
        doomed.push_back(path);
    }
    for (const fs::path& path : doomed) {
        DebugLog::Write("Removing the left-over work file " + path.string());
        RemoveRegularFile(path);
    }
}

}  // namespace talvex
