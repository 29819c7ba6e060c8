#include "download/DownloadItem.h"

#include <algorithm>
#include <cerrno>
#include <cwctype>
#include <exception>

#include "activity/ItemPresence.h"
#include "activity/WorkFileObserver.h"
#include "app/DebugLog.h"
#include "download/DownloadPaths.h"
#include "download/DownloadSubItem.h"
#include "platform/ThreadPool.h"
#include "scripts/SiteParser.h"

namespace talvex {

namespace fs = std::filesystem;

namespace {

// Shown for a download whose finished file could not take its name.
constexpr wchar_t kStoreFailedText[] =
    L"The downloaded file could not be stored in the download folder under its name.";
// Shown when the download folder's device is full, and when the folder takes no files; "%1"
// is the folder.
constexpr wchar_t kNoSpaceText[] = L"No space left on the device that holds %1.";
constexpr wchar_t kCannotWriteText[] = L"Cannot write to %1.";

}  // namespace

DownloadItem::DownloadItem(SiteParser* parser, int32_t formatChoice, bool convertFlag)
    : ActivityItem(ActivityKind::Download),
      parser_(parser),
      formatChoice_(formatChoice),
      convertFlag_(convertFlag) {}

DownloadItem::~DownloadItem() {
    // An item dropped while it still owns a temporary file (paused, or never finished) takes
    // the file with it: no partial download is ever left behind.
    outputFile_.reset();
    if (!tempPath_.empty()) {
        RemoveRegularFile(tempPath_);
        ReleaseWorkFile(tempPath_);
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

std::vector<ByteRange> DownloadItem::SegmentRanges(uint64_t size) {
    std::vector<ByteRange> ranges;
    if (size == 0) {
        return ranges;
    }
    if (size < kSegments) {
        ranges.push_back(ByteRange{0, size - 1});
        return ranges;
    }
    const uint64_t length = size / kSegments;
    for (uint64_t s = 0; s < size;) {
        // The last segment is the one that leaves less than two lengths: it takes the rest.
        uint64_t e = (size - s) / length == 1 ? size - 1 : s + length - 1;
        ranges.push_back(ByteRange{s, e});
        s = e + 1;
    }
    return ranges;
}

// ---------------------------------------------------------------------------------------------
// Script target

std::wstring DownloadItem::PageUrl() const {
    std::lock_guard<std::mutex> guard(textLock_);
    return pageUrl_;
}

void DownloadItem::SetPageUrl(const std::wstring& url) {
    std::lock_guard<std::mutex> guard(textLock_);
    pageUrl_ = url;
}

void DownloadItem::SetMediaUrl(const std::wstring& url) {
    std::lock_guard<std::mutex> guard(textLock_);
    mediaUrl_ = url;
}

std::wstring DownloadItem::MediaUrl() const {
    std::lock_guard<std::mutex> guard(textLock_);
    return mediaUrl_;
}

void DownloadItem::SetTitle(const std::wstring& title) {
    std::lock_guard<std::mutex> guard(textLock_);
    title_ = title;
}

void DownloadItem::SetExtension(const std::wstring& extension) {
    std::lock_guard<std::mutex> guard(textLock_);
    extension_ = extension;
}

void DownloadItem::SetRtmpPlayPath(const std::wstring& playPath) {
    std::lock_guard<std::mutex> guard(textLock_);
    rtmpPlayPath_ = playPath;
}

void DownloadItem::SetRtmpSwfUrl(const std::wstring& swfUrl) {
    std::lock_guard<std::mutex> guard(textLock_);
    rtmpSwfUrl_ = swfUrl;
}

void DownloadItem::SetRtmpPageUrl(const std::wstring& pageUrl) {
    std::lock_guard<std::mutex> guard(textLock_);
    rtmpPageUrl_ = pageUrl;
}

void DownloadItem::SetErrorText(const std::wstring& text) {
    std::lock_guard<std::mutex> guard(textLock_);
    errorText_ = text;
}

std::wstring DownloadItem::ErrorText() const {
    std::lock_guard<std::mutex> guard(textLock_);
    return errorText_;
}

void DownloadItem::SetIdList(const std::vector<std::wstring>& ids) {
    std::lock_guard<std::mutex> guard(textLock_);
    idList_.clear();
    for (size_t i = 0; i < ids.size(); ++i) {
        idList_[static_cast<int32_t>(i)] = ids[i];
    }
}

std::wstring DownloadItem::Title() const {
    std::lock_guard<std::mutex> guard(textLock_);
    return title_;
}

std::wstring DownloadItem::Extension() const {
    std::lock_guard<std::mutex> guard(textLock_);
    return extension_;
}

std::wstring DownloadItem::RtmpPlayPath() const {
    std::lock_guard<std::mutex> guard(textLock_);
    return rtmpPlayPath_;
}

std::wstring DownloadItem::RtmpSwfUrl() const {
    std::lock_guard<std::mutex> guard(textLock_);
    return rtmpSwfUrl_;
}

std::wstring DownloadItem::RtmpPageUrl() const {
    std::lock_guard<std::mutex> guard(textLock_);
    return rtmpPageUrl_;
}

std::map<int32_t, std::wstring> DownloadItem::IdList() const {
    std::lock_guard<std::mutex> guard(textLock_);
    return idList_;
}

std::wstring DownloadItem::WorkPath() const {
    std::lock_guard<std::mutex> guard(textLock_);
    return workPath;
}

// ---------------------------------------------------------------------------------------------
// Names

std::wstring DownloadItem::GetFileName() {
    std::lock_guard<std::mutex> guard(textLock_);
    if (title_.empty()) {
        const std::wstring output = OutputPath();
        return !output.empty() ? output : pageUrl_;
    }
    return extension_.empty() ? title_ : title_ + L"." + extension_;
}

bool DownloadItem::SetFileName(const std::wstring& name) {
    // A conversion queued from this download has taken the stored file's path: moving the file
    // now would pull it from under the conversion.
    if (state.load() == ActivityState::Completed && FollowUpHoldsFile()) {
        DebugLog::Write("Exit DownloadItem::SetFileName (its conversion uses the file)");
        return false;
    }
    std::wstring newTitle;
    std::wstring newExtension;
    std::wstring oldTitle;
    std::wstring oldExtension;
    {
        std::lock_guard<std::mutex> guard(textLock_);
        oldTitle = title_;
        oldExtension = extension_;
        size_t dot = name.rfind(L'.');
        if (dot == std::wstring::npos) {
            newTitle = name;
            newExtension = extension_;
        } else {
            newTitle = name.substr(0, dot);
            newExtension = name.substr(dot + 1);
        }
        title_ = newTitle;
        extension_ = newExtension;
    }
    if (state.load() != ActivityState::Completed) {
        return true;
    }
    // A stored file follows its new name, with the same collision rule as the first store.
    fs::path source;
    {
        std::lock_guard<std::mutex> guard(textLock_);
        source = !tempPath_.empty() ? tempPath_ : ToPath(OutputPath());
    }
    if (!source.empty() && source.filename() == FinalFileName(newTitle, newExtension, 0)) {
        return true;  // the same name: nothing to move
    }
    int attempt = 0;
    std::optional<fs::path> target = MoveToFinalName(source, newTitle, newExtension, &attempt);
    std::lock_guard<std::mutex> guard(textLock_);
    if (!target) {
        title_ = oldTitle;
        extension_ = oldExtension;
        return false;
    }
    SetOutputPath(FromPath(*target));
    tempPath_.clear();
    ReleaseWorkFile(source);
    if (attempt != 0) {
        title_ += L"[" + std::to_wstring(attempt) + L"]";
    }
    return true;
}

std::optional<fs::path> DownloadItem::MoveToFinalName(const fs::path& source,
                                                      const std::wstring& title,
                                                      const std::wstring& extension, int* attempt) {
    fs::path folder;
    {
        std::lock_guard<std::mutex> guard(textLock_);
        folder = downloadFolder_.empty() ? ToPath(workPath).parent_path() : downloadFolder_;
    }
    for (int n = 0; n < kMaxNameAttempts; ++n) {
        fs::path target = folder / FinalFileName(title, extension, n);
        std::error_code ec;
        if (!fs::exists(source, ec) || fs::exists(target, ec)) {
            continue;
        }
        // Never replaces: a file that appeared under the name meanwhile makes this attempt
        // fail like an existing one.
        if (MoveNoReplace(source, target)) {
            *attempt = n;
            return target;
        }
    }
    return std::nullopt;
}

bool DownloadItem::StoreFile() {
    DebugLog::Write("Enter DownloadItem::StoreFile()");
    fs::path source;
    {
        std::lock_guard<DCriticalSection> guard(subItemLock_);
        outputFile_.reset();
        std::lock_guard<std::mutex> text(textLock_);
        source = tempPath_;
    }
    std::wstring title;
    std::wstring extension;
    {
        std::lock_guard<std::mutex> guard(textLock_);
        if (title_.empty()) {
            title_ = L"video";
        }
        if (extension_.empty()) {
            extension_ = L"flv";
        }
        title = title_;
        extension = extension_;
        if (source.empty()) {
            source = ToPath(OutputPath());
        }
    }
    bool stored = false;
    if (!source.empty()) {
        int attempt = 0;
        std::optional<fs::path> target = MoveToFinalName(source, title, extension, &attempt);
        if (target) {
            std::lock_guard<std::mutex> guard(textLock_);
            SetOutputPath(FromPath(*target));
            tempPath_.clear();
            ReleaseWorkFile(source);
            if (attempt != 0) {
                title_ += L"[" + std::to_wstring(attempt) + L"]";
            }
            stored = true;
        }
    }
    DebugLog::Write("Exit DownloadItem::StoreFile()");
    return stored;
}

// ---------------------------------------------------------------------------------------------
// Progress

bool DownloadItem::GetProgress(int32_t& outPercent, double& outSpeed, int32_t& outSecondsLeft) {
    ActivityState s = state.load();
    if (s == ActivityState::Queued && prevState.load() == ActivityState::Paused) {
        outPercent = percent.load();
        outSpeed = 0.0;
        outSecondsLeft = -1;
        return true;
    }
    percent.store(s == ActivityState::Completed ? 100 : 0);
    speed.store(0.0);
    secondsLeft.store(-1);
    if (s == ActivityState::Running || s == ActivityState::Pausing || s == ActivityState::Paused) {
        std::lock_guard<DCriticalSection> guard(subItemLock_);
        std::optional<Figures> figures;
        if (!multiStream_.load()) {
            Figures f;
            if (!subItems_.empty() &&
                subItems_.front()->GetStats(f.percent, f.speed, f.secondsLeft)) {
                figures = f;
            }
        } else {
            std::vector<Figures> segments;
            bool all = true;
            for (const auto& sub : subItems_) {
                Figures f;
                if (!sub->GetStats(f.percent, f.speed, f.secondsLeft)) {
                    all = false;  // a segment that cannot report yet: nothing is updated
                    break;
                }
                segments.push_back(f);
            }
            if (all) {
                figures = CombineSegments(segments, s);
            }
        }
        if (figures) {
            percent.store(figures->percent);
            speed.store(figures->speed);
            secondsLeft.store(figures->secondsLeft);
        }
    }
    outPercent = percent.load();
    outSpeed = speed.load();
    outSecondsLeft = secondsLeft.load();
    return true;
}

std::optional<DownloadItem::Figures> DownloadItem::CombineSegments(
    const std::vector<Figures>& segments, ActivityState s) {
    // With no segment yet there is nothing to average: the figures stay as they are.
    if (segments.empty()) {
        return std::nullopt;
    }
    const int64_t n = static_cast<int64_t>(segments.size());
    int64_t percentSum = 0;
    double speedSum = 0.0;
    int64_t leftSum = 0;
    bool noEstimate = false;
    for (const Figures& f : segments) {
        percentSum += f.percent;
        speedSum += f.speed;
        if (f.secondsLeft < 0) {
            noEstimate = true;  // one segment without an estimate: none for the item
        } else {
            leftSum += f.secondsLeft;
        }
    }
    Figures out;
    out.percent = static_cast<int32_t>(percentSum / n);
    if (s == ActivityState::Running) {
        out.speed = speedSum;
        int64_t left = noEstimate ? -1 : leftSum / n;
        out.secondsLeft = left == 0 ? 1 : static_cast<int32_t>(left);
    }
    return out;
}

// ---------------------------------------------------------------------------------------------
// Operations the queue calls

bool DownloadItem::Prepare() {
    ActivityState s = state.load();
    if (s != ActivityState::Created && s != ActivityState::Failed) {
        return true;
    }
    stopRequested_.store(false);
    failed_.store(0);
    RefPtr<DownloadItem> self(this);
    return QueueWork([self] { self->AsyncPrepare(); });
}

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

bool DownloadItem::Run() {
    DebugLog::Write("Enter DownloadItem::Run");
    bool finishNow = false;
    {
        std::lock_guard<DCriticalSection> guard(subItemLock_);
        ActivityState s = state.load();
        ActivityState before = prevState.load();
        // Resuming needs the stopped segments; without them the download starts over.
        bool resume = (s == ActivityState::Paused ||
                       (s == ActivityState::Queued && before == ActivityState::Paused)) &&
                      multiStream_.load() && !subItems_.empty();
        if (resume) {
            stopRequested_.store(false);
            failed_.store(0);
            transferred_.store(false);
            SetErrorText(std::wstring());
            SetState(ActivityState::Running);
            bool anyLeft = false;
            for (const auto& sub : subItems_) {
                if (sub->IsRunning()) {
                    anyLeft = true;
                    continue;
                }
                auto* segment = static_cast<MultiStreamSubItem*>(sub.get());
                if (segment->Position() <= segment->To()) {
                    anyLeft = true;
                }
                if (!sub->Resume()) {
                    KeepPaused();
                    return false;
                }
            }
            // Every segment had ended before the pause took hold: the transfer is complete.
            if (!anyLeft) {
                transferred_.store(!retrySingle_.load());
                finishNow = true;
            }
        } else if (s == ActivityState::Created || s == ActivityState::Queued ||
                   s == ActivityState::Canceled || s == ActivityState::Failed ||
                   s == ActivityState::Paused) {
            // Transfers of an earlier run may still be on their way out (they write into that
            // run's file, already deleted); leaving the list, their end reports are ignored.
            subItems_.clear();
            stopRequested_.store(false);
            failed_.store(0);
            transferred_.store(false);
            SetErrorText(std::wstring());
            multiStream_.store(false);
            runNumber_.fetch_add(1);
            SetState(ActivityState::Running);
            RefPtr<DownloadItem> self(this);
            if (!QueueWork([self] { self->AsyncRun(); })) {
                SetState(ActivityState::Failed);
                return false;
            }
            return true;
        } else {
            DebugLog::Write("Exit DownloadItem::Run");
            return false;
        }
    }
    if (finishNow) {
        OnItemComplete();
    }
    return true;
}

void DownloadItem::KeepPaused() {
    SetState(ActivityState::Pausing);
    StopAllSubItems();
    if (GetRunningSubItems() == 0) {
        SetState(ActivityState::Paused);
    }
    DebugLog::Write("Exit DownloadItem::Run (a segment could not be resumed: stays paused)");
    Trace("A segment could not be resumed: the download stays paused\n");
}

bool DownloadItem::Pause() {
    std::lock_guard<DCriticalSection> guard(subItemLock_);
    // Only a segmented transfer can continue where it stopped; a single stream would have to
    // start over, so it is not paused at all. Nor is a run whose transfers have all ended: its
    // file is being stored.
    if (state.load() != ActivityState::Running || !multiStream_.load() || transferred_.load()) {
        return false;
    }
    SetState(ActivityState::Pausing);
    StopAllSubItems();
    return true;
}

bool DownloadItem::Stop() {
    bool cleanup = false;
    bool complete = false;
    {
        std::lock_guard<DCriticalSection> guard(subItemLock_);
        switch (state.load()) {
            case ActivityState::Running:
                SetState(ActivityState::Canceled);
                StopAllSubItems();
                cleanup = true;
                break;
            case ActivityState::Canceled:
            case ActivityState::Failed:
                cleanup = true;
                break;
            case ActivityState::Completed:
                // The file is stored (or being stored): there is nothing to clean up.
                break;
            case ActivityState::Paused:
                stopRequested_.store(true);
                SetState(ActivityState::Canceled);
                complete = true;
                break;
            case ActivityState::Created:
            case ActivityState::Queued:
                stopRequested_.store(true);
                SetState(ActivityState::Canceled);
                // A paused item waiting for a place keeps stopped segments; they go now.
                subItems_.clear();
                cleanup = true;
                break;
            case ActivityState::Pausing:
                // The stopping segments end the run; the last one posts the finished notice.
                stopRequested_.store(true);
                SetState(ActivityState::Canceled);
                cleanup = true;
                break;
        }
    }
    if (cleanup) {
        Cleanup();
    }
    if (complete) {
        OnItemComplete();
    }
    return true;
}

bool DownloadItem::CanStart() {
    ActivityState s = state.load();
    return s == ActivityState::Queued || s == ActivityState::Canceled ||
           s == ActivityState::Paused || s == ActivityState::Failed;
}

bool DownloadItem::CanPause() {
    return multiStream_.load() && state.load() == ActivityState::Running && !transferred_.load();
}

bool DownloadItem::CanStop() {
    ActivityState s = state.load();
    return s == ActivityState::Queued || s == ActivityState::Running || s == ActivityState::Paused;
}

// ---------------------------------------------------------------------------------------------
// Transfers

size_t DownloadItem::SubItemCount() {
    std::lock_guard<DCriticalSection> guard(subItemLock_);
    return subItems_.size();
}

void DownloadItem::ForEachSegment(const std::function<void(MultiStreamSubItem&)>& fn) {
    std::lock_guard<DCriticalSection> guard(subItemLock_);
    if (!multiStream_.load()) {
        return;
    }
    for (const auto& sub : subItems_) {
        fn(static_cast<MultiStreamSubItem&>(*sub));
    }
}

bool DownloadItem::AddSubItem(DownloadSubItem* sub) {
    if (sub == nullptr) {
        return false;
    }
    std::lock_guard<DCriticalSection> guard(subItemLock_);
    subItems_.emplace_back(sub);
    return true;
}

bool DownloadItem::IsCurrentSubItem(DownloadSubItem* sub) {
    std::lock_guard<DCriticalSection> guard(subItemLock_);
    return std::any_of(subItems_.begin(), subItems_.end(),
                       [sub](const RefPtr<DownloadSubItem>& p) { return p.get() == sub; });
}

void DownloadItem::RemoveSubItem(DownloadSubItem* sub) {
    std::lock_guard<DCriticalSection> guard(subItemLock_);
    auto it = std::find_if(subItems_.begin(), subItems_.end(),
                           [sub](const RefPtr<DownloadSubItem>& p) { return p.get() == sub; });
    if (it != subItems_.end()) {
        subItems_.erase(it);
    }
}

int DownloadItem::GetRunningSubItems() {
    DebugLog::Write("Enter DownloadItem::GetRuningSubItems()");
    int running = 0;
    {
        std::lock_guard<DCriticalSection> guard(subItemLock_);
        for (const auto& sub : subItems_) {
            if (sub->IsRunning()) {
                ++running;
            }
        }
    }
    DebugLog::Write("Exit DownloadItem::GetRuningSubItems()");
    return running;
}

void DownloadItem::StopAllSubItems() {
    stopRequested_.store(true);
    for (const auto& sub : subItems_) {
        if (sub->IsRunning()) {
            sub->Stop();
        }
    }
}

std::shared_ptr<File> DownloadItem::OutputFile() {
    std::lock_guard<DCriticalSection> guard(subItemLock_);
    return outputFile_;
}

bool DownloadItem::StartSubItem(DownloadSubItem* sub) {
    // Counted as running from now on, not only once a worker picks it up: otherwise a segment
    // that ends quickly could find no other running and finish the download early.
    sub->runState.store(DownloadSubItem::kRunning);
    RefPtr<DownloadSubItem> hold(sub);
    if (!QueueWork([hold] { AsyncDownload(hold.get()); })) {
        sub->runState.store(DownloadSubItem::kFinished);
        return false;
    }
    return true;
}

void DownloadItem::AsyncDownload(DownloadSubItem* sub) {
    DebugLog::Write("Enter DownloadItem::AsyncDownload");
    Trace("Running stream download\n");
    RefPtr<DownloadSubItem> hold(sub);
    try {
        if (sub->Run()) {
            DebugLog::Write("Exit DownloadItem::AsyncDownload (success)");
        } else {
            DebugLog::Write("Exit DownloadItem::AsyncDownload (failed 1)");
        }
    } catch (...) {
        DebugLog::Write("Exit DownloadItem::AsyncDownload (failed 2)");
    }
}

bool DownloadItem::OnSubItemComplete(DownloadSubItem* sub) {
    DebugLog::Write("Enter DownloadItem::OnSubItemComplete");
    try {
        const uint32_t code = sub->GetResult();
        const bool subFailed = sub->HasFailed();
        {
            std::lock_guard<DCriticalSection> guard(subItemLock_);
            sub->runState.store(DownloadSubItem::kFinished);
            if (!IsCurrentSubItem(sub)) {
                // A transfer of a run that has already ended (failed, or restarted meanwhile).
                DebugLog::Write("Exit DownloadItem::OnSubItemComplete (success)");
                return true;
            }
            if (!multiStream_.load()) {
                if (stopRequested_.load()) {
                    // Stopped by the user: whatever the transfer managed meanwhile, the run is
                    // canceled (its file is already gone).
                    SetState(ActivityState::Canceled);
                } else if (subFailed) {
                    SetState(ActivityState::Failed);
                    failed_.store(code);
                    NoteWriteError(*sub);
                } else if (code == kNetStopped) {
                    SetState(ActivityState::Canceled);
                } else {
                    // Still running until the file has its final name (OnItemComplete).
                    transferred_.store(true);
                }
            } else {
                bool finalStep = false;
                switch (state.load()) {
                    case ActivityState::Paused:
                    case ActivityState::Completed:
                        // No transfer should end in these states.
                        SetState(ActivityState::Failed);
                        StopAllSubItems();
                        finalStep = true;
                        break;
                    case ActivityState::Failed:
                        RemoveSubItem(sub);
                        break;
                    case ActivityState::Running:
                    case ActivityState::Canceled:
                        if (stopRequested_.load()) {
                            RemoveSubItem(sub);
                        } else if (subFailed) {
                            SetState(ActivityState::Failed);
                            failed_.store(code);
                            NoteWriteError(*sub);
                            RemoveSubItem(sub);
                            StopAllSubItems();
                        }
                        break;
                    default:
                        break;
                }
                // Segments that ended before a pause stay in the list (they are resumed as
                // finished), so the run ends when none is running, not when the list is empty.
                if (!finalStep && GetRunningSubItems() != 0) {
                    DebugLog::Write("Exit DownloadItem::OnSubItemComplete (success)");
                    return true;
                }
                ActivityState s = state.load();
                if (s == ActivityState::Pausing) {
                    SetState(ActivityState::Paused);
                } else if (s == ActivityState::Running && !retrySingle_.load()) {
                    // Still running until the file has its final name (OnItemComplete).
                    transferred_.store(true);
                }
                DebugLog::Write("Exit DownloadItem::OnSubItemComplete (failed 1)");
            }
        }
        return OnItemComplete();
    } catch (...) {
        DebugLog::Write("Exit DownloadItem::OnSubItemComplete (failed 2)");
        return false;
    }
}

bool DownloadItem::OnItemComplete() {
    std::lock_guard<DCriticalSection> completion(completionLock_);
    DebugLog::Write("Enter DownloadItem::OnItemComplete()");
    ActivityState s = state.load();
    if (s == ActivityState::Canceled || s == ActivityState::Failed) {
        Cleanup();
        if (multiStream_.load() && retrySingle_.load()) {
            // The server sends the whole file for a range request: once every segment has
            // ended, run again as one stream.
            {
                std::lock_guard<DCriticalSection> guard(subItemLock_);
                subItems_.clear();
            }
            SetState(ActivityState::Queued);
            DebugLog::Write(
                "Exit DownloadItem::OnItemComplete() (Multi Stream failed, try single stream)");
            return Run();
        }
    } else if (s == ActivityState::Running) {
        CompleteRun();
        s = state.load();
    }
    if (s != ActivityState::Paused) {
        {
            std::lock_guard<DCriticalSection> guard(subItemLock_);
            subItems_.clear();
        }
        // A pause is no end of the run: the list reads the paused state by itself.
        PostFinishedOnce();
    }
    DebugLog::Write("Exit DownloadItem::OnItemComplete()");
    return true;
}

void DownloadItem::CompleteRun() {
    std::function<void()> hook;
    {
        std::lock_guard<DCriticalSection> guard(subItemLock_);
        if (state.load() != ActivityState::Running || !transferred_.load()) {
            return;
        }
        hook = beforeStoreHook_;
    }
    if (hook) {
        hook();
    }
    bool stored = false;
    {
        // Stop and Pause wait while the file moves; one that came first has ended the run.
        std::lock_guard<DCriticalSection> guard(subItemLock_);
        if (state.load() != ActivityState::Running || !transferred_.load()) {
            return;
        }
        stored = StoreFile();
        if (stored) {
            // Kept past the queue's hand-over, so that a rename can tell that the conversion
            // still needs the file where it is.
            RefPtr<ActivityItem> conversion = followUp.Load();
            handedFollowUp_ = conversion ? conversion->Presence() : nullptr;
            SetState(ActivityState::Completed);
        } else {
            // Every name was taken, or the folder refused the move: a file left under its
            // temporary name is no completed download, so the run fails like any other,
            // without leaving that file behind (starting the item again downloads it anew).
            SetErrorText(Text(L"msg.err.download.store", kStoreFailedText));
            failed_.store(1);
            SetState(ActivityState::Failed);
        }
    }
    if (!stored) {
        Cleanup();
    }
}

bool DownloadItem::FollowUpHoldsFile() {
    if (followUp.Load()) {
        return false;  // not handed on yet: the queue gives it the path the file has then
    }
    std::shared_ptr<ItemPresence> conversion;
    {
        std::lock_guard<DCriticalSection> guard(subItemLock_);
        conversion = handedFollowUp_;
    }
    const std::optional<ActivityState> s = conversion ? conversion->State() : std::nullopt;
    return s && !IsFinishedState(*s);
}

std::wstring DownloadItem::Text(const wchar_t* key, const wchar_t* builtIn) const {
    return parser_ != nullptr ? parser_->Localize(key, builtIn) : std::wstring(builtIn);
}

std::wstring DownloadItem::WriteErrorText(int error) const {
    std::wstring text = error == ENOSPC || error == EDQUOT
                            ? Text(L"msg.err.download.nospace", kNoSpaceText)
                            : Text(L"msg.err.download.cannotwrite", kCannotWriteText);
    fs::path folder;
    {
        std::lock_guard<std::mutex> guard(textLock_);
        folder = downloadFolder_.empty() ? ToPath(workPath) : downloadFolder_;
    }
    const size_t at = text.find(L"%1");
    if (at != std::wstring::npos) {
        text.replace(at, 2, FromPath(folder));
    }
    return text;
}

void DownloadItem::NoteWriteError(const DownloadSubItem& sub) {
    if (const int error = sub.writeError.load()) {
        SetErrorText(WriteErrorText(error));
    }
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

void DownloadItem::SetBeforeStoreHook(std::function<void()> hook) {
    std::lock_guard<DCriticalSection> guard(subItemLock_);
    beforeStoreHook_ = std::move(hook);
}

void DownloadItem::PostFinishedOnce() {
    uint64_t run = runNumber_.load();
    if (postedRun_.exchange(run) != run) {
        PostFinished();
    }
}

void DownloadItem::OnFailed() {
    DebugLog::Write("Enter DownloadItem::OnFailed");
    {
        std::lock_guard<DCriticalSection> guard(subItemLock_);
        SetState(ActivityState::Failed);
        failed_.store(1);
        StopAllSubItems();
    }
    OnItemComplete();
    DebugLog::Write("Exit DownloadItem::OnFailed");
}

void DownloadItem::Cleanup() {
    std::lock_guard<DCriticalSection> guard(subItemLock_);
    // Transfers still writing keep their own reference: the descriptor closes after their
    // last write, and the name is gone at once.
    outputFile_.reset();
    fs::path temp;
    {
        std::lock_guard<std::mutex> text(textLock_);
        temp = std::exchange(tempPath_, fs::path());
    }
    // Only the temporary file this item created; workPath names the download folder itself
    // until that file exists, and a folder is never removed.
    if (!temp.empty()) {
        RemoveRegularFile(temp);
        ReleaseWorkFile(temp);
    }
}

}  // namespace talvex
