#pragma once
// One page address turned into one stored media file. The site script (run on a worker) finds
// the media address, title and extension; the item writes into a temporary "~qrv" file in the
// download folder (pre-sized to the media size for ranged streams, grown by the body for one
// stream) through one HTTP stream, several ranged HTTP streams at once, or RTMP; when every
// transfer has ended well it moves the file to its final name ("title.ext", or "title[n].ext"
// when taken), turns Completed only then, and posts the finished notice to its owner window.
// A segmented run that the server answers with the whole file is rerun once as one stream.
//
// Where the rules live (one job per file):
//   DownloadItem.cpp           making, copying for a playlist entry, dropping; the test seams
//   DownloadItemScript.cpp     what the site script reads and writes, and running it
//   DownloadItemState.cpp      Prepare, Run (start, restart, resume), Pause, Stop, what each
//                              state allows, and the end of a run (OnItemComplete, OnFailed)
//   DownloadItemRun.cpp        the work of a run on a worker: preparing, the size query, the
//                              choice of transfer and starting it
//   DownloadItemTransfers.cpp  the list of transfers, starting and stopping them, and what
//                              each transfer's end means for the item (OnSubItemComplete)
//   DownloadItemStore.cpp      the temporary file, the final name (store and rename), clean-up,
//                              and what a download folder that takes no file tells the user
//   DownloadItemProgress.cpp   the figures shown while it runs
//   DownloadItemResume.cpp     the record beside the work file that lets a later start go on
//                              where this one ended (ResumeRecord.h), and taking such a
//                              record on
//   SegmentPlan.h              the byte ranges of the segments and their combined figures
//   DownloadSubItem.h          the transfers themselves
//
// Threads: Prepare, Run, Pause and Stop are called on the user-interface thread (under the
// queue's lock); preparing, running and each transfer are separate thread-pool work items, and
// transfers report their end through OnSubItemComplete on their own workers.
// Locks, outermost first: completionLock (one OnItemComplete at a time), subItemLock (the
// transfers, the state changes of Pause/Stop/OnSubItemComplete, the temporary file), the
// record lock (the record file), and the text lock of the strings (nothing but the output
// path's own lock is taken while it is held).
#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "activity/ActivityItem.h"
#include "app/threads/DCriticalSection.h"
#include "app/threads/RefPtr.h"
#include "download/ResumeRecord.h"
#include "net/DNetworking.h"
#include "platform/FileOps.h"
#include "scripts/IScriptTarget.h"

namespace talvex {

class ItemPresence;
class SiteParser;
struct FoundRecord;

class DownloadItem : public ActivityItem, public IScriptTarget {
public:
    class DownloadSubItem;
    class OneStreamSubItem;
    class MultiStreamSubItem;
    class RTMPStreamSubItem;

    // Name collisions at the target are resolved with "[1]" .. "[19]".
    static constexpr int kMaxNameAttempts = 20;

    // parser: the engine's interpreter, not owned (may be null: every script run fails).
    DownloadItem(SiteParser* parser, DownloadQuality formatChoice, bool convertFlag);
    ~DownloadItem() override;

    // A playlist or channel entry: copies the parent's parser, download folder, quality,
    // conversion settings, multiStream and retrySingle; pageUrl is the entry's own address.
    RefPtr<DownloadItem> MakeChild(const std::wstring& pageUrl) const;

    // --- ActivityItem ---
    bool GetProgress(int32_t& outPercent, double& outSpeed, int32_t& outSecondsLeft) override;
    std::wstring GetFileName() override;
    bool SetFileName(const std::wstring& name) override;
    bool Prepare() override;
    bool Run() override;
    bool Pause() override;
    bool Stop() override;
    bool CanStart() override;
    bool CanPause() override;
    bool CanStop() override;
    // At the program's end an HTTP download that keeps a record stops leaving its work file
    // and record for the next start; anything else stops as Stop does.
    bool StopForExit() override;

