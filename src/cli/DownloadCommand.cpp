#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "app/SettingsStore.h"
#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/EarlierRuns.h"
#include "cli/Interrupt.h"
#include "cli/ItemRunner.h"
#include "cli/ListReading.h"
#include "engine/Engine.h"
#include "platform/Utf8.h"
#include "scripts/DownloadQuality.h"

namespace talvex::cli {

namespace fs = std::filesystem;

namespace {

// The stored "DownloadQuality" read back as the Download tab does: a code it does not offer
// is "best".
DownloadQuality StoredQuality(const SettingsStore& settings) {
    return DownloadQualityFromNumber(settings.GetNumber(setting::kDownloadQuality))
        .value_or(DownloadQuality::kBest);
}

// Why nothing can be stored in folder, tried by making (and removing) a file there: the
// permission bits alone do not tell (they do not bind root, nor a read-only mount). Empty when
// it can.
std::string WhyNotWritable(const fs::path& folder) {
    std::string probe = (folder / ".talvex-cli-XXXXXX").string();
    const int fd = mkstemp(probe.data());
    if (fd < 0) {
        return std::strerror(errno);
    }
    close(fd);
    unlink(probe.c_str());
    return {};
}

// The folder the files go to: --folder, else the desktop program's; empty when it is missing,
// not a folder or cannot be written to (a usage error, found before anything is downloaded).
std::wstring DestinationFolder(const DownloadOptions& options, Engine& engine, Console& console) {
    fs::path folder = options.folder
                          ? fs::path(*options.folder)
                          : fs::path(WideToUtf8(engine.GetSettings()->GetDownloadFolder()));
    std::error_code ec;
    if (!fs::exists(folder, ec)) {
        console.Message("talvex-cli: the destination folder " + folder.string() +
                        " does not exist");
        return {};
    }
    if (!fs::is_directory(folder, ec)) {
        console.Message("talvex-cli: " + folder.string() + " is not a folder");
        return {};
    }
    if (const std::string why = WhyNotWritable(folder); !why.empty()) {
        console.Message("talvex-cli: cannot write to " + folder.string() + ": " + why);
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
    const std::wstring folder = DestinationFolder(options, engine, context.console);
    if (folder.empty()) {
        return kExitUsage;
    }
    engine.SetDownloadFolder(folder);
    if (options.limitRate) {
        // For this run only: Init applied the desktop program's "MaxDownloadSpeed".
        Engine::SetDownloadSpeedLimit(*options.limitRate);
    }
    engine.SetRecordProgram(kRecordProgram);

    std::vector<std::wstring> urls;
    for (const std::string& url : options.urls) {
        urls.push_back(Utf8ToWide(url));
    }
    const std::vector<std::wstring> given = urls;
    if (engine.FilterUnsupportedSites(urls)) {
        const std::unordered_set<std::wstring> kept(urls.begin(), urls.end());
        for (const std::wstring& url : given) {
            if (kept.count(url) == 0) {
                context.console.Message("talvex-cli: not supported: " + WideToUtf8(url));
            }
        }
        // The desktop program's text sends the user to its window; this one to the command
        // that lists the sites.
        context.console.Message(
            "talvex-cli: these addresses are from a site we do not support and are left out; "
            "'talvex-cli sites' lists the supported sites");
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

    const DownloadQuality quality = options.quality.value_or(StoredQuality(*engine.GetSettings()));
    const bool autoConvert = options.convertProfile.has_value();
    std::optional<Engine::DownloadBatch> batch = PrepareUnlessInterrupted([&] {
        return engine.PrepareDownload(urls, quality, playlists, channels, autoConvert,
                                      options.deleteOriginal, options.convertQuality,
                                      options.convertProfile.value_or(0));
    });
    if (!batch) {
        // Interrupted while reading lists: nothing is queued, so nothing needs cleaning up,
        // and the reading cannot be waited for.
        context.console.Message("Stopping...");
        context.console.WaitUntilReleased(1000);
        _exit(128 + InterruptSignal());
    }
    for (const auto& [address, error] : batch->emptyLists) {
        context.console.Message(
            "talvex-cli: " + WideToUtf8(address) + ": " +
            (error.empty() ? std::string("no video found") : WideToUtf8(error)));
    }
    if (batch->items.empty()) {
        return kExitFailed;
    }
    GoOnWithEarlierRuns(batch->items, folder, options.noContinue, context.console);
    ItemRunner runner(engine, context.loop, context.console, context.view);
    runner.Queue(std::move(batch->items));
    return runner.Run(context.results);
}

}  // namespace talvex::cli
