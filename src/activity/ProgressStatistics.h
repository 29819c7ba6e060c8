#pragma once
// Turns the byte counts of one transfer into the figures the user sees: percent done, speed
// and time left. Every transfer sub-item is one, handed to the HTTP client (or the RTMP
// connection) as its progress sink. The transfer reports on its own worker; the figures are
// read on the user-interface thread, so every field is guarded by one lock.
#include <cstdint>
#include <mutex>
#include <string>

#include "net/IActivityProgressNotify.h"

namespace talvex {

class StringTable;

class ProgressStatistics : public IActivityProgressNotify {
public:
    ProgressStatistics();
    ~ProgressStatistics() override = default;

    bool Update(uint64_t done, uint64_t counted, double speed, double altSpeed) override;
    bool OnSize(uint64_t total) override;
    bool OnStart(uint64_t startTick) override;
    bool OnComplete() override;
    uint64_t GetDone() override;

    // Percent done, average speed since the (re)start in bytes per second, and seconds left.
    // False, with nothing written, before the first report. With no known total only the
    // percent (0) is written. When no estimate can be made (no time has passed yet, nothing
    // arrived since the start) secondsLeft is -1.
    bool GetStats(int32_t& percent, double& speed, int32_t& secondsLeft) const;
    // The same as seen at tick now (tests).
    bool GetStatsAt(uint64_t now, int32_t& percent, double& speed, int32_t& secondsLeft) const;

    uint64_t Total() const;

    // "%1 MB/s" from 1 MiB/s up, "%1 KB/s" below; the number with two decimals. strings may be
    // null (the built-in English texts).
    static std::wstring FormatSpeed(const StringTable* strings, double bytesPerSecond);
    // "----" for a negative time; "%1h %2m" (whole days dropped), "%1m %2s" or "%1s".
    static std::wstring FormatTimeLeft(const StringTable* strings, int64_t seconds);

    struct ProgressText {
        int32_t percent = 0;
        std::wstring speed;
        std::wstring timeLeft;
    };
    // The figures as texts; "0 KB/s" and "----" before the first report.
    static ProgressText FormatProgress(const ProgressStatistics& stats, const StringTable* strings);

private:
    mutable std::mutex lock_;
    uint32_t samples_ = 0;
    uint64_t lastUpdateTick_ = 0;
    uint64_t total_ = 0;
    uint64_t done_ = 0;
    uint64_t counted_ = 0;
    uint64_t startTick_;
    // done and counted at the last (re)start: the speed and the estimate measure only what
    // arrived since then, so a resumed transfer does not show the bytes of earlier attempts as
    // if they had arrived in its first moments.
    uint64_t doneAtStart_ = 0;
    uint64_t countedAtStart_ = 0;
};

}  // namespace talvex
