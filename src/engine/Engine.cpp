#include "engine/Engine.h"

#include <algorithm>

#include "app/DebugLog.h"
#include "convert/ConvertItem.h"
#include "download/DownloadItem.h"
#include "engine/SiteAddresses.h"
#include "net/TransferRateLimit.h"
#include "platform/Folders.h"
#include "platform/MessageSink.h"

namespace talvex {

Engine::Engine() : parser_(&strings_) {
    context_.settings = &settings_;
    context_.engine = this;
}

Engine::~Engine() {
    pipe_.StopListening();
}

void Engine::Init(IMessageSink* mainWindow) {
    mainWindow_.store(mainWindow);
    context_.mainWindow = mainWindow;
    if (!parser_.LoadScripts(true) && mainWindow != nullptr) {
        mainWindow->Post(kMsgRunUpdateCheck, 0, 0);
    }
    strings_.LoadCurrentLanguage(settings_, ResourceFolder());
    ApplyDownloadSpeedLimit(settings_);
    // The HTTP client has no per-server connection limit below the 32 the segmented downloads
    // of three items could ever need, so there is nothing to raise here.
}

bool Engine::Download(const std::vector<std::wstring>& urls, DownloadQuality formatChoice,
                      bool downloadPlaylists, bool downloadChannels, bool autoConvert,
                      bool convertFlag, ConversionQuality quality, int32_t profile) {
    DebugLog::Write("Enter Engine::Download");
    QueueBatch(PrepareDownload(urls, formatChoice, downloadPlaylists, downloadChannels, autoConvert,
                               convertFlag, quality, profile));
    DebugLog::Write("Exit Engine::Download");
    return true;
}

Engine::DownloadBatch Engine::PrepareDownload(const std::vector<std::wstring>& urls,
                                              DownloadQuality formatChoice, bool downloadPlaylists,
                                              bool downloadChannels, bool autoConvert,
                                              bool convertFlag, ConversionQuality quality,
                                              int32_t profile) {
    const ItemSettings settings{formatChoice, autoConvert, convertFlag, quality, profile};
    const std::wstring folder =
        downloadFolder_.empty() ? settings_.GetDownloadFolder() : downloadFolder_;
    DownloadBatch batch;
    if (downloadFolder_.empty() && !urls.empty()) {
        RememberResumeFolder(folder);
    }
    for (const std::wstring& url : urls) {
        RefPtr<DownloadItem> item(new DownloadItem(&parser_, formatChoice, convertFlag));
        item->SetAutoConvert(autoConvert);
        item->quality = quality;
        item->profile = profile;
        item->SetPageUrl(url);
        item->SetRecordProgram(recordProgram_);
        item->ownerWindow = mainWindow_.load();
        item->workPath = folder;
        const bool playlist = downloadPlaylists && IsPlayListAddress(url);
        const bool channel = downloadChannels && IsChannelAddress(url);
        if (playlist || channel) {
            // The script collects a page's ids only when told the page is a list: a channel
            // the user asked to expand is one, whatever the playlist option says.
            Expand(*item, playlist ? downloadPlaylists : downloadChannels, settings, batch);
            continue;
        }
        AttachFollowUp(*item, settings);
        batch.items.emplace_back(item.get());
    }
    return batch;
}

void Engine::QueueBatch(const DownloadBatch& batch) {
    for (const RefPtr<ActivityItem>& item : batch.items) {
        queue_.Add(item.get());
    }
}

bool Engine::NeedsExpansion(const std::vector<std::wstring>& urls, bool downloadPlaylists,
                            bool downloadChannels) {
    return std::any_of(urls.begin(), urls.end(), [&](const std::wstring& url) {
        return (downloadPlaylists && IsPlayListAddress(url)) ||
               (downloadChannels && IsChannelAddress(url));
    });
}

void Engine::AttachFollowUp(DownloadItem& item, const ItemSettings& settings) {
    if (!settings.autoConvert) {
        return;
    }
    RefPtr<ConvertItem> conversion(new ConvertItem(settings.profile, settings.quality));
    conversion->convertFlag = item.ConvertFlag();
    conversion->ownerWindow = mainWindow_.load();
    item.followUp.Store(conversion.get());
}

void Engine::Expand(DownloadItem& parent, bool listParent, const ItemSettings& settings,
                    DownloadBatch& batch) {
    parent.SetIsListParent(listParent);
    parser_.Execute1(parent);
    const std::map<int32_t, std::wstring> ids = parent.IdList();
    if (ids.empty()) {
        batch.emptyLists.emplace_back(parent.PageUrl(), parent.ErrorText());
    }
    const int32_t count = static_cast<int32_t>(ids.size());
    for (int32_t key = 0; key < count; ++key) {
        auto it = ids.find(key);
        const std::wstring id = it != ids.end() ? it->second : std::wstring();
        RefPtr<DownloadItem> child = parent.MakeChild(WatchAddressForVideo(id));
        child->SetRecordProgram(recordProgram_);
        child->ownerWindow = mainWindow_.load();
        AttachFollowUp(*child, settings);
        batch.items.emplace_back(child.get());
    }
}

bool Engine::ContainPlayList(const std::vector<std::wstring>& urls) {
    return talvex::ContainPlayList(urls);
}

bool Engine::ContainChannels(const std::vector<std::wstring>& urls) {
    DebugLog::Write("Enter Engine::ContainPlayList");
    return talvex::ContainChannels(urls);
}

void Engine::RemovePlayLists(std::vector<std::wstring>& urls) {
    talvex::RemovePlayLists(urls);
}

void Engine::RemoveChannels(std::vector<std::wstring>& urls) {
    talvex::RemoveChannels(urls);
}

bool Engine::FilterUnsupportedSites(std::vector<std::wstring>& urls) {
    DebugLog::Write("Enter Engine::FilterUnsupportedSites");
    const size_t before = urls.size();
    urls.erase(std::remove_if(
                   urls.begin(), urls.end(),
                   [this](const std::wstring& url) { return parser_.GetScript(url) == nullptr; }),
               urls.end());
    DebugLog::Write("Exit Engine::FilterUnsupportedSites");
    return urls.size() != before;
}

void Engine::ApplyDownloadSpeedLimit(const SettingsStore& settings) {
    SetDownloadSpeedLimit(settings.GetNumber(setting::kMaxDownloadSpeed));
}

void Engine::SetDownloadSpeedLimit(uint64_t bytesPerSecond) {
    TransferRateLimit::Global().SetRate(bytesPerSecond);
}

void Engine::AddItem(ActivityItem* item) {
    if (item == nullptr) {
        return;
    }
    item->ownerWindow = mainWindow_.load();
    queue_.Add(item);
}

void Engine::StopAll() {
    try {
        queue_.StopAll();
    } catch (...) {
    }
}

}  // namespace talvex
