#pragma once
// The Download tab's requests carried out by the engine. Reading a playlist or channel page
// runs a site script that may wait on the network for a minute, so such a request is prepared
// on a worker and its items are queued when it ends; the window stays responsive meanwhile.
// Requests are queued in the order they were made: one that needs no page waits behind an
// earlier one that is still being read.
#include <QObject>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

#include "engine/Engine.h"
#include "ui/IDownloadService.h"

namespace talvex::ui {

class EngineDownloads : public QObject, public IDownloadService {
    Q_OBJECT
public:
    explicit EngineDownloads(Engine& engine, QObject* parent = nullptr);
    // Waits for pages still being read (their items are dropped): their scripts use the engine.
    ~EngineDownloads() override;

    bool FilterUnsupportedSites(std::vector<std::wstring>& urls) override;
    bool ContainPlayList(const std::vector<std::wstring>& urls) override;
    void RemovePlayLists(std::vector<std::wstring>& urls) override;
    bool ContainChannels(const std::vector<std::wstring>& urls) override;
    void RemoveChannels(std::vector<std::wstring>& urls) override;
    void Download(const std::vector<std::wstring>& urls, DownloadQuality qualityCode,
                  bool downloadPlaylists, bool downloadChannels, bool autoConvert,
                  bool deleteOriginal, ConversionQuality convertQuality,
                  int32_t convertType) override;

    // Requests whose pages are still being read.
    int PendingCount() const;
    // Stops queuing: requests still being read are dropped when they end. Called when the
    // window closes, before the queue is stopped.
    void Cancel();
    // Waits until no page is being read any more.
    void WaitForWorkers();

private:
    struct Job {
        Engine::DownloadBatch batch;
        bool ready = false;
    };
    // Queues the ready requests at the head of the line, in order.
    void QueueReady();

    Engine& engine_;
    std::deque<std::shared_ptr<Job>> jobs_;  // user-interface thread only
    bool canceled_ = false;
    // Workers in flight, and whether the window still takes their results.
    struct Shared {
        std::mutex lock;
        std::condition_variable idle;
        int running = 0;
        bool alive = true;
    };
    std::shared_ptr<Shared> shared_;
};

}  // namespace talvex::ui
