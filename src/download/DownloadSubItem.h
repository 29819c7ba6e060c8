#pragma once
// The transfers of a download item: one plain GET of the whole file, one ranged GET per segment,
// or one RTMP stream. Each runs on its own thread-pool work item, writes straight into the
// item's temporary file at its own offsets, keeps its own progress figures, and reports its end
// to the item, which decides what the whole download's state becomes.
#include <atomic>
#include <cstdint>
#include <memory>

#include "activity/ProgressStatistics.h"
#include "app/threads/DRefCounted.h"
#include "app/threads/LockedRef.h"
#include "download/DownloadItem.h"

namespace talvex {

// The reference count is the first base: its "delete this" then needs no pointer adjustment,
// which g++'s -Wfree-nonheap-object check misreads as freeing a pointer into an object.
class DownloadItem::DownloadSubItem : public DRefCounted, public ProgressStatistics {
public:
    enum RunState : int32_t { kCreated = 0, kRunning = 1, kFinished = 2 };

    explicit DownloadSubItem(DownloadItem* item);
    ~DownloadSubItem() override;

    // One transfer attempt; ends by telling the item (OnSubItemComplete).
    virtual bool Run() = 0;
    // Asks a running transfer to end at its next chunk. True.
    virtual bool Stop();
    // Continues a stopped segment; the other kinds cannot resume (false).
    virtual bool Resume() { return false; }
    bool IsRunning() const { return runState.load() == kRunning; }
    // Keeps the figures and lets the item rewrite its record when that is due.
    bool Update(uint64_t done, uint64_t counted, double speed, double altSpeed) override;
    uint32_t GetResult() const { return result.load(); }
    // Neither success (0) nor stopped by the user (15).
    bool HasFailed() const;

    std::atomic<int32_t> runState{kCreated};
    std::atomic<bool> stopRequested{false};
    LockedRef<DownloadItem> item;
    std::atomic<uint32_t> result{0};
    // The errno of a write into the file that failed the transfer; 0 when the disk was not
    // the cause.
    std::atomic<int> writeError{0};
};

class DownloadItem::OneStreamSubItem : public DownloadItem::DownloadSubItem {
public:
    // resumeAt: bytes of a file of size bytes already on disk; the rest is asked for with a
    // range, and a server that answers with the whole file makes the download start over.
    explicit OneStreamSubItem(DownloadItem* item, uint64_t resumeAt = 0, uint64_t size = 0);
    bool Run() override;
    uint64_t GetDone() override { return position.load(); }
    // The next byte to write: the bytes on disk.
    std::atomic<uint64_t> position;

private:
    const uint64_t resumeAt_;
    const uint64_t size_;
};

class DownloadItem::MultiStreamSubItem : public DownloadItem::DownloadSubItem {
public:
    // done: bytes of the segment from..to already on disk (a recorded segment going on).
    MultiStreamSubItem(DownloadItem* item, uint64_t from, uint64_t to, uint64_t done = 0);

    bool Run() override;
    bool Resume() override { return AsyncResume(); }
    // Queues the transfer of what is left of the segment, unless it is running or complete.
    bool AsyncResume();
    // Bytes of this segment already in the file (the running count continues from there).
    uint64_t GetDone() override;

    uint64_t SegmentStart() const { return segmentStart_; }
    uint64_t From() const { return from.load(); }
    uint64_t To() const { return to; }
    uint64_t Position() const { return position.load(); }

    // The range still to fetch is from..to; position is the next byte to write.
    std::atomic<uint64_t> from;
    const uint64_t to;
    std::atomic<uint64_t> position;

private:
    const uint64_t segmentStart_;
};

class DownloadItem::RTMPStreamSubItem : public DownloadItem::DownloadSubItem {
public:
    using DownloadSubItem::DownloadSubItem;
    bool Run() override;
};

}  // namespace talvex