    // --- going on after a restart (DownloadItemResume.cpp) ---
    // The program named in the records this item writes ("talvex" unless set).
    void SetRecordProgram(std::string program);
    // Takes on an unfinished download that a folder holds: its work file (locked for this
    // item; false, with nothing changed, when another holds it or it cannot be opened), its
    // addresses, title and choices. The item's next run goes on from the recorded positions
    // when the media is unchanged, and starts over (saying why in ResumeNote) when it is not.
    // paused: the item is listed Paused with its recorded progress. The item must have been
    // made with the record's quality and conversion flag.
    bool AdoptRecord(const FoundRecord& found, bool paused);
    // What the last run did with a record it took on: empty when it went on (or had none),
    // else why the download started over.
    std::wstring ResumeNote() const;
    // Bytes on disk when the record was taken on (0 without one).
    uint64_t AdoptedBytes() const { return adoptedBytes_.load(); }
    // The record file while the item keeps one (tests and front ends); empty otherwise.
    std::filesystem::path RecordPath() const;
    // When the record is first written while data arrives (two seconds after the transfer
    // began: a shorter download that is cut off simply starts over), and how often it is
    // rewritten after that (every second). A pause and the program's end write it at once.
    void SetRecordTiming(std::chrono::milliseconds first, std::chrono::milliseconds every) {
        recordFirst_ = first;
        recordEvery_ = every;
    }
    // Called by the transfers as data arrives: rewrites the record on a worker when it is due.
    void NoteProgress();
    // The validator a range that goes on with this file sends as "If-Range" (a strong ETag,
    // else Last-Modified); empty when the server sent neither.
    std::wstring IfRangeValidator() const;

    // --- IScriptTarget (read and written by script runs on workers) ---
    std::wstring PageUrl() const override;
    DownloadQuality FormatChoice() const override { return formatChoice_; }
    bool IsListParent() const override { return isListParent_.load(); }
    void* OwnerWindow() const override { return ownerWindow; }
    // Stop sets it: the item's script run ends and its page fetch is abandoned.
    const std::atomic<bool>* ScriptStopFlag() const override { return &stopRequested_; }
    void SetMediaUrl(const std::wstring& url) override;
    std::wstring MediaUrl() const override;
    void SetTitle(const std::wstring& title) override;
    void SetExtension(const std::wstring& extension) override;
    void SetRtmpPlayPath(const std::wstring& playPath) override;
    void SetRtmpSwfUrl(const std::wstring& swfUrl) override;
    void SetRtmpPageUrl(const std::wstring& pageUrl) override;
    void SetErrorText(const std::wstring& text) override;
    std::wstring ErrorText() const override;
    void SetIdList(const std::vector<std::wstring>& ids) override;

    // --- settings made before the item is queued ---
    void SetPageUrl(const std::wstring& url);
    void SetIsListParent(bool value) { isListParent_.store(value); }
    void SetAutoConvert(bool value) { autoConvert_ = value; }
    bool AutoConvert() const { return autoConvert_; }
    bool ConvertFlag() const { return convertFlag_; }
    SiteParser* Parser() const { return parser_; }
    // The time-outs of the size query and of every HTTP transfer (NetTimeouts' defaults unless
    // set; tests shorten them).
    void SetTransferTimeouts(const NetTimeouts& timeouts) { transferTimeouts_ = timeouts; }
    const NetTimeouts& TransferTimeouts() const { return transferTimeouts_; }

    // --- seams (tests) ---
    // Where the item queues its work (preparing, running, each transfer); the process-wide
    // thread pool unless set. Answers false when it refuses the work.
    using WorkQueue = std::function<bool(std::function<void()>)>;
    void SetWorkQueue(WorkQueue queue);
    // Called on the worker that is about to wind a run up (OnItemComplete), before it takes
    // any lock: after every transfer has ended and before the file takes its final name, say.
    void SetWindUpHook(std::function<void()> hook);

