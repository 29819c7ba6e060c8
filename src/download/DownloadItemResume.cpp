// The record that lets a later start go on where this one ended: begun when an HTTP transfer
// of known size starts, rewritten at most once per interval while data arrives (the work
// file's data flushed first, so that the record is never ahead of the disk), on a pause and
// when the program ends, and deleted when the file takes its name or the download is stopped
// or fails. Taking a record on (AdoptRecord) and the checks that decide, at the next run,
// whether the media is still the one recorded.
#include "activity/WorkFileObserver.h"
#include "app/DebugLog.h"
#include "download/DownloadItem.h"
#include "download/DownloadPaths.h"
#include "download/DownloadSubItem.h"
#include "download/ResumeFolder.h"
#include "platform/Tick.h"
#include "platform/Utf8.h"

namespace talvex {

namespace fs = std::filesystem;

void DownloadItem::SetRecordProgram(std::string program) {
    recordProgram_ = std::move(program);
}

std::wstring DownloadItem::ResumeNote() const {
    std::lock_guard<std::mutex> guard(textLock_);
    return resumeNote_;
}

fs::path DownloadItem::RecordPath() const {
    std::lock_guard<std::mutex> guard(recordLock_);
    return recordPath_;
}

std::wstring DownloadItem::IfRangeValidator() const {
    std::lock_guard<std::mutex> guard(textLock_);
    // A weak tag only says that the content is equivalent: ranges of it need not match.
    if (!etag_.empty() && etag_.rfind("W/", 0) != 0) {
        return Utf8ToWide(etag_);
    }
    return Utf8ToWide(lastModified_);
}

bool DownloadItem::AdoptRecord(const FoundRecord& found, bool paused) {
    const ResumeRecord& record = found.record;
    std::lock_guard<DCriticalSection> guard(subItemLock_);
    if (outputFile_) {
        return false;  // the item has a file of its own already
    }
    File file = File::OpenReadWrite(found.workFile);
    if (!file.IsOpen() || !file.TryLock()) {
        return false;
    }
    outputFile_ = std::make_shared<File>(std::move(file));
    {
        std::lock_guard<std::mutex> text(textLock_);
        tempPath_ = found.workFile;
        workPath = FromPath(found.workFile);
        downloadFolder_ = found.workFile.parent_path();
        pageUrl_ = record.pageUrl;
        mediaUrl_ = record.mediaUrl;
        title_ = record.title;
        extension_ = record.extension;
        etag_ = record.etag;
        lastModified_ = record.lastModified;
        resumeNote_.clear();
    }
    {
        std::lock_guard<std::mutex> records(recordLock_);
        recordPath_ = found.recordFile;
    }
    pendingRecord_ = record;
    recordSegments_ = record.segments;
    recordSize_ = record.size;
    recordMultiStream_ = record.multiStream;
    adoptedBytes_.store(record.Done());
    sizeMB.store(static_cast<double>(record.size) / 1048576.0);
    if (paused) {
        // Shown as the transfers a resume will continue: the figures come from them.
        subItems_.clear();
        multiStream_.store(record.multiStream);
        for (const ResumeSegment& segment : record.segments) {
            RefPtr<DownloadSubItem> sub;
            if (record.multiStream) {
                sub = RefPtr<DownloadSubItem>(
                    new MultiStreamSubItem(this, segment.start, segment.to, segment.done));
                sub->OnSize(segment.to - segment.start + 1);
            } else {
                sub =
                    RefPtr<DownloadSubItem>(new OneStreamSubItem(this, segment.done, record.size));
                sub->OnSize(record.size);
            }
            sub->ProgressStatistics::Update(segment.done, segment.done, 0.0, 0.0);
            subItems_.push_back(sub);
        }
        SetState(ActivityState::Paused);
    }
    DebugLog::Write(L"Took on the unfinished download " + FromPath(found.recordFile));
    return true;
}

std::optional<ResumeRecord> DownloadItem::TakePendingRecord() {
    std::lock_guard<DCriticalSection> guard(subItemLock_);
    return std::exchange(pendingRecord_, std::nullopt);
}

std::wstring DownloadItem::WhyStartOver(const ResumeRecord& record, uint64_t size,
                                        bool acceptsRanges) const {
    if (size != record.size) {
        return L"the size of the media changed";
    }
    std::lock_guard<std::mutex> guard(textLock_);
    // The tag when the record has one, else the date; a server that sent neither is trusted
    // on the size alone.
    const bool changed = !record.etag.empty()
                             ? etag_ != record.etag
                             : !record.lastModified.empty() && lastModified_ != record.lastModified;
    if (changed) {
        return L"the media changed on the server";
    }
    if (record.multiStream && !acceptsRanges) {
        return L"the server no longer sends parts of the file";
    }
    return {};
}

void DownloadItem::StartedOver(const std::wstring& why) {
    {
        std::lock_guard<std::mutex> guard(textLock_);
        resumeNote_ = why;
    }
    DebugLog::Write(L"The unfinished download of " + PageUrl() + L" starts over: " + why);
}

void DownloadItem::BeginRecord(uint64_t size) {
    recordSize_ = size;
    recordMultiStream_ = multiStream_.load();
    recordSegments_.clear();
    for (const auto& sub : subItems_) {
        if (multiStream_.load()) {
            const auto& segment = static_cast<const MultiStreamSubItem&>(*sub);
            recordSegments_.push_back({segment.SegmentStart(), segment.To(), 0});
        } else {
            recordSegments_.push_back({0, size - 1, 0});
        }
    }
    CollectRecordSegments();
    fs::path work;
    {
        std::lock_guard<std::mutex> text(textLock_);
        work = tempPath_;
    }
    if (work.empty() || stopRequested_.load()) {
        return;
    }
    {
        std::lock_guard<std::mutex> records(recordLock_);
        recordPath_ = RecordPathFor(work);
    }
    recordWritten_.store(false);
    nextRecordTick_.store(TickMs() + static_cast<uint64_t>(recordFirst_.count()));
}

void DownloadItem::CollectRecordSegments() {
    for (const auto& sub : subItems_) {
        uint64_t start = 0;
        uint64_t done = 0;
        if (multiStream_.load()) {
            const auto& segment = static_cast<const MultiStreamSubItem&>(*sub);
            start = segment.SegmentStart();
            done = segment.Position() - start;
        } else {
            done = static_cast<const OneStreamSubItem&>(*sub).position.load();
        }
        for (ResumeSegment& recorded : recordSegments_) {
            if (recorded.start == start && done <= recorded.to - recorded.start + 1) {
                recorded.done = std::max(recorded.done, done);
            }
        }
    }
}

void DownloadItem::NoteProgress() {
    const uint64_t now = TickMs();
    uint64_t due = nextRecordTick_.load();
    if (now < due || !nextRecordTick_.compare_exchange_strong(
                         due, now + static_cast<uint64_t>(recordEvery_.count()))) {
        return;
    }
    // Flushing the file can take a while when data arrives faster than the disk writes it:
    // the transfers go on meanwhile, and one save runs at a time.
    if (savingRecord_.exchange(true)) {
        return;
    }
    RefPtr<DownloadItem> self(this);
    if (!QueueWork([self] {
            self->SaveRecord();
            self->savingRecord_.store(false);
        })) {
        savingRecord_.store(false);
    }
}

void DownloadItem::SaveRecord() {
    ResumeRecord record;
    std::shared_ptr<File> file;
    {
        std::lock_guard<DCriticalSection> guard(subItemLock_);
        if (recordSegments_.empty() || !outputFile_) {
            return;
        }
        CollectRecordSegments();
        file = outputFile_;
        record.segments = recordSegments_;
        record.size = recordSize_;
        record.multiStream = recordMultiStream_;
    }
    record.program = recordProgram_;
    record.pageUrl = PageUrl();
    record.mediaUrl = MediaUrl();
    record.title = Title();
    record.extension = Extension();
    {
        std::lock_guard<std::mutex> text(textLock_);
        record.etag = etag_;
        record.lastModified = lastModified_;
    }
    record.formatChoice = DownloadQualityNumber(formatChoice_);
    record.autoConvert = autoConvert_;
    record.convertFlag = convertFlag_;
    record.conversionQuality = ConversionQualityNumber(quality);
    record.conversionProfile = profile;
    // The data first: the record must never count bytes that a power cut could still take.
    if (!file->SyncData()) {
        return;
    }
    std::lock_guard<std::mutex> records(recordLock_);
    if (recordPath_.empty()) {
        return;  // the download ended meanwhile: its record is gone for good
    }
    if (!WriteResumeRecord(recordPath_, record)) {
        DebugLog::Write(L"The record " + FromPath(recordPath_) + L" could not be written");
        return;
    }
    // From here the work file is kept for a later start, not removed by a front end that has
    // to end at once.
    if (!recordWritten_.exchange(true)) {
        fs::path work = recordPath_;
        work.replace_extension();
        ReleaseWorkFile(work);
    }
}

void DownloadItem::DiscardRecord() {
    fs::path path;
    {
        std::lock_guard<std::mutex> records(recordLock_);
        path = std::exchange(recordPath_, fs::path());
    }
    if (!path.empty()) {
        RemoveRegularFile(path);
    }
}

bool DownloadItem::StopForExit() {
    const bool keep = !RecordPath().empty();
    if (!keep) {
        return Stop();
    }
    keepWork_.store(true);
    Stop();
    // Once more with the positions the transfers reached while they stopped (the last one to
    // end writes it again).
    SaveRecord();
    return true;
}

}  // namespace talvex
