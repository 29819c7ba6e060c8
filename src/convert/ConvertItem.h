#pragma once
// One conversion in the activity queue: names the output, runs the encoder on a pool worker,
// reads its progress from its error output, pauses, resumes and stops it, and at the end moves
// the finished work file to its final name.
//
// Files: the encoder writes a work file "~qrvXXXX.tmp<ext>" beside the output (its name held
// on disk by "~qrvXXXX.tmp" from naming until that file is moved or deleted, see WorkName.h);
// only a complete conversion is moved to the output name, and never over an existing file
// (unless replaceExisting asks to replace it, and then only at the end). A failed or canceled
// run leaves neither the work file nor anything under the output name.
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "activity/ActivityItem.h"
#include "activity/ProgressStatistics.h"
#include "convert/EncoderCommand.h"
#include "convert/WorkName.h"

namespace talvex {

class Process;

class ConvertItem : public ActivityItem {
public:
    // An encoder that has not ended this long after being asked to quit is killed.
    static constexpr int kQuitGraceMs = 10000;
    // Tries of output names before a move into place gives up.
    static constexpr int kNameTries = 20;
    // The encoder's nice value above this program's (it yields to the user interface and to
    // downloads).
    static constexpr int kEncoderNiceIncrement = 5;

    ConvertItem(int32_t profile, ConversionQuality quality);

    // Conversion options, set before the item is queued.
    int32_t volumePercent = 100;  // 0 to 200
    bool trim = false;
    bool replaceExisting = false;  // replace an existing output (at the end, not at the start)
    bool convertFlag = false;      // delete the source after a successful conversion
    std::wstring manualParams;
    std::wstring trimStart = L"0:00:00";
    std::wstring trimEnd = L"0:00:00";
    // The encoder and its probes; filled with the real encoder at the first run when empty.
    EncoderTools tools;
    // Where the search for a free work name starts; random when empty.
    WorkNameStart workNameStart;

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
    // Continues a paused encoder (Run does this from the paused state).
    bool Resume();

    // The encoder's last text after a progress figure (shown for a failed item).
    std::wstring LastMessage() const;
    // The profile's name suffix, set by output naming.
    std::wstring NameSuffix() const;
    // The command of the last run, as written to the debug log.
    std::wstring CommandText() const;

protected:
    ~ConvertItem() override;

private:
    void AsyncRun();
    // Builds the command and starts the encoder; false when either fails.
    bool StartEncoder();
    // Reads the encoder's error output until it ends; false when monitoring failed.
    bool Monitor();
    // Waits for the encoder to end, killing it when it ignores a stop; its exit code.
    int WaitForEncoder();
    // Sets the final state and moves or deletes the files; returns the state.
    ActivityState Finish(int exitCode);
    // Moves the file at from to target, trying suffixed names while the target is taken; the
    // name it got. Under mutex_.
    std::optional<std::wstring> MoveIntoPlaceLocked(const std::wstring& from,
                                                    const std::wstring& target);
    void NameOutput();
    // Reserves a work name beside the output (workPath); false when none can be had. Under
    // mutex_.
    bool ReserveWorkNameLocked();
    // Makes the work file the encoder writes, under a new name when something holds the
    // reserved one; false when it cannot. Under mutex_.
    bool CreateWorkFileLocked();
    // Deletes the work file (when this item made it), then gives the name up. Under mutex_.
    void ReleaseWorkNameLocked();
    // The work total in hundredths for a media duration, shortened by the cut.
    int64_t CutTotal(int64_t duration) const;
    // Asks the encoder to quit: "q" on its input, or kill. Under mutex_.
    void RequestQuitLocked();
    bool ResumeLocked();

    mutable std::mutex mutex_;
    std::shared_ptr<Process> process_;  // the running encoder, while there is one
    std::unique_ptr<ProgressStatistics> statistics_;
    std::wstring lastMessage_;
    std::wstring nameSuffix_;
    std::wstring commandText_;
    std::wstring reservation_;   // "~qrvXXXX.tmp" while this item holds the name of workPath
    bool workFileMade_ = false;  // the file at workPath was made by this item
    bool cancelRequested_ = false;
    bool workerActive_ = false;
    bool encoderPaused_ = false;
    uint64_t quitTick_ = 0;  // when the encoder was asked to quit; 0: not asked
    int monitorOk_ = 0;
};

}  // namespace talvex
