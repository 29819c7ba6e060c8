// Unfinished downloads across restarts: where the desktop program looks for them at its start,
// and the items that take them on.
#include <algorithm>
#include <set>

#include "app/DebugLog.h"
#include "convert/ConvertItem.h"
#include "download/DownloadItem.h"
#include "download/DownloadPaths.h"
#include "download/ResumeFolder.h"
#include "engine/Engine.h"

namespace talvex {

namespace fs = std::filesystem;

namespace {

// How many recent download folders are remembered.
constexpr size_t kMaxResumeFolders = 8;

std::vector<std::wstring> SplitLines(const std::wstring& text) {
    std::vector<std::wstring> lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos) {
            end = text.size();
        }
        if (end > start) {
            lines.push_back(text.substr(start, end - start));
        }
        start = end + 1;
    }
    return lines;
}

}  // namespace

std::vector<std::wstring> Engine::ResumeFolders() const {
    std::vector<std::wstring> folders =
        SplitLines(settings_.GetString(setting::kResumeFolders, L""));
    const std::wstring current = settings_.GetDownloadFolder();
    if (!current.empty() && std::find(folders.begin(), folders.end(), current) == folders.end()) {
        folders.insert(folders.begin(), current);
    }
    return folders;
}

void Engine::RememberResumeFolder(const std::wstring& folder) {
    if (folder.empty() || folder.find(L'\n') != std::wstring::npos) {
        return;
    }
    std::vector<std::wstring> folders =
        SplitLines(settings_.GetString(setting::kResumeFolders, L""));
    if (!folders.empty() && folders.front() == folder) {
        return;  // the usual case: nothing to write
    }
    folders.erase(std::remove(folders.begin(), folders.end(), folder), folders.end());
    folders.insert(folders.begin(), folder);
    folders.resize(std::min(folders.size(), kMaxResumeFolders));
    std::wstring text;
    for (const std::wstring& line : folders) {
        text += line + L"\n";
    }
    settings_.SetString(setting::kResumeFolders, text);
}

std::vector<RefPtr<DownloadItem>> Engine::TakeOnUnfinished(const std::wstring& folder,
                                                           bool paused) {
    std::vector<RefPtr<DownloadItem>> items;
    for (const FoundRecord& found : FindResumable(ToPath(folder), recordProgram_)) {
        const ResumeRecord& record = found.record;
        const std::optional<DownloadQuality> quality =
            DownloadQualityFromNumber(record.formatChoice);
        if (!quality) {
            continue;
        }
        RefPtr<DownloadItem> item(new DownloadItem(&parser_, *quality, record.convertFlag));
        item->SetRecordProgram(recordProgram_);
        item->ownerWindow = mainWindow_.load();
        item->SetAutoConvert(record.autoConvert);
        const ConversionQuality conversionQuality =
            ConversionQualityFromNumber(record.conversionQuality)
                .value_or(ConversionQuality::kHigh);
        item->quality = conversionQuality;
        item->profile = record.conversionProfile;
        if (!item->AdoptRecord(found, paused)) {
            continue;  // another program took it on meanwhile
        }
        AttachFollowUp(*item, ItemSettings{*quality, record.autoConvert, record.convertFlag,
                                           conversionQuality, record.conversionProfile});
        items.push_back(item);
    }
    return items;
}

size_t Engine::RestoreUnfinished() {
    size_t listed = 0;
    for (const std::wstring& folder : ResumeFolders()) {
        std::set<fs::path> keep;
        for (const RefPtr<DownloadItem>& item : TakeOnUnfinished(folder, true)) {
            keep.insert(ToPath(item->WorkPath()));
            queue_.AddPaused(item.get());
            ++listed;
        }
        RemoveStaleWorkFiles(ToPath(folder), kStaleWorkFileAge, keep);
    }
    if (listed != 0) {
        DebugLog::Write("Listed " + std::to_string(listed) + " unfinished download(s) again");
    }
    return listed;
}

}  // namespace talvex
