#include "ui/EngineDownloads.h"

#include <QMetaObject>

#include "platform/ThreadPool.h"

namespace talvex::ui {

EngineDownloads::EngineDownloads(Engine& engine, QObject* parent)
    : QObject(parent), engine_(engine), shared_(std::make_shared<Shared>()) {}

EngineDownloads::~EngineDownloads() {
    Cancel();
    WaitForWorkers();
}

bool EngineDownloads::FilterUnsupportedSites(std::vector<std::wstring>& urls) {
    return engine_.FilterUnsupportedSites(urls);
}

bool EngineDownloads::ContainPlayList(const std::vector<std::wstring>& urls) {
    return engine_.ContainPlayList(urls);
}

void EngineDownloads::RemovePlayLists(std::vector<std::wstring>& urls) {
    engine_.RemovePlayLists(urls);
}

bool EngineDownloads::ContainChannels(const std::vector<std::wstring>& urls) {
    return engine_.ContainChannels(urls);
}

void EngineDownloads::RemoveChannels(std::vector<std::wstring>& urls) {
    engine_.RemoveChannels(urls);
}

void EngineDownloads::Download(const std::vector<std::wstring>& urls, DownloadQuality qualityCode,
                               bool downloadPlaylists, bool downloadChannels, bool autoConvert,
                               bool deleteOriginal, ConversionQuality convertQuality,
                               int32_t convertType) {
    if (canceled_) {
        return;
    }
    auto job = std::make_shared<Job>();
    jobs_.push_back(job);
    if (!Engine::NeedsExpansion(urls, downloadPlaylists, downloadChannels)) {
        // No page to read: the items are made here at once (and queued at once unless an
        // earlier request is still being read).
        job->batch =
            engine_.PrepareDownload(urls, qualityCode, downloadPlaylists, downloadChannels,
                                    autoConvert, deleteOriginal, convertQuality, convertType);
        job->ready = true;
        QueueReady();
        return;
    }
    {
        std::lock_guard<std::mutex> hold(shared_->lock);
        ++shared_->running;
    }
    Engine* engine = &engine_;
    std::shared_ptr<Shared> shared = shared_;
    QObject* self = this;
    const bool queued = ThreadPool::Global().Queue([=] {
        Engine::DownloadBatch batch;
        try {
            batch =
                engine->PrepareDownload(urls, qualityCode, downloadPlaylists, downloadChannels,
                                        autoConvert, deleteOriginal, convertQuality, convertType);
        } catch (...) {
            // A failed read queues nothing, as a list without videos does.
        }
        std::lock_guard<std::mutex> hold(shared->lock);
        if (shared->alive) {
            // Posted under the lock, so that the window cannot be destroyed in between.
            QMetaObject::invokeMethod(
                self,
                [self, job, batch = std::move(batch)]() mutable {
                    auto* downloads = static_cast<EngineDownloads*>(self);
                    job->batch = std::move(batch);
                    job->ready = true;
                    downloads->QueueReady();
                },
                Qt::QueuedConnection);
        }
        --shared->running;
        shared->idle.notify_all();
    });
    if (!queued) {
        std::lock_guard<std::mutex> hold(shared_->lock);
        --shared_->running;
        job->ready = true;
        QueueReady();
    }
}

void EngineDownloads::QueueReady() {
    while (!jobs_.empty() && jobs_.front()->ready) {
        std::shared_ptr<Job> job = jobs_.front();
        jobs_.pop_front();
        if (canceled_) {
            continue;
        }
        engine_.QueueBatch(job->batch);
    }
}

int EngineDownloads::PendingCount() const {
    int pending = 0;
    for (const auto& job : jobs_) {
        pending += job->ready ? 0 : 1;
    }
    return pending;
}

void EngineDownloads::Cancel() {
    canceled_ = true;
    jobs_.clear();
    std::lock_guard<std::mutex> hold(shared_->lock);
    shared_->alive = false;
}

void EngineDownloads::WaitForWorkers() {
    std::unique_lock<std::mutex> hold(shared_->lock);
    shared_->idle.wait(hold, [this] { return shared_->running == 0; });
}

}  // namespace talvex::ui