    // --- what the run found and did ---
    std::wstring Title() const;
    std::wstring Extension() const;
    std::wstring RtmpPlayPath() const;
    std::wstring RtmpSwfUrl() const;
    std::wstring RtmpPageUrl() const;
    // Video ids by key (0, 1, 2 ...), filled by a script run for a list page.
    std::map<int32_t, std::wstring> IdList() const;
    // The temporary file while there is one (else the download folder). The stored file is
    // ActivityItem::OutputPath().
    std::wstring WorkPath() const;
    bool IsMultiStream() const { return multiStream_.load(); }
    bool RetrySingle() const { return retrySingle_.load(); }
    // 1 after OnFailed, else the last failing transfer's result code; 0 when nothing failed.
    uint32_t FailedCode() const { return failed_.load(); }
    size_t SubItemCount();
    // Calls fn for each segment of a segmented run, under the transfers' lock (inspection and
    // tests).
    void ForEachSegment(const std::function<void(MultiStreamSubItem&)>& fn);

    // --- used by the transfers ---
    bool AddSubItem(DownloadSubItem* sub);
    // A transfer has ended (any outcome).
    bool OnSubItemComplete(DownloadSubItem* sub);
    int GetRunningSubItems();
    void OnFailed();
    bool OnItemComplete();
    bool StoreFile();
    void Cleanup();
    // The open temporary file. Transfers keep their own reference while they write, so that a
    // stop that deletes the file can never close the descriptor under a running write.
    std::shared_ptr<File> OutputFile();
    void SetRetrySingle() { retrySingle_.store(true); }
    const std::atomic<bool>& StopRequested() const { return stopRequested_; }

    // The thread-pool entry of every transfer: runs the sub-item's transfer.
    static void AsyncDownload(DownloadSubItem* sub);

private:
    void AsyncPrepare();
    void AsyncRun();
    // The media size from "content-length" of a header query; nothing when the query fails.
    // acceptsRanges tells whether the answer had "accept-ranges: bytes".
    std::optional<uint64_t> QueryMediaSize(const std::wstring& mediaUrl, bool* acceptsRanges);
    // Creates and opens the temporary file in the download folder; false when it cannot, or
    // when the item was stopped meanwhile (stopped is then set).
    bool CreateTemporaryFile(bool& stopped);
    // resumeAt: bytes already on disk (the rest is asked for with a range).
    void RunOneStreamDownload(uint64_t size = 0, uint64_t resumeAt = 0);
    // recorded: the segments of a record to go on with; nothing starts every segment anew.
    void RunMultiStreamDownload(uint64_t size,
                                const std::vector<ResumeSegment>* recorded = nullptr);
    void RunRTMPDownload();
    // The log lines of a one-transfer run: stopped before the start, started, failed.
    struct SingleSubItemLog {
        const char* stoppedBeforeStart;
        const char* started;
        const char* failed;
    };
    // Adds and starts the single transfer of a one-stream or RTMP run; recordSize: the size
    // of a stream that is recorded for a later start (0: none is, as for RTMP).
    void RunSingleSubItem(const RefPtr<DownloadSubItem>& sub, const SingleSubItemLog& log,
                          uint64_t recordSize = 0);
    // Starts sub (queues its AsyncDownload) unless the item was stopped or paused meanwhile.
    // Called with subItemLock held.
    bool StartSubItem(DownloadSubItem* sub);
    // A run that ends before its transfers started: stopped (canceled) or failed.
    void EndRunEarly();
    // Sets stopRequested and stops every running transfer. Called with subItemLock held.
    void StopAllSubItems();
    // The record (DownloadItemResume.cpp). BeginRecord starts one for the transfers just added
    // (called with subItemLock held); SaveRecord flushes the work file's data and then writes
    // what is on disk (force: whether or not it is due); DiscardRecord deletes it.
    void BeginRecord(uint64_t size);
    void SaveRecord();
    void DiscardRecord();
    // Folds the transfers' positions into the record's segments (subItemLock held).
    void CollectRecordSegments();
    std::optional<ResumeRecord> TakePendingRecord();
    // Why a download recorded as record cannot go on with the media as the server describes
    // it now; empty when it can.
    std::wstring WhyStartOver(const ResumeRecord& record, uint64_t size, bool acceptsRanges) const;
    void StartedOver(const std::wstring& why);
    // Moves the file at source to folder/title[n].ext; the target, or nothing.
    std::optional<std::filesystem::path> MoveToFinalName(const std::filesystem::path& source,
                                                         const std::wstring& title,
                                                         const std::wstring& extension,
                                                         int* attempt);
    bool RunScript();
    void RemoveSubItem(DownloadSubItem* sub);
    bool IsCurrentSubItem(DownloadSubItem* sub);
    void PostFinishedOnce();
    // Queues work through the work queue (the process-wide thread pool unless a test set one).
    bool QueueWork(std::function<void()> work);
    // A resume that could not start every segment: the segments it did start stop again and
    // the item stays paused (the last one to stop turns it Paused). Called with subItemLock
    // held.
    void KeepPaused();
    // Gives the file of a run whose transfers all ended well its final name; the run is
    // Completed only then, Failed when no name can be had, and left alone when a stop came
    // first.
    void CompleteRun();
    // Whether a conversion this download handed on still waits for the stored file or works
    // on it.
    bool FollowUpHoldsFile();
    // What a failed write or file creation in the download folder tells the user (error is
    // the errno value); and the same for a transfer that failed writing, when it did.
    std::wstring WriteErrorText(int error) const;
    void NoteWriteError(const DownloadSubItem& sub);
    // The text for key in the user's language; builtIn without a parser.
    std::wstring Text(const wchar_t* key, const wchar_t* builtIn) const;

