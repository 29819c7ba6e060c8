// The item's files: the temporary "~qrv" file it downloads into, the final name the finished
// file takes (and takes again on a rename), the removal of what a stopped or failed run leaves,
// and what the user is told when the download folder cannot take the file.
#include "download/DownloadItem.h"

#include <cerrno>
#include <mutex>

#include "activity/ItemPresence.h"
#include "activity/WorkFileObserver.h"
#include "app/DebugLog.h"
#include "download/DownloadPaths.h"
#include "download/DownloadSubItem.h"
#include "platform/CollisionName.h"
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

// One lock for every item's temporary file creation, so that two items never pick one name.
std::mutex g_tempFileLock;

}  // namespace

bool DownloadItem::CreateTemporaryFile(bool& stopped) {
    stopped = false;
    std::lock_guard<DCriticalSection> guard(subItemLock_);
    // A stop takes this lock too: either it came first and nothing is created, or it comes
    // later and deletes what was created here.
    if (stopRequested_.load()) {
        stopped = true;
        return false;
    }
    if (outputFile_ && outputFile_->IsOpen()) {
        return true;
    }
    fs::path folder;
    {
        std::lock_guard<std::mutex> text(textLock_);
        if (downloadFolder_.empty()) {
            downloadFolder_ = ToPath(workPath);
        }
        folder = downloadFolder_;
    }
    std::optional<fs::path> path;
    int error = 0;
    {
        std::lock_guard<std::mutex> temp(g_tempFileLock);
        path = CreateUniqueTempFile(folder, "~qrv");
        error = errno;
    }
    if (!path) {
        // A read-only or full folder: the user is told which, not just that the run failed.
        SetErrorText(WriteErrorText(error));
        return false;
    }
    AnnounceWorkFile(*path);
    File file = File::OpenReadWrite(*path);
    // Locked for as long as this item holds it: a start of another program neither takes its
    // record on nor removes it as left over.
    file.TryLock();
    if (!file.IsOpen()) {
        SetErrorText(WriteErrorText(errno));
        RemoveRegularFile(*path);
        ReleaseWorkFile(*path);
        return false;
    }
    outputFile_ = std::make_shared<File>(std::move(file));
    std::lock_guard<std::mutex> text(textLock_);
    tempPath_ = *path;
    workPath = FromPath(*path);
    return true;
}

std::wstring DownloadItem::WorkPath() const {
    std::lock_guard<std::mutex> guard(textLock_);
    return workPath;
}

void DownloadItem::Cleanup() {
    std::lock_guard<DCriticalSection> guard(subItemLock_);
    if (keepWork_.load()) {
        // Stopped at the program's end: the work file and its record stay for the next start,
        // the record brought up to what is on disk now.
        SaveRecord();
        return;
    }
    DiscardRecord();
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
        title_ += NumberMark(attempt);
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
    std::optional<fs::path> moved;
    const std::optional<int> taken = TakeFirstFree(kMaxNameAttempts, [&](int n) {
        fs::path target = folder / FinalFileName(title, extension, n);
        std::error_code ec;
        if (!fs::exists(source, ec) || fs::exists(target, ec)) {
            return NameTry::Taken;
        }
        // Never replaces: a file that appeared under the name meanwhile makes this attempt
        // fail like an existing one.
        if (!MoveNoReplace(source, target)) {
            return NameTry::Taken;
        }
        moved = std::move(target);
        return NameTry::Done;
    });
    if (taken) {
        *attempt = *taken;
    }
    return moved;
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
            DiscardRecord();
            std::lock_guard<std::mutex> guard(textLock_);
            SetOutputPath(FromPath(*target));
            tempPath_.clear();
            ReleaseWorkFile(source);
            if (attempt != 0) {
                title_ += NumberMark(attempt);
            }
            stored = true;
        }
    }
    DebugLog::Write("Exit DownloadItem::StoreFile()");
    return stored;
}

void DownloadItem::CompleteRun() {
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

}  // namespace talvex
