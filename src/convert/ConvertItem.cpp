#include "convert/ConvertItem.h"

#include <sys/stat.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <system_error>

#include "activity/WorkFileObserver.h"
#include "app/DebugLog.h"
#include "app/threads/RefPtr.h"
#include "convert/ConversionProfiles.h"
#include "convert/EncoderOutput.h"
#include "convert/ManualCommand.h"
#include "convert/ManualCommandRefusal.h"
#include "convert/TrimTimes.h"
#include "platform/CollisionName.h"
#include "platform/FileOps.h"
#include "platform/PathText.h"
#include "platform/Process.h"
#include "platform/ThreadPool.h"
#include "platform/Tick.h"

namespace talvex {

namespace fs = std::filesystem;

namespace {

// How long the monitor sleeps in one wait for output or for the encoder's end. Output wakes
// it at once; the time limit only matters for noticing an ignored quit request.
constexpr int kPollMs = 250;
// Progress reports closer than this to the run's start are dropped, except the first.
constexpr uint64_t kReportIntervalMs = 200;

// Whether two names reach one file (the same path, or links to one file).
bool SameFile(const std::wstring& a, const std::wstring& b) {
    std::error_code ec;
    if (fs::equivalent(ToPath(a), ToPath(b), ec)) {
        return true;
    }
    return ToPath(a).lexically_normal() == ToPath(b).lexically_normal();
}

// Whether anything (a file, a folder, a dangling link) holds the name.
bool NameTaken(const std::wstring& path) {
    struct stat st {};
    return ::lstat(ToPath(path).c_str(), &st) == 0;
}

bool IsRegularFile(const std::wstring& path) {
    struct stat st {};
    return ::stat(ToPath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

size_t NameStart(const std::wstring& path) {
    size_t slash = path.rfind(L'/');
    return slash == std::wstring::npos ? 0 : slash + 1;
}

// The position of the extension's dot in the last component, or npos. A leading dot (a
// hidden file's name) is not an extension.
size_t ExtensionDot(const std::wstring& path) {
    size_t dot = path.rfind(L'.');
    if (dot == std::wstring::npos || dot <= NameStart(path)) {
        return std::wstring::npos;
    }
    return dot;
}

std::wstring WithoutExtension(const std::wstring& path) {
    size_t dot = ExtensionDot(path);
    return dot == std::wstring::npos ? path : path.substr(0, dot);
}

std::wstring ExtensionOf(const std::wstring& path) {
    size_t dot = ExtensionDot(path);
    return dot == std::wstring::npos ? std::wstring() : path.substr(dot);
}

void RemoveIfPresent(const std::wstring& path) {
    if (!path.empty() && IsRegularFile(path)) {
        RemoveRegularFile(ToPath(path));
    }
}

}  // namespace

ConvertItem::ConvertItem(int32_t profileIndex, ConversionQuality qualityChoice)
    : ActivityItem(ActivityKind::Conversion), statistics_(std::make_unique<ProgressStatistics>()) {
    profile = profileIndex;
    quality = qualityChoice;
    manual = profileIndex == kProfileManual;
}

ConvertItem::~ConvertItem() {
    // A queued item that never ran still holds its work name.
    try {
        std::lock_guard lock(mutex_);
        ReleaseWorkNameLocked();
    } catch (...) {
    }
}

bool ConvertItem::GetProgress(int32_t& outPercent, double& outSpeed, int32_t& outSecondsLeft) {
    int32_t p = 0;
    double s = 0.0;
    int32_t left = -1;
    const ActivityState st = state.load();
    if (st == ActivityState::Completed) {
        p = 100;
    } else if ((st == ActivityState::Running || st == ActivityState::Paused) && !manual) {
        std::lock_guard lock(mutex_);
        int32_t sp = 0, sleft = -1;
        double ss = 0.0;
        if (statistics_ && statistics_->GetStats(sp, ss, sleft)) {
            p = sp;
            s = ss;
            left = sleft;
        }
    }
    percent.store(p);
    speed.store(s);
    secondsLeft.store(left);
    outPercent = p;
    outSpeed = s;
    outSecondsLeft = left;
    return true;
}

std::wstring ConvertItem::GetFileName() {
    const std::wstring output = OutputPath();
    return output.substr(NameStart(output));
}

bool ConvertItem::SetFileName(const std::wstring& name) {
    // A new name, not a way into another folder.
    if (name.empty() || name == L"." || name == L".." || name.find(L'/') != std::wstring::npos) {
        return false;
    }
    std::lock_guard lock(mutex_);
    const std::wstring old = OutputPath();
    const size_t nameStart = NameStart(old);
    const std::wstring next = old.substr(0, nameStart) + name;
    if (state.load() != ActivityState::Completed) {
        SetOutputPath(next);
        return true;
    }
    const std::optional<std::wstring> moved = MoveIntoPlaceLocked(old, next);
    if (moved) {
        SetOutputPath(*moved);
    }
    return moved.has_value();
}

void ConvertItem::NameOutput() {
    const std::wstring extension = ProfileExtension(profile);
    const std::wstring suffix = ProfileNameSuffix(profile);
    std::lock_guard lock(mutex_);
    nameSuffix_ = suffix;
    std::wstring candidate = WithoutExtension(sourcePath) + extension;
    // The source is never replaced, whatever replaceExisting says: an output named like its
    // source ("b.mp4" to iPhone) takes a free name as if replacing were off.
    if (!replaceExisting || SameFile(candidate, sourcePath)) {
        const std::wstring stem = WithoutExtension(candidate);
        auto nth = [&](int n) {
            return n == 0 ? candidate : SuffixedName(stem, suffix, n, extension);
        };
        // The first free one; when all are taken, the one after them (the move into place
        // walks on from there at the end).
        const std::optional<int> freeTry = TakeFirstFree(
            kNameTries, [&](int n) { return NameTaken(nth(n)) ? NameTry::Taken : NameTry::Done; });
        candidate = nth(freeTry.value_or(kNameTries));
    }
    SetOutputPath(candidate);
    if (reservation_.empty()) {
        ReserveWorkNameLocked();
    }
}

bool ConvertItem::ReserveWorkNameLocked() {
    const std::wstring output = OutputPath();
    fs::path folder = ToPath(output).parent_path();
    if (folder.empty()) {
        folder = ".";
    }
    // Taken while any name held before is still held, so that a retry walks on to another.
    const std::optional<fs::path> reserved = ReserveWorkName(folder, workNameStart);
    if (!reserved) {
        return false;
    }
    AnnounceWorkFile(*reserved);
    ReleaseWorkNameLocked();
    reservation_ = FromPath(*reserved);
    workPath = reservation_ + ExtensionOf(output);
    return true;
}

bool ConvertItem::CreateWorkFileLocked() {
    if (workFileMade_) {
        return true;
    }
    for (int i = 0; i < kNameTries; ++i) {
        if (reservation_.empty() && !ReserveWorkNameLocked()) {
            return false;
        }
        if (CreateWorkFile(ToPath(workPath))) {
            AnnounceWorkFile(ToPath(workPath));
            workFileMade_ = true;
            return true;
        }
        // Not this item's file: left as it is, and another name taken.
        if (!ReserveWorkNameLocked()) {
            return false;
        }
    }
    return false;
}

void ConvertItem::ReleaseWorkNameLocked() {
    if (workFileMade_) {
        RemoveIfPresent(workPath);
        ReleaseWorkFile(ToPath(workPath));
    }
    // Given up only after the work file is gone, so no one else can be handed it meanwhile.
    RemoveIfPresent(reservation_);
    ReleaseWorkFile(ToPath(reservation_));
    reservation_.clear();
    workPath.clear();
    workFileMade_ = false;
}

bool ConvertItem::Prepare() {
    DebugLog::Write("Enter ConvertItem::Prepare");
    SetState(ActivityState::Queued);
    std::error_code ec;
    const uintmax_t size = fs::file_size(ToPath(sourcePath), ec);
    sizeMB.store(ec ? 0.0 : static_cast<double>(size) / 1048576.0);
    if (!manual) {
        NameOutput();
    }
    DebugLog::Write("Exit ConvertItem::Prepare");
    return true;
}

bool ConvertItem::Run() {
    DebugLog::Write("Enter ConvertItem::Run");
    {
        std::lock_guard lock(mutex_);
        if (state.load() == ActivityState::Paused) {
            return ResumeLocked();
        }
        if (workerActive_) {
            return false;
        }
    }
    if (state.load() == ActivityState::Created) {
        Prepare();
    }
    {
        std::lock_guard lock(mutex_);
        if (workerActive_) {
            return false;
        }
        statistics_ = std::make_unique<ProgressStatistics>();
        lastMessage_.clear();
        cancelRequested_ = false;
        encoderPaused_ = false;
        quitTick_ = 0;
        monitorOk_ = 0;
        workerActive_ = true;
        SetState(ActivityState::Running);
    }
    AddRef();  // the worker's reference, dropped when it has posted its notice
    if (!ThreadPool::Global().Queue([this] { AsyncRun(); })) {
        {
            std::lock_guard lock(mutex_);
            workerActive_ = false;
            SetState(ActivityState::Failed);
        }
        PostFinished();
        Release();
        DebugLog::Write("Exit ConvertItem::Run (failed)");
        return false;
    }
    return true;
}

bool ConvertItem::ResumeLocked() {
    if (state.load() != ActivityState::Paused || !encoderPaused_ || !process_) {
        return false;
    }
    if (!process_->Signal(SIGCONT)) {
        return false;
    }
    encoderPaused_ = false;
    SetState(ActivityState::Running);
    return true;
}

bool ConvertItem::Resume() {
    std::lock_guard lock(mutex_);
    return ResumeLocked();
}

bool ConvertItem::Pause() {
    std::lock_guard lock(mutex_);
    if (state.load() != ActivityState::Running || manual || !process_ || encoderPaused_ ||
        quitTick_ != 0) {
        return false;
    }
    if (!process_->Running() || !process_->Signal(SIGSTOP)) {
        return false;
    }
    encoderPaused_ = true;
    SetState(ActivityState::Paused);
    return true;
}

void ConvertItem::RequestQuitLocked() {
    if (quitTick_ != 0) {
        return;  // asked once; the monitor kills it if it does not end in time
    }
    quitTick_ = std::max<uint64_t>(TickMs(), 1);
    // The encoder ends cleanly, closing its output, when it reads "q". The manual command gets
    // no input (its output is the user's affair), and a closed input means it cannot read: end
    // it at once.
    if (manual || !process_->WriteStdin("q")) {
        process_->Kill();
    }
}

bool ConvertItem::Stop() {
    DebugLog::Write("Enter ConvertItem::Stop");
    std::lock_guard lock(mutex_);
    cancelRequested_ = true;
    if (state.load() == ActivityState::Paused) {
        ResumeLocked();
    }
    const ActivityState st = state.load();
    if (st == ActivityState::Running) {
        // Without a process yet, the worker sees the request before or right after starting.
        if (process_) {
            RequestQuitLocked();
        }
    } else if (st == ActivityState::Created || st == ActivityState::Queued) {
        ReleaseWorkNameLocked();
        SetState(ActivityState::Canceled);
    }
    return true;
}

bool ConvertItem::CanStart() {
    const ActivityState st = state.load();
    return st == ActivityState::Queued || st == ActivityState::Canceled ||
           st == ActivityState::Paused || st == ActivityState::Failed;
}

bool ConvertItem::CanPause() {
    return state.load() == ActivityState::Running && !manual;
}

bool ConvertItem::CanStop() {
    const ActivityState st = state.load();
    return st == ActivityState::Queued || st == ActivityState::Running ||
           st == ActivityState::Paused;
}

std::wstring ConvertItem::LastMessage() const {
    std::lock_guard lock(mutex_);
    return lastMessage_;
}

std::wstring ConvertItem::NameSuffix() const {
    std::lock_guard lock(mutex_);
    return nameSuffix_;
}

std::wstring ConvertItem::CommandText() const {
    std::lock_guard lock(mutex_);
    return commandText_;
}

bool ConvertItem::StartEncoder() {
    if (tools.encoder.empty()) {
        tools = EncoderTools::System();
    }
    std::optional<CommandLine> command;
    if (manual) {
        // Only the encoder is ever started: another program named first is refused here,
        // before anything runs (the front ends refuse it before queuing already).
        if (auto refusal = ManualCommandRefusal(nullptr, manualParams, tools.encoder)) {
            std::lock_guard lock(mutex_);
            lastMessage_ = *refusal;
            DebugLog::Write("Exit ConvertItem::StartEncoder (fails - not the encoder)");
            return false;
        }
        command = BuildManualCommand(manualParams, sourcePath, tools.encoder);
    } else {
        {
            std::lock_guard lock(mutex_);
            if (!CreateWorkFileLocked()) {
                DebugLog::Write("Exit ConvertItem::StartEncoder (fails - no work file)");
                return false;
            }
        }
        EncoderCommandInput input;
        input.profile = profile;
        input.quality = quality;
        input.volumePercent = volumePercent;
        input.trim = trim;
        input.trimStart = trimStart;
        input.trimEnd = trimEnd;
        input.sourcePath = sourcePath;
        input.workPath = workPath;
        command = BuildEncoderCommand(input, tools);
    }
    if (!command) {
        DebugLog::Write("Exit ConvertItem::StartEncoder (fails - no command)");
        return false;
    }
    DebugLog::Write(L"Enter ConvertItem::StartEncoder with command:" + command->text);

    Process::Options options;
    // The manual command cannot be asked to quit (it is killed), so it gets no input.
    options.stdinMode = manual ? Process::Stream::Null : Process::Stream::Pipe;
    options.stdoutMode = Process::Stream::Null;
    options.stderrMode = Process::Stream::Pipe;
    options.searchPath = true;
    options.niceIncrement = kEncoderNiceIncrement;
    options.newProcessGroup = true;
    if (manual) {
        // Relative names in the user's command refer to the source's folder.
        options.workingFolder = ToPath(sourcePath).parent_path();
    }
    auto process = std::make_shared<Process>();
    const bool started = process->Start(command->argv, options);
    std::lock_guard lock(mutex_);
    commandText_ = command->text;
    if (!started) {
        DebugLog::Write("Exit ConvertItem::StartEncoder (fails - not started)");
        return false;
    }
    process_ = process;
    if (cancelRequested_) {
        RequestQuitLocked();
    }
    return true;
}

int64_t ConvertItem::CutTotal(int64_t duration) const {
    // The encoder counts the output's time, which covers only the cut.
    return trim && !manual ? CutLength(duration, trimStart, trimEnd) : duration;
}

bool ConvertItem::Monitor() {
    std::shared_ptr<Process> process;
    ProgressStatistics* stats = nullptr;
    {
        std::lock_guard lock(mutex_);
        process = process_;
        stats = statistics_.get();
    }
    const uint64_t startTick = TickMs();
    if (!stats->OnStart(startTick)) {
        return false;
    }
    EncoderOutputReader reader;
    bool firstReport = true;
    bool ok = true;
    bool killed = false;
    auto take = [&](const EncoderOutputReader::Figures& figures) {
        if (figures.duration) {
            stats->OnSize(static_cast<uint64_t>(CutTotal(*figures.duration)));
        }
        if (figures.position) {
            const uint64_t now = TickMs();
            const uint64_t elapsed = now - startTick;
            if (firstReport || elapsed > kReportIntervalMs) {
                const uint64_t position = static_cast<uint64_t>(*figures.position);
                const double rate = elapsed > 0 ? position * 1000.0 / elapsed : 0.0;
                stats->Update(position, position, rate, rate);
                firstReport = false;
            }
        }
        std::lock_guard lock(mutex_);
        lastMessage_ = reader.LastMessage();
    };
    for (;;) {
        std::string chunk;
        const Process::ReadResult r = process->ReadStderr(chunk, kPollMs);
        if (r == Process::ReadResult::Data) {
            take(reader.Feed(chunk));
        } else if (r == Process::ReadResult::End) {
            break;
        } else if (r == Process::ReadResult::Error) {
            ok = false;
            break;
        } else if (!process->Running()) {
            // Ended, though something it started may hold the stream open: take what is
            // already there and stop reading.
            while (process->ReadStderr(chunk, 0) == Process::ReadResult::Data) {
                take(reader.Feed(chunk));
                chunk.clear();
            }
            break;
        }
        if (!killed) {
            std::lock_guard lock(mutex_);
            if (quitTick_ != 0 && TickMs() - quitTick_ >= kQuitGraceMs) {
                process->Kill();
                killed = true;
            }
        }
    }
    take(reader.Flush());
    process->CloseStderr();
    return ok;
}

int ConvertItem::WaitForEncoder() {
    std::shared_ptr<Process> process;
    {
        std::lock_guard lock(mutex_);
        process = process_;
    }
    for (;;) {
        if (auto code = process->Wait(kPollMs)) {
            return *code;
        }
        std::lock_guard lock(mutex_);
        if (quitTick_ != 0 && TickMs() - quitTick_ >= kQuitGraceMs) {
            process->Kill();
        }
    }
}

std::optional<std::wstring> ConvertItem::MoveIntoPlaceLocked(const std::wstring& from,
                                                             const std::wstring& target) {
    const std::wstring stem = WithoutExtension(target);
    const std::wstring extension = ExtensionOf(target);
    std::wstring moved;
    const std::optional<int> taken = TakeFirstFree(kNameTries, [&](int n) {
        const std::wstring candidate = SuffixedName(stem, nameSuffix_, n, extension);
        if (IsRegularFile(from) && !NameTaken(candidate) &&
            MoveNoReplace(ToPath(from), ToPath(candidate))) {
            moved = candidate;
            return NameTry::Done;
        }
        return NameTry::Taken;
    });
    if (!taken) {
        return std::nullopt;
    }
    return moved;
}

ActivityState ConvertItem::Finish(int exitCode) {
    bool canceled;
    {
        std::lock_guard lock(mutex_);
        canceled = cancelRequested_;
    }
    ActivityState result;
    if (manual) {
        result = canceled        ? ActivityState::Canceled
                 : exitCode != 0 ? ActivityState::Failed
                                 : ActivityState::Completed;
    } else {
        std::lock_guard lock(mutex_);
        if (!workFileMade_ || !IsRegularFile(workPath) || exitCode != 0 || monitorOk_ == 0 ||
            canceled) {
            result = canceled ? ActivityState::Canceled : ActivityState::Failed;
        } else {
            const std::wstring output = OutputPath();
            if (replaceExisting) {
                RemoveIfPresent(output);
            }
            if (const auto moved = MoveIntoPlaceLocked(workPath, output)) {
                SetOutputPath(*moved);
                result = ActivityState::Completed;
                // Never the file just made (a replaced source has the output's name).
                if (convertFlag && sourcePath != *moved) {
                    RemoveIfPresent(sourcePath);
                }
            } else {
                result = ActivityState::Failed;
            }
        }
        ReleaseWorkNameLocked();
    }
    std::lock_guard lock(mutex_);
    SetState(result);
    cancelRequested_ = false;
    encoderPaused_ = false;
    quitTick_ = 0;
    process_.reset();
    workerActive_ = false;
    return result;
}

void ConvertItem::AsyncRun() {
    // Takes over the reference Run added for this worker.
    RefPtr<ConvertItem> self = RefPtr<ConvertItem>::Adopt(this);
    ActivityState result = ActivityState::Failed;
    try {
        DebugLog::Write("Enter ConvertItem::AsyncRun");
        bool canceled;
        {
            std::lock_guard lock(mutex_);
            canceled = cancelRequested_;
        }
        int exitCode = -1;
        if (!canceled && StartEncoder()) {
            const bool monitored = Monitor();
            exitCode = WaitForEncoder();
            std::lock_guard lock(mutex_);
            // The manual command's progress is not followed: its run is watched only for
            // its end.
            monitorOk_ = (monitored || manual) ? 1 : 0;
            if (!cancelRequested_ && statistics_) {
                statistics_->OnComplete();
            }
        }
        result = Finish(exitCode);
    } catch (...) {
        // A failure of this worker must not leave the item running or a work file behind.
        try {
            std::lock_guard lock(mutex_);
            if (process_) {
                process_->Kill();
                process_->Wait(-1);
            }
            if (!manual) {
                ReleaseWorkNameLocked();
            }
            SetState(ActivityState::Failed);
            cancelRequested_ = false;
            encoderPaused_ = false;
            quitTick_ = 0;
            process_.reset();
            workerActive_ = false;
        } catch (...) {
        }
        result = ActivityState::Failed;
    }
    const char* outcome =
        result == ActivityState::Completed  ? "Exit ConvertItem::AsyncRun (success)"
        : result == ActivityState::Canceled ? "Exit ConvertItem::AsyncRun (canceled)"
                                            : "Exit ConvertItem::AsyncRun (failed)";
    DebugLog::Write(outcome);
    PostFinished();
}

}  // namespace talvex
