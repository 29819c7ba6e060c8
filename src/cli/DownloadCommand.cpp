#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/SettingsStore.h"
#include "app/StringTable.h"
#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/ItemRunner.h"
#include "engine/Engine.h"
#include "platform/Utf8.h"

namespace talvex::cli {

namespace fs = std::filesystem;

namespace {

// The stored "DownloadQuality" read back as the Download tab does: a code it does not offer
// is "best".
int32_t StoredQuality(const SettingsStore& settings) {
    const uint32_t code = settings.GetNumber(setting::kDownloadQuality);
    switch (code) {
        case 2:
        case 4:
        case 5:
        case 7:
        case 8:
        case 9:
            return static_cast<int32_t>(code);
        default:
            return 6;
    }
}

// The folder the files go to: --folder, else the desktop program's; empty when it does not
// exist (a usage error).
std::wstring DestinationFolder(const DownloadOptions& options, Engine& engine, Console& console) {
    fs::path folder = options.folder
                          ? fs::path(*options.folder)
                          : fs::path(WideToUtf8(engine.GetSettings()->GetDownloadFolder()));
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        console.Message("talvex-cli: the destination folder " + folder.string() +
                        " does not exist");
        return {};
    }
    const fs::path absolute = fs::absolute(folder, ec);
    return Utf8ToWide((ec ? folder : absolute.lexically_normal()).string());
}

// Applies a --playlists or --channels answer to the addresses of that kind, as the Download
// tab applies the answer to its question; the flag Download takes.
bool ApplyListChoice(ListChoice choice, std::vector<std::wstring>& urls,
                     void (Engine::*remove)(std::vector<std::wstring>&), Engine& engine) {
    switch (choice) {
        case ListChoice::All:
            return true;
        case ListChoice::Single:
            return false;
        case ListChoice::Skip:
            (engine.*remove)(urls);
            return true;
    }
    return true;
}

}  // namespace

int RunDownload(const DownloadOptions& options, CommandContext& context) {
    Engine& engine = context.engine;
    const StringTable* strings = engine.GetStringTable();
    const std::wstring folder = DestinationFolder(options, engine, context.console);
    if (folder.empty()) {
        return kExitUsage;
    }
    engine.SetDownloadFolder(folder);

    std::vector<std::wstring> urls;
    for (const std::string& url : options.urls) {
        urls.push_back(Utf8ToWide(url));
    }
    const std::vector<std::wstring> given = urls;
    if (engine.FilterUnsupportedSites(urls)) {
        for (const std::wstring& url : given) {
            if (std::find(urls.begin(), urls.end(), url) == urls.end()) {
                context.console.Message("talvex-cli: not supported: " + WideToUtf8(url));
            }
        }
        context.console.Message(WideToUtf8(strings->GetText(
            L"msg.err.unsuport.site",
            L"It appears you're trying to download videos from a site we do not support.\n"
            L"These videos have not been moved to your activity tab.")));
    }
    if (urls.empty()) {
        return kExitFailed;
    }

    bool playlists = true;
    if (engine.ContainPlayList(urls)) {
        playlists = ApplyListChoice(options.playlists, urls, &Engine::RemovePlayLists, engine);
    }
    bool channels = true;
    if (engine.ContainChannels(urls)) {
        channels = ApplyListChoice(options.channels, urls, &Engine::RemoveChannels, engine);
    }
    if (urls.empty()) {
        context.console.Message("talvex-cli: nothing left to download");
        return kExitOk;
    }

    const int32_t quality = options.quality.value_or(StoredQuality(*engine.GetSettings()));
    const bool autoConvert = options.convertProfile.has_value();
    engine.Download(urls, quality, playlists, channels, autoConvert, options.deleteOriginal,
                    options.convertQuality, options.convertProfile.value_or(0));
    ItemRunner runner(engine, context.loop, context.console, context.view);
    return runner.Run(context.results);
}

}  // namespace talvex::cli
