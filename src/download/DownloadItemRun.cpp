// The work of a run on the workers: preparing while the item waits, then the script, the size
// query and the choice of transfer, and a run that ends before any transfer started.
#include "app/DebugLog.h"
#include "download/DownloadItem.h"
#include "download/DownloadSubItem.h"
#include "download/SegmentPlan.h"
#include "platform/TextHelpers.h"
#include "platform/Utf8.h"

namespace talvex {

namespace {

// The scheme of an address ("http", "RTMP" ...): letters, digits, "+", "-" and "." before "://"
// followed by a host. Nothing when the address cannot be split.
std::optional<std::wstring> SchemeOf(const std::wstring& url) {
    size_t sep = url.find(L"://");
    // The scheme buffer of the address splitter holds 32 characters.
    if (sep == std::wstring::npos || sep == 0 || sep > 32) {
        return std::nullopt;
    }
    for (size_t i = 0; i < sep; ++i) {
        wchar_t c = url[i];
        bool ok = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') ||
                  (i > 0 && ((c >= L'0' && c <= L'9') || c == L'+' || c == L'-' || c == L'.'));
        if (!ok) {
            return std::nullopt;
        }
    }
    size_t hostStart = sep + 3;
    if (hostStart >= url.size() || url[hostStart] == L'/' || url[hostStart] == L'?') {
        return std::nullopt;
    }
    return url.substr(0, sep);
}

}  // namespace

void DownloadItem::AsyncPrepare() {
    try {
        DebugLog::Write("Enter DownloadItem::AsyncPrepare");
        bool ok = RunScript();
        // The queue may have started the item while its script ran; a running (or stopped)
        // item's state is not this preparation's to change.
        ActivityState expected = state.load();
        bool changed = false;
        while (expected == ActivityState::Created || expected == ActivityState::Failed) {
            if (state.compare_exchange_weak(expected,
                                            ok ? ActivityState::Queued : ActivityState::Failed)) {
                prevState.store(expected);
                changed = true;
                break;
            }
        }
        if (!ok) {
            DebugLog::Write("Exit DownloadItem::AsyncPrepare");
            return;
        }
        if (changed) {
            std::optional<uint64_t> size = QueryMediaSize(MediaUrl(), nullptr);
            if (size) {
                sizeMB.store(static_cast<double>(*size) / 1048576.0);
            }
        }
    } catch (...) {
        Trace("Exception caught in DownloadItem::AsyncPrepare\n");
    }
}

std::optional<uint64_t> DownloadItem::QueryMediaSize(const std::wstring& mediaUrl,
                                                     bool* acceptsRanges) {
    DNetworking net(DNetworking::kDefaultUserAgent);
    net.SetTimeouts(transferTimeouts_);
    if (net.QueryHeaders(mediaUrl, stopRequested_) != kNetSuccess || stopRequested_.load()) {
        return std::nullopt;
    }
    if (acceptsRanges != nullptr) {
        std::wstring value;
        *acceptsRanges = net.GetResponseHeader(L"accept-ranges", value) == kNetSuccess &&
                         LowerAscii(Trim(value, Blanks::SpaceTabLineBreaks)) == L"bytes";
        // What tells a later start whether the file is still the same one.
        std::wstring etag;
        std::wstring modified;
        net.GetResponseHeader(L"etag", etag);
        net.GetResponseHeader(L"last-modified", modified);
        std::lock_guard<std::mutex> guard(textLock_);
        etag_ = WideToUtf8(Trim(etag, Blanks::SpaceTabLineBreaks));
        lastModified_ = WideToUtf8(Trim(modified, Blanks::SpaceTabLineBreaks));
    }
    return net.ContentLength().value_or(0);
}

void DownloadItem::EndRunEarly() {
    if (stopRequested_.load()) {
        // Stopped while the run was starting: the item is already canceled; remove what the
        // run created and announce its end.
        Cleanup();
        OnItemComplete();
    } else {
        OnFailed();
    }
}

void DownloadItem::AsyncRun() {
    DebugLog::Write("Enter DownloadItem::AsyncRun");
    try {
        // A download taken on from a record goes on with the recorded address while that still
        // answers with the recorded size; the site script is asked for a fresh one otherwise.
        std::optional<ResumeRecord> record = TakePendingRecord();
        bool acceptsRanges = false;
        uint64_t size = 0;
        bool sized = false;
        if (record) {
            const std::optional<uint64_t> recorded =
                QueryMediaSize(record->mediaUrl, &acceptsRanges);
            if (recorded && *recorded == record->size) {
                SetMediaUrl(record->mediaUrl);
                size = *recorded;
                sized = true;
            }
        }
        if (!sized && !RunScript()) {
            DebugLog::Write("Exit DownloadItem::AsyncRun (failed 1)");
            EndRunEarly();
            return;
        }
        bool stopped = false;
        if (!CreateTemporaryFile(stopped)) {
            if (!stopped) {
                DebugLog::Write("Exit DownloadItem::AsyncRun (failed 2)");
            }
            EndRunEarly();
            return;
        }
        const std::wstring mediaUrl = MediaUrl();
        std::optional<std::wstring> scheme = SchemeOf(mediaUrl);
        if (!scheme) {
            DebugLog::Write("Exit DownloadItem::AsyncRun (failed 3)");
            EndRunEarly();
            return;
        }
        const std::wstring lower = LowerAscii(*scheme);
        if (lower == L"http" || lower == L"https") {
            if (!sized) {
                const std::optional<uint64_t> queried = QueryMediaSize(mediaUrl, &acceptsRanges);
                if (!queried) {
                    DebugLog::Write("Exit DownloadItem::AsyncRun (failed 5)");
                    EndRunEarly();
                    return;
                }
                size = *queried;
            }
            sizeMB.store(static_cast<double>(size) / 1048576.0);
            if (record) {
                if (const std::wstring why = WhyStartOver(*record, size, acceptsRanges);
                    !why.empty()) {
                    StartedOver(why);
                    record.reset();
                }
            }
            const bool segmented =
                record ? record->multiStream : size != 0 && acceptsRanges && !retrySingle_.load();
            // Segments write at their own offsets into a file of the announced size, and each
            // must arrive whole, so together they confirm that size. A single stream's file is
            // its body: it starts empty and grows with what arrives, so a size announced by the
            // query but not delivered by the transfer never shows in the file. A recorded
            // download's file already has its shape. One that starts over is shaped anew: its
            // segments rewrite every byte, its single stream starts from an empty file. (A
            // segmented file is never cut to nothing first: the file system then flushes it
            // when it is closed, which holds a fast download up for seconds.)
            std::shared_ptr<File> file = OutputFile();
            const bool shaped = file && (record || file->Resize(segmented ? size : 0));
            if (!shaped) {
                if (file) {
                    SetErrorText(WriteErrorText(errno));
                }
                DebugLog::Write("Exit DownloadItem::AsyncRun (failed 4)");
                EndRunEarly();
                return;
            }
            multiStream_.store(segmented);
            if (multiStream_.load()) {
                DebugLog::Write("Exit DownloadItem::AsyncRun (success 2)");
                RunMultiStreamDownload(size, record ? &record->segments : nullptr);
            } else {
                DebugLog::Write("Exit DownloadItem::AsyncRun (success 1)");
                RunOneStreamDownload(size, record ? record->segments.front().done : 0);
            }
        } else if (lower == L"rtmp") {
            if (record) {
                StartedOver(L"the media is now a stream that cannot go on where it stopped");
            }
            DebugLog::Write("Exit DownloadItem::AsyncRun (success 3)");
            RunRTMPDownload();
        } else {
            EndRunEarly();
            DebugLog::Write("Exit DownloadItem::AsyncRun");
        }
    } catch (...) {
        Trace("Exception caught in DownloadItem::AsyncRun\n");
        // The run cannot go on; leaving the item "running" would block its place for good.
        try {
            EndRunEarly();
        } catch (...) {
        }
    }
}

void DownloadItem::RunOneStreamDownload(uint64_t size, uint64_t resumeAt) {
    DebugLog::Write("Enter DownloadItem::RunOneStreamDownload");
    Trace("Starting single stream HTTP download\n");
    RunSingleSubItem(
        RefPtr<DownloadSubItem>(new OneStreamSubItem(this, resumeAt, size)),
        {"Exit RunOneStreamDownload (success 1)", "Exit RunOneStreamDownload (success 2)",
         "Exit DownloadItem::RunOneStreamDownload (failed)"},
        size);
}

void DownloadItem::RunSingleSubItem(const RefPtr<DownloadSubItem>& sub, const SingleSubItemLog& log,
                                    uint64_t recordSize) {
    bool stopped = false;
    bool failed = false;
    {
        std::lock_guard<DCriticalSection> guard(subItemLock_);
        if (!AddSubItem(sub.get())) {
            failed = true;
        } else if (stopRequested_.load()) {
            DebugLog::Write(log.stoppedBeforeStart);
            stopped = true;
        } else {
            if (recordSize != 0) {
                BeginRecord(recordSize);
            }
            if (!StartSubItem(sub.get())) {
                failed = true;
            } else {
                DebugLog::Write(log.started);
            }
        }
    }
    if (failed) {
        OnFailed();
        DebugLog::Write(log.failed);
    } else if (stopped) {
        EndRunEarly();
    }
}

void DownloadItem::RunMultiStreamDownload(uint64_t size,
                                          const std::vector<ResumeSegment>* recorded) {
    DebugLog::Write("Enter DownloadItem::RunMultiStreamDownload");
    Trace("Starting multi stream HTTP download\n");
    bool failed = false;
    bool stopped = false;
    bool complete = false;
    {
        // Pause and Stop wait while the segments are made and started, so that they find
        // either no segment or all of them.
        std::lock_guard<DCriticalSection> guard(subItemLock_);
        std::vector<RefPtr<MultiStreamSubItem>> segments;
        std::vector<ResumeSegment> plan;
        if (recorded != nullptr) {
            plan = *recorded;
        } else {
            for (const ByteRange& range : SegmentPlan(size).Ranges()) {
                plan.push_back({range.from, range.to, 0});
            }
        }
        for (const ResumeSegment& range : plan) {
            RefPtr<MultiStreamSubItem> segment(
                new MultiStreamSubItem(this, range.start, range.to, range.done));
            AddSubItem(segment.get());
            segment->OnSize(range.to - range.start + 1);
            if (range.done != 0) {
                segment->ProgressStatistics::Update(range.done, range.done, 0.0, 0.0);
            }
            segments.push_back(segment);
        }
        BeginRecord(size);
        if (stopRequested_.load()) {
            if (state.load() == ActivityState::Pausing) {
                // Paused before any segment started: every segment waits for the resume.
                SetState(ActivityState::Paused);
            } else {
                stopped = true;
            }
        } else {
            bool anyLeft = false;
            for (const auto& segment : segments) {
                if (segment->From() > segment->To()) {
                    continue;  // recorded whole already
                }
                anyLeft = true;
                if (!StartSubItem(segment.get())) {
                    failed = true;
                    break;
                }
            }
            // Every byte was on disk already: the transfer is complete.
            complete = !failed && !anyLeft;
            if (complete) {
                transferred_.store(true);
            }
        }
    }
    if (failed) {
        OnFailed();
        DebugLog::Write("Exit DownloadItem::RunMultiStreamDownload");
    } else if (stopped) {
        EndRunEarly();
    } else if (complete) {
        OnItemComplete();
    }
}

void DownloadItem::RunRTMPDownload() {
    DebugLog::Write("Enter DownloadItem::RunRTMPDownload");
    Trace("Starting single stream RTMP download\n");
    RunSingleSubItem(
        RefPtr<DownloadSubItem>(new RTMPStreamSubItem(this)),
        {"Exit DownloadItem::RunRTMPDownload (success 1)",
         "Exit DownloadItem::RunRTMPDownload (success 2)", "Exit RunRTMPDownload (failed)"});
}

}  // namespace talvex
