// The item's life: made, copied for a playlist entry, dropped with what it still owns; and the
// seams through which tests hold it where they need it.
#include "download/DownloadItem.h"

#include "activity/WorkFileObserver.h"
#include "download/DownloadSubItem.h"
#include "platform/ThreadPool.h"

namespace talvex {

DownloadItem::DownloadItem(SiteParser* parser, DownloadQuality formatChoice, bool convertFlag)
    : ActivityItem(ActivityKind::Download),
      parser_(parser),
      formatChoice_(formatChoice),
      convertFlag_(convertFlag) {}

DownloadItem::~DownloadItem() {
    // An item dropped while it still owns a temporary file (paused, or never finished) takes
    // the file and its record with it: no partial download is ever left behind, but for one
    // stopped at the program's end, which is kept for the next start.
    outputFile_.reset();
    if (!tempPath_.empty() && !keepWork_.load()) {
        RemoveRegularFile(tempPath_);
        ReleaseWorkFile(tempPath_);
        DiscardRecord();
    }
}

RefPtr<DownloadItem> DownloadItem::MakeChild(const std::wstring& pageUrl) const {
    RefPtr<DownloadItem> child(new DownloadItem(parser_, formatChoice_, convertFlag_));
    {
        std::lock_guard<std::mutex> guard(textLock_);
        child->workPath = workPath;
    }
    child->autoConvert_ = autoConvert_;
    child->multiStream_.store(multiStream_.load());
    child->retrySingle_.store(retrySingle_.load());
    child->quality = quality;
    child->profile = profile;
    child->transferTimeouts_ = transferTimeouts_;
    child->SetPageUrl(pageUrl);
    return child;
}

bool DownloadItem::QueueWork(std::function<void()> work) {
    WorkQueue queue;
    {
        std::lock_guard<DCriticalSection> guard(subItemLock_);
        queue = workQueue_;
    }
    return queue ? queue(std::move(work)) : ThreadPool::Global().Queue(std::move(work));
}

void DownloadItem::SetWorkQueue(WorkQueue queue) {
    std::lock_guard<DCriticalSection> guard(subItemLock_);
    workQueue_ = std::move(queue);
}

void DownloadItem::SetWindUpHook(std::function<void()> hook) {
    std::lock_guard<DCriticalSection> guard(subItemLock_);
    windUpHook_ = std::move(hook);
}

}  // namespace talvex
