#include "download/DownloadSubItem.h"

#include "app/DebugLog.h"
#include "net/DNetworking.h"
#include "net/NetResult.h"
#include "net/RtmpConnection.h"
#include "platform/ThreadPool.h"

namespace talvex {

DownloadItem::DownloadSubItem::DownloadSubItem(DownloadItem* owner) : item(owner) {}

DownloadItem::DownloadSubItem::~DownloadSubItem() = default;

bool DownloadItem::DownloadSubItem::Stop() {
    if (IsRunning()) {
        stopRequested.store(true);
    }
    return true;
}

bool DownloadItem::DownloadSubItem::Update(uint64_t done, uint64_t counted, double speed,
                                           double altSpeed) {
    ProgressStatistics::Update(done, counted, speed, altSpeed);
    if (RefPtr<DownloadItem> owner = item.Load()) {
        owner->NoteProgress();
    }
    return true;
}

bool DownloadItem::DownloadSubItem::HasFailed() const {
    uint32_t code = result.load();
    return code != kNetSuccess && code != kNetStopped;
}

namespace {

// A transfer that threw before it could report: the item still has to hear of its end, or it
// would wait for it forever.
template <class Sub>
bool ReportCrash(Sub* sub, DownloadItem* owner, bool reported) {
    if (reported || owner == nullptr) {
        return false;
    }
    try {
        sub->result.store(kNetInternalError);
        sub->runState.store(DownloadItem::DownloadSubItem::kFinished);
        owner->OnSubItemComplete(sub);
    } catch (...) {
    }
    return false;
}

}  // namespace

DownloadItem::OneStreamSubItem::OneStreamSubItem(DownloadItem* owner, uint64_t resumeAt,
                                                 uint64_t size)
    : DownloadSubItem(owner), position(resumeAt), resumeAt_(resumeAt), size_(size) {}

bool DownloadItem::OneStreamSubItem::Run() {
    DebugLog::Write("Enter DownloadItem::OneStreamSubItem::Run()");
    RefPtr<DownloadItem> owner = item.Load();
    bool reported = false;
    try {
        runState.store(kRunning);
        if (!owner) {
            return false;
        }
        DNetworking net(DNetworking::kDefaultUserAgent);
        net.SetTimeouts(owner->TransferTimeouts());
        std::shared_ptr<File> file = owner->OutputFile();
        uint32_t code = kNetWriteFailed;
        if (file && resumeAt_ > 0 && resumeAt_ >= size_) {
            code = kNetSuccess;  // every byte was on disk already
        } else if (file && resumeAt_ > 0) {
            // Going on with a recorded download: only the rest is asked for, and only of the
            // same file (a changed one is sent whole).
            OnSize(size_);
            if (const std::wstring validator = owner->IfRangeValidator(); !validator.empty()) {
                net.AddRequestHeader(L"If-Range", validator);
            }
            code = net.DownloadRange(owner->MediaUrl(), ByteRange{resumeAt_, size_ - 1}, *file,
                                     position, stopRequested, this);
            if (code == kNetRangeIgnored) {
                // The server sends the whole file instead: it is written from the start.
                owner->StartedOver(L"the server no longer sends parts of the file");
                position.store(0);
                code = file->Resize(0) ? kNetSuccess : kNetWriteFailed;
                if (code == kNetSuccess) {
                    code = net.DownloadRange(owner->MediaUrl(), std::nullopt, *file, position,
                                             stopRequested, this);
                }
            }
            writeError.store(net.LastWriteError());
        } else if (file) {
            code = net.DownloadRange(owner->MediaUrl(), std::nullopt, *file, position,
                                     stopRequested, this);
            writeError.store(net.LastWriteError());
        }
        if ((code == kNetSuccess || !file) && stopRequested.load()) {
            code = kNetStopped;
        } else if (code == kNetSuccess) {
            // The body is the file: its size replaces whatever the size query announced.
            owner->sizeMB.store(static_cast<double>(position.load()) / 1048576.0);
        }
        result.store(code);
        runState.store(kFinished);
        DebugLog::Write("Exit DownloadItem::OneStreamSubItem::Run() (success)");
        reported = true;
        return owner->OnSubItemComplete(this);
    } catch (...) {
        DebugLog::Write("Exit DownloadItem::OneStreamSubItem::Run() (fails)");
        return ReportCrash(this, owner.get(), reported);
    }
}

DownloadItem::MultiStreamSubItem::MultiStreamSubItem(DownloadItem* owner, uint64_t first,
                                                     uint64_t last, uint64_t done)
    : DownloadSubItem(owner),
      from(first + done),
      to(last),
      position(first + done),
      segmentStart_(first) {}

uint64_t DownloadItem::MultiStreamSubItem::GetDone() {
    uint64_t at = position.load();
    return at > segmentStart_ ? at - segmentStart_ : 0;
}

bool DownloadItem::MultiStreamSubItem::Run() {
    DebugLog::Write("Enter DownloadItem::MultiStreamSubItem::Run()");
    RefPtr<DownloadItem> owner = item.Load();
    bool reported = false;
    try {
        runState.store(kRunning);
        if (!owner) {
            return false;
        }
        DNetworking net(DNetworking::kDefaultUserAgent);
        net.SetTimeouts(owner->TransferTimeouts());
        std::shared_ptr<File> file = owner->OutputFile();
        uint32_t code = kNetSuccess;
        if (file && from.load() != segmentStart_) {
            // Going on where an earlier run stopped: only of the same file (a changed one is
            // sent whole, which makes the download start over as one stream).
            if (const std::wstring validator = owner->IfRangeValidator(); !validator.empty()) {
                net.AddRequestHeader(L"If-Range", validator);
            }
        }
        if (file) {
            code = net.DownloadRange(owner->MediaUrl(), ByteRange{from.load(), to}, *file, position,
                                     stopRequested, this);
            writeError.store(net.LastWriteError());
        } else if (!stopRequested.load()) {
            code = kNetWriteFailed;
        }
        // The figures are reported at most five times a second: the last bytes before a pause
        // are shown too, as the record counts them.
        const uint64_t done = GetDone();
        ProgressStatistics::Update(done, done, 0.0, 0.0);
        if (code == kNetRangeIgnored) {
            // The server sends the whole file for a range: cancel every segment and let the
            // item run again as one stream. The flag goes first, so that whichever segment
            // ends last already sees it.
            owner->SetRetrySingle();
            owner->Stop();
        }
        result.store(code);
        DebugLog::Write("Exit DownloadItem::MultiStreamSubItem::Run() (success)");
        reported = true;
        return owner->OnSubItemComplete(this);
    } catch (...) {
        DebugLog::Write("Enter DownloadItem::MultiStreamSubItem::Run() (fails)");
        return ReportCrash(this, owner.get(), reported);
    }
}

bool DownloadItem::MultiStreamSubItem::AsyncResume() {
    DebugLog::Write("Enter DownloadItem::MultiStreamSubItem::AsyncResume()");
    if (IsRunning()) {
        DebugLog::Write("Exit DownloadItem::MultiStreamSubItem::AsyncResume() (success)");
        return true;
    }
    stopRequested.store(false);
    from.store(position.load());
    // A segment stopped with its last byte still missing has from == to: that byte is fetched
    // too (a one-byte range), it is not taken as finished.
    if (from.load() <= to) {
        RefPtr<DownloadItem> owner = item.Load();
        if (!owner || !owner->StartSubItem(this)) {
            DebugLog::Write("Exit DownloadItem::MultiStreamSubItem::AsyncResume() (fails)");
            return false;
        }
    } else {
        DebugLog::Write(
            "DownloadItem::MultiStreamSubItem::AsyncResume() - skipping resuming already "
            "finished thread");
    }
    DebugLog::Write("Exit DownloadItem::MultiStreamSubItem::AsyncResume() (success)");
    return true;
}

bool DownloadItem::RTMPStreamSubItem::Run() {
    DebugLog::Write("Enter DownloadItem::RTMPStreamSubItem::Run()");
    RefPtr<DownloadItem> owner = item.Load();
    bool reported = false;
    try {
        runState.store(kRunning);
        if (!owner) {
            return false;
        }
        std::shared_ptr<File> file = owner->OutputFile();
        uint32_t code = stopRequested.load() ? kNetStopped : kNetWriteFailed;
        if (file) {
            RtmpConnection connection(owner->RtmpPlayPath(), owner->RtmpSwfUrl(),
                                      owner->RtmpPageUrl());
            code = connection.Download(this, owner->MediaUrl(), *file, stopRequested);
        }
        result.store(code);
        runState.store(kFinished);
        DebugLog::Write("Exit DownloadItem::RTMPStreamSubItem::Run() (success)");
        reported = true;
        return owner->OnSubItemComplete(this);
    } catch (...) {
        DebugLog::Write("Exit DownloadItem::RTMPStreamSubItem::Run() (fails)");
        return ReportCrash(this, owner.get(), reported);
    }
}

}  // namespace talvex