    // Strings written by script runs and read by the user-interface thread.
    mutable std::mutex textLock_;
    std::wstring pageUrl_;
    std::wstring mediaUrl_;
    std::wstring errorText_;
    std::wstring title_;
    std::wstring extension_;
    std::wstring rtmpPlayPath_;
    std::wstring rtmpSwfUrl_;
    std::wstring rtmpPageUrl_;
    std::map<int32_t, std::wstring> idList_;
    // The folder the file is downloaded to (workPath at creation).
    std::filesystem::path downloadFolder_;
    // The temporary file this item created and still owns; empty when none.
    std::filesystem::path tempPath_;

    SiteParser* parser_;
    DCriticalSection subItemLock_;
    DCriticalSection completionLock_;
    std::atomic<bool> multiStream_{false};
    std::atomic<bool> retrySingle_{false};
    std::atomic<bool> stopRequested_{false};
    std::atomic<uint32_t> failed_{0};
    const DownloadQuality formatChoice_;
    std::atomic<bool> isListParent_{false};
    std::shared_ptr<File> outputFile_;  // under subItemLock
    bool autoConvert_ = false;
    const bool convertFlag_;
    std::vector<RefPtr<DownloadSubItem>> subItems_;  // under subItemLock
    NetTimeouts transferTimeouts_;
    WorkQueue workQueue_;               // under subItemLock
    std::function<void()> windUpHook_;  // under subItemLock
    // Every transfer of the run has ended well and the file waits for its final name; written
    // under subItemLock.
    std::atomic<bool> transferred_{false};
    // The conversion this download asked for when it completed, still known after the queue
    // took it on, without keeping it alive; under subItemLock.
    std::shared_ptr<ItemPresence> handedFollowUp_;
    // The record: what the next start needs to go on (see DownloadItemResume.cpp).
    std::optional<ResumeRecord> pendingRecord_;  // under subItemLock: taken on, not yet run
    std::vector<ResumeSegment> recordSegments_;  // under subItemLock
    uint64_t recordSize_ = 0;                    // under subItemLock
    bool recordMultiStream_ = false;             // under subItemLock
    mutable std::mutex recordLock_;
    std::filesystem::path recordPath_;  // under recordLock_; empty while no record is kept
    std::string recordProgram_ = "talvex";
    std::string etag_;          // under textLock_
    std::string lastModified_;  // under textLock_
    std::wstring resumeNote_;   // under textLock_
    std::atomic<bool> keepWork_{false};
    std::atomic<bool> savingRecord_{false};  // a save queued by NoteProgress runs
    std::atomic<uint64_t> nextRecordTick_{0};
    std::atomic<bool> recordWritten_{false};  // the record of this run is on disk
    std::atomic<uint64_t> adoptedBytes_{0};
    std::chrono::milliseconds recordFirst_{2000};
    std::chrono::milliseconds recordEvery_{1000};
    // The run whose end was last announced, so that one run posts one finished notice.
    std::atomic<uint64_t> runNumber_{0};
    std::atomic<uint64_t> postedRun_{0};
};

}  // namespace talvex
