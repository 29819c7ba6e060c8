// The work of a run on the workers: preparing while the item waits, then the script, the size
// query and the choice of transfer, and a run that ends before any transfer started.
#include <cwctype>

#include "app/DebugLog.h"
#include "download/DownloadItem.h"
#include "download/DownloadSubItem.h"
#include "download/SegmentPlan.h"

namespace talvex {

namespace {

std::wstring Trim(const std::wstring& text) {
    size_t first = text.find_first_not_of(L" \t\r\n");
    if (first == std::wstring::npos) {
        return {};
    }
    size_t last = text.find_last_not_of(L" \t\r\n");
    return text.substr(first, last - first + 1);
}

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) {
        c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    }
    return text;
}

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
                         Lower(Trim(value)) == L"bytes";
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
        if (!RunScript()) {
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
        const std::wstring lower = Lower(*scheme);
        if (lower == L"http" || lower == L"https") {
            bool acceptsRanges = false;
            std::optional<uint64_t> size = QueryMediaSize(mediaUrl, &acceptsRanges);
            if (!size) {
                DebugLog::Write("Exit DownloadItem::AsyncRun (failed 5)");
                EndRunEarly();
                return;
            }
            sizeMB.store(static_cast<double>(*size) / 1048576.0);
            const bool segmented = *size != 0 && acceptsRanges && !retrySingle_.load();
            // Segments write at their own offsets into a file of the announced size, and each
            // must arrive whole, so together they confirm that size. A single stream's file is
            // its body: it starts empty and grows with what arrives, so a size announced by the
            // query but not delivered by the transfer never shows in the file.
            std::shared_ptr<File> file = OutputFile();
            if (!file || !file->Resize(segmented ? *size : 0)) {
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
                RunMultiStreamDownload(*size);
            } else {
                DebugLog::Write("Exit DownloadItem::AsyncRun (success 1)");
                RunOneStreamDownload();
            }
        } else if (lower == L"rtmp") {
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

void DownloadItem::RunOneStreamDownload() {
    DebugLog::Write("Enter DownloadItem::RunOneStreamDownload");
    Trace("Starting single stream HTTP download\n");
    RunSingleSubItem(
        RefPtr<DownloadSubItem>(new OneStreamSubItem(this)),
        {"Exit RunOneStreamDownload (success 1)", "Exit RunOneStreamDownload (success 2)",
         "Exit DownloadItem::RunOneStreamDownload (failed)"});
}

void DownloadItem::RunSingleSubItem(const RefPtr<DownloadSubItem>& sub,
                                    const SingleSubItemLog& log) {
    bool stopped = false;
    bool failed = false;
    {
        std::lock_guard<DCriticalSection> guard(subItemLock_);
        if (!AddSubItem(sub.get())) {
            failed = true;
        } else if (stopRequested_.load()) {
            DebugLog::Write(log.stoppedBeforeStart);
            stopped = true;
        } else if (!StartSubItem(sub.get())) {
            failed = true;
        } else {
            DebugLog::Write(log.started);
        }
    }
    if (failed) {
        OnFailed();
        DebugLog::Write(log.failed);
    } else if (stopped) {
        EndRunEarly();
    }
}

void DownloadItem::RunMultiStreamDownload(uint64_t size) {
    DebugLog::Write("Enter DownloadItem::RunMultiStreamDownload");
    Trace("Starting multi stream HTTP download\n");
    bool failed = false;
    bool stopped = false;
    {
        // Pause and Stop wait while the segments are made and started, so that they find
        // either no segment or all of them.
        std::lock_guard<DCriticalSection> guard(subItemLock_);
        std::vector<RefPtr<MultiStreamSubItem>> segments;
        const SegmentPlan plan(size);
        for (const ByteRange& range : plan.Ranges()) {
            RefPtr<MultiStreamSubItem> segment(new MultiStreamSubItem(this, range.from, range.to));
            AddSubItem(segment.get());
            segment->OnSize(range.to - range.from + 1);
            segments.push_back(segment);
        }
        if (stopRequested_.load()) {
            if (state.load() == ActivityState::Pausing) {
                // Paused before any segment started: every segment waits for the resume.
                SetState(ActivityState::Paused);
            } else {
                stopped = true;
            }
        } else {
            for (const auto& segment : segments) {
                if (!StartSubItem(segment.get())) {
                    failed = true;
                    break;
                }
            }
        }
    }
    if (failed) {
        OnFailed();
        DebugLog::Write("Exit DownloadItem::RunMultiStreamDownload");
    } else if (stopped) {
        EndRunEarly();
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
