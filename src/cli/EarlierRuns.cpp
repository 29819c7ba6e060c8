#include "cli/EarlierRuns.h"

#include <cstdio>
#include <set>

#include "cli/Console.h"
#include "download/DownloadItem.h"
#include "download/DownloadPaths.h"
#include "download/ResumeFolder.h"
#include "platform/FileOps.h"
#include "platform/Utf8.h"

namespace talvex::cli {

namespace fs = std::filesystem;

namespace {

std::string Megabytes(uint64_t bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1048576.0);
    return text;
}

}  // namespace

size_t GoOnWithEarlierRuns(const std::vector<RefPtr<ActivityItem>>& items,
                           const std::wstring& folder, bool startOver, Console& console) {
    std::vector<FoundRecord> found = FindResumable(ToPath(folder), kRecordProgram);
    std::vector<bool> used(found.size(), false);
    std::set<fs::path> keep;
    size_t goingOn = 0;
    for (const RefPtr<ActivityItem>& item : items) {
        if (!item->IsDownload()) {
            continue;
        }
        auto& download = static_cast<DownloadItem&>(*item);
        const std::wstring page = download.PageUrl();
        const int32_t quality = DownloadQualityNumber(download.FormatChoice());
        for (size_t i = 0; i < found.size(); ++i) {
            const ResumeRecord& record = found[i].record;
            if (used[i] || record.pageUrl != page || record.formatChoice != quality) {
                continue;
            }
            used[i] = true;
            const std::string address = WideToUtf8(page);
            if (startOver) {
                RemoveRegularFile(found[i].recordFile);
                RemoveRegularFile(found[i].workFile);
                console.Message("talvex-cli: " + address + ": starting over (" +
                                Megabytes(record.Done()) + " of an earlier run dropped)");
            } else if (download.AdoptRecord(found[i], false)) {
                keep.insert(found[i].workFile);
                ++goingOn;
                console.Message("talvex-cli: " + address + ": going on from " +
                                Megabytes(record.Done()) + " of " + Megabytes(record.size) +
                                " left by an earlier run");
            }
            break;
        }
    }
    RemoveStaleWorkFiles(ToPath(folder), kStaleWorkFileAge, keep);
    return goingOn;
}

}  // namespace talvex::cli
