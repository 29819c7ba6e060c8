#pragma once
// The engine as the Download tab sees it, recording every call. Playlists and channels are
// recognised by the engine's own address rules; an address is "unsupported" when it names
// the host unsupported.example. Download also notes the folder stored at that moment, since
// the engine reads it from the settings.
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "app/SettingsStore.h"
#include "engine/SiteAddresses.h"
#include "ui/IDownloadService.h"

namespace talvex::test {

inline constexpr wchar_t kUnsupportedHost[] = L"unsupported.example";

class RecordingDownloadService : public ui::IDownloadService {
public:
    struct DownloadCall {
        std::vector<std::wstring> urls;
        DownloadQuality qualityCode;
        bool downloadPlaylists, downloadChannels, autoConvert, deleteOriginal;
        ConversionQuality convertQuality;
        int32_t convertType;
        std::wstring storedFolder;
    };

    explicit RecordingDownloadService(const SettingsStore* settings = nullptr)
        : settings_(settings) {}

    bool FilterUnsupportedSites(std::vector<std::wstring>& urls) override {
        calls.push_back("FilterUnsupportedSites");
        return std::erase_if(urls, [](const std::wstring& url) {
                   return url.find(kUnsupportedHost) != std::wstring::npos;
               }) > 0;
    }
    bool ContainPlayList(const std::vector<std::wstring>& urls) override {
        calls.push_back("ContainPlayList");
        return talvex::ContainPlayList(urls);
    }
    void RemovePlayLists(std::vector<std::wstring>& urls) override {
        calls.push_back("RemovePlayLists");
        talvex::RemovePlayLists(urls);
    }
    bool ContainChannels(const std::vector<std::wstring>& urls) override {
        calls.push_back("ContainChannels");
        return talvex::ContainChannels(urls);
    }
    void RemoveChannels(std::vector<std::wstring>& urls) override {
        calls.push_back("RemoveChannels");
        talvex::RemoveChannels(urls);
    }
    void Download(const std::vector<std::wstring>& urls, DownloadQuality qualityCode,
                  bool downloadPlaylists, bool downloadChannels, bool autoConvert,
                  bool deleteOriginal, ConversionQuality convertQuality,
                  int32_t convertType) override {
        calls.push_back("Download");
        downloads.push_back({urls, qualityCode, downloadPlaylists, downloadChannels, autoConvert,
                             deleteOriginal, convertQuality, convertType,
                             settings_ != nullptr
                                 ? settings_->GetString(setting::kDownloadDirectory, L"")
                                 : std::wstring()});
    }

    std::vector<std::string> calls;
    std::vector<DownloadCall> downloads;

private:
    const SettingsStore* settings_;
};

}  // namespace talvex::test
