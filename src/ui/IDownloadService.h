#pragma once
// What the Download tab asks of the engine, in the order its DOWNLOAD button asks it. The
// program's implementation is EngineDownloads; tests record the calls.
#include <cstdint>
#include <string>
#include <vector>

#include "activity/ConversionQuality.h"
#include "scripts/DownloadQuality.h"

namespace talvex::ui {

class IDownloadService {
public:
    virtual ~IDownloadService() = default;
    // Removes the addresses no site script handles; true when any was removed.
    virtual bool FilterUnsupportedSites(std::vector<std::wstring>& urls) = 0;
    virtual bool ContainPlayList(const std::vector<std::wstring>& urls) = 0;
    virtual void RemovePlayLists(std::vector<std::wstring>& urls) = 0;
    virtual bool ContainChannels(const std::vector<std::wstring>& urls) = 0;
    virtual void RemoveChannels(std::vector<std::wstring>& urls) = 0;
    // Queues one item per address (playlists and channels that are to be expanded become one
    // item per video, added once their page has been read, without blocking the window).
    virtual void Download(const std::vector<std::wstring>& urls, DownloadQuality qualityCode,
                          bool downloadPlaylists, bool downloadChannels, bool autoConvert,
                          bool deleteOriginal, ConversionQuality convertQuality,
                          int32_t convertType) = 0;
};

}  // namespace talvex::ui
