#pragma once
// One page address turned into one stored media file. The site script (run on a worker) finds
// the media address, title and extension; the item writes into a temporary "~qrv" file in the
// download folder (pre-sized to the media size for ranged streams, grown by the body for one
// stream) through one HTTP stream, several ranged HTTP streams at once, or RTMP; when every
// transfer has ended well it moves the file to its final name ("title.ext", or "title[n].ext"
// when taken), turns Completed only then, and posts the finished notice to its owner window.
// A segmented run that the server answers with the whole file is rerun once as one stream.
//
// Threads: Prepare, Run, Pause and Stop are called on the user-interface thread (under the
// queue's lock); preparing, running and each transfer are separate thread-pool work items, and
// transfers report their end through OnSubItemComplete on their own workers.
// Locks, outermost first: completionLock (one OnItemComplete at a time), subItemLock (the
// transfers, the state changes of Pause/Stop/OnSubItemComplete, the temporary file), and the
// text lock of the strings (innermost: nothing else is taken while it is held).
#include <atomic>
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
#include "net/DNetworking.h"
#include "platform/FileOps.h"
#include "scripts/IScriptTarget.h"

namespace talvex {

class ItemPresence;
class SiteParser;

class DownloadItem : public ActivityItem, public IScriptTarget {
public:
    class DownloadSubItem;
    class OneStreamSubItem;
    class MultiStreamSubItem;
    class RTMPStreamSubItem;

    // Segmented downloads use four ranges (the last takes the remainder).
    static constexpr uint64_t kSegments = 4;
    // Name collisions at the target are resolved with "[1]" .. "[19]".
    static constexpr int kMaxNameAttempts = 20;

    // parser: the engine's interpreter, not owned (may be null: every script run fails).
    DownloadItem(SiteParser* parser, int32_t formatChoice, bool convertFlag);
    ~DownloadItem() override;

    // A playlist or channel entry: copies the parent's parser, download folder, quality,
    // conversion settings, multiStream and retrySingle; pageUrl is the entry's own address.
    RefPtr<DownloadItem> MakeChild(const std::wstring& pageUrl) const;

    // The byte ranges of a segmented download of size bytes: size / 4 bytes each, the last one
    // taking the remainder (so 1003 bytes give 0-249, 250-499, 500-749, 750-1002, and a very
    // small file can give more than four: 10 bytes give five of two). Below 4 bytes: one range.
    static std::vector<ByteRange> SegmentRanges(uint64_t size);

    // The figures of one transfer, and of the whole item.
    struct Figures {
        int32_t percent = 0;
        double speed = 0.0;
        int32_t secondsLeft = -1;
    };
    // The item's figures from its segments' in state s: the mean percent (rounded down), the
    // summed speed and the mean time left (rounded down, 0 shown as 1) while running, no speed
    // and no estimate otherwise. Nothing when there is no segment to average.
    static std::optional<Figures> CombineSegments(const std::vector<Figures>& segments,
                                                  ActivityState s);

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

    // --- IScriptTarget (read and written by script runs on workers) ---
    std::wstring PageUrl() const override;
    int32_t FormatChoice() const override { return formatChoice_; }
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
    // Called on the worker that ends a run well, after every transfer has ended and before the
    // file takes its final name.
    void SetBeforeStoreHook(std::function<void()> hook);

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
    void RunOneStreamDownload();
    void RunMultiStreamDownload(uint64_t size);
    void RunRTMPDownload();
    // The log lines of a one-transfer run: stopped before the start, started, failed.
    struct SingleSubItemLog {
        const char* stoppedBeforeStart;
        const char* started;
        const char* failed;
    };
    // Adds and starts the single transfer of a one-stream or RTMP run.
    void RunSingleSubItem(const RefPtr<DownloadSubItem>& sub, const SingleSubItemLog& log);
    // Starts sub (queues its AsyncDownload) unless the item was stopped or paused meanwhile.
    // Called with subItemLock held.
    bool StartSubItem(DownloadSubItem* sub);
    // A run that ends before its transfers started: stopped (canceled) or failed.
    void EndRunEarly();
    // Sets stopRequested and stops every running transfer. Called with subItemLock held.
    void StopAllSubItems();
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
    const int32_t formatChoice_;
    std::atomic<bool> isListParent_{false};
    std::shared_ptr<File> outputFile_;  // under subItemLock
    bool autoConvert_ = false;
    const bool convertFlag_;
    std::vector<RefPtr<DownloadSubItem>> subItems_;  // under subItemLock
    NetTimeouts transferTimeouts_;
    WorkQueue workQueue_;                    // under subItemLock
    std::function<void()> beforeStoreHook_;  // under subItemLock
    // Every transfer of the run has ended well and the file waits for its final name; written
    // under subItemLock.
    std::atomic<bool> transferred_{false};
    // The conversion this download asked for when it completed, still known after the queue
    // took it on, without keeping it alive; under subItemLock.
    std::shared_ptr<ItemPresence> handedFollowUp_;
    // The run whose end was last announced, so that one run posts one finished notice.
    std::atomic<uint64_t> runNumber_{0};
    std::atomic<uint64_t> postedRun_{0};
};

}  // namespace talvex
