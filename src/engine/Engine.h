#pragma once
// The program's central object, one for the life of the process: it owns the settings store,
// the thread manager, the site script interpreter, the localized texts, the activity queue and
// the instance pipe listener, turns page addresses into download items (expanding playlist and
// channel pages into one item per video, attaching a conversion when asked), and queues them.
// All of its operations run on the user-interface thread.
#include <atomic>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "activity/ActivityQueue.h"
#include "activity/AppContext.h"
#include "activity/ConversionQuality.h"
#include "activity/IEngine.h"
#include "app/InstancePipe.h"
#include "app/SettingsStore.h"
#include "app/StringTable.h"
#include "app/threads/DThreadManager.h"
#include "scripts/DownloadQuality.h"
#include "scripts/SiteParser.h"

namespace talvex {

class DownloadItem;
class IMessageSink;

class Engine : public IEngine {
public:
    // Settings in the user's settings file; the pipe in the user's runtime folder.
    Engine();
    // Stops nothing: the front end calls StopAll first when items still run. Joins the
    // dedicated threads for at most a second.
    ~Engine() override;
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // Keeps the main window (which receives every finished notice), loads the script file
    // (posting kMsgRunUpdateCheck to the window when it cannot be loaded) and the language file
    // named by the "Language" setting.
    void Init(IMessageSink* mainWindow);

    // One download item per address (or, for a playlist or channel page that is to be
    // expanded, one per video of the page), each with a follow-up conversion when autoConvert
    // is set, added to the queue in order. Always true: failures show as failed items.
    bool Download(const std::vector<std::wstring>& urls, DownloadQuality formatChoice,
                  bool downloadPlaylists, bool downloadChannels, bool autoConvert, bool convertFlag,
                  ConversionQuality quality, int32_t profile);

    // Download in two steps, so that a front end can read list pages without blocking its
    // window: PrepareDownload makes the items in order (running the site script of every
    // playlist or channel page that is to be expanded, which may take as long as the network
    // takes) and may run on any thread; QueueBatch then adds them to the queue on the
    // user-interface thread. Download is the two in a row.
    struct DownloadBatch {
        std::vector<RefPtr<ActivityItem>> items;
        // The playlist and channel pages that gave no video, each with the error text of its
        // script run (empty when the script set none), for a front end that reports them.
        std::vector<std::pair<std::wstring, std::wstring>> emptyLists;
    };
    DownloadBatch PrepareDownload(const std::vector<std::wstring>& urls,
                                  DownloadQuality formatChoice, bool downloadPlaylists,
                                  bool downloadChannels, bool autoConvert, bool convertFlag,
                                  ConversionQuality quality, int32_t profile);
    void QueueBatch(const DownloadBatch& batch);
    // Whether PrepareDownload would run a site script for these addresses and options.
    static bool NeedsExpansion(const std::vector<std::wstring>& urls, bool downloadPlaylists,
                               bool downloadChannels);

    bool ContainPlayList(const std::vector<std::wstring>& urls);
    bool ContainChannels(const std::vector<std::wstring>& urls);
    void RemovePlayLists(std::vector<std::wstring>& urls);
    void RemoveChannels(std::vector<std::wstring>& urls);
    // Removes the addresses no site script handles; true when any was removed.
    bool FilterUnsupportedSites(std::vector<std::wstring>& urls);
    // The folder later calls of Download put their files in, instead of the "DownloadDirectory"
    // setting (the command-line front end's --folder, which must not change the desktop
    // program's choice); empty goes back to the setting.
    void SetDownloadFolder(std::wstring folder) { downloadFolder_ = std::move(folder); }

    // --- unfinished downloads (EngineUnfinished.cpp) ---
    // The program named in the records of downloads that can go on after a restart; each
    // program goes on only with its own ("talvex" unless set).
    void SetRecordProgram(std::string program) { recordProgram_ = std::move(program); }
    // The desktop program's start: lists every unfinished download of this program found in
    // the folders it downloaded to lately (and the download folder) as a paused item, and
    // removes what crashed runs left there more than a day ago. The number of items listed.
    size_t RestoreUnfinished();
    // An item for each unfinished download of this program in folder, made with the recorded
    // choices and taken on (paused: listed Paused); not queued.
    std::vector<RefPtr<DownloadItem>> TakeOnUnfinished(const std::wstring& folder, bool paused);
    // The folders RestoreUnfinished looks in.
    std::vector<std::wstring> ResumeFolders() const;

    // The limit shared by every media transfer of the process, in bytes a second (0: none),
    // from the "MaxDownloadSpeed" setting; Init applies it. Running transfers keep to a new
    // limit at once.
    static void ApplyDownloadSpeedLimit(const SettingsStore& settings);
    // A limit given as a value: the Download tab's field once it has stored the setting, and
    // talvex-cli --limit-rate for its run only (the setting left as it is).
    static void SetDownloadSpeedLimit(uint64_t bytesPerSecond);

    // Gives the item the main window and queues it (the Convert tab's conversions).
    void AddItem(ActivityItem* item);
    // Stops and removes every item; never throws.
    void StopAll();

    // --- IEngine ---
    SettingsStore* GetSettings() override { return &settings_; }
    IThreadManager* GetThreadManager() override { return &threads_; }
    StringTable* GetStringTable() override { return &strings_; }
    ActivityQueue* GetActivityQueue() override { return &queue_; }
    AppContext* GetAppContext() override { return &context_; }

    SiteParser& Parser() { return parser_; }
    InstancePipe& Pipe() { return pipe_; }
    IMessageSink* MainWindow() const { return mainWindow_.load(); }

private:
    // Settings of every new item from the arguments of Download.
    struct ItemSettings {
        DownloadQuality formatChoice = DownloadQuality::kNormal;
        bool autoConvert = false;
        bool convertFlag = false;
        ConversionQuality quality = ConversionQuality::kHigh;
        int32_t profile = 0;
    };
    void AttachFollowUp(DownloadItem& item, const ItemSettings& settings);
    // Remembers a folder the desktop program downloads to (ResumeFolders).
    void RememberResumeFolder(const std::wstring& folder);
    // Runs the page's script here and adds one item per video id it found to the batch.
    void Expand(DownloadItem& parent, bool listParent, const ItemSettings& settings,
                DownloadBatch& batch);

    // Members are destroyed in reverse order: the queue (and with it the items' last
    // references from it) before the interpreter and the texts the items use.
    std::atomic<IMessageSink*> mainWindow_{nullptr};
    std::wstring downloadFolder_;
    std::string recordProgram_ = "talvex";
    SettingsStore settings_;
    StringTable strings_;
    SiteParser parser_;
    DThreadManager threads_;
    AppContext context_;
    ActivityQueue queue_;
    InstancePipe pipe_;
};

}  // namespace talvex
