#include "activity/ProgressStatistics.h"

#include <charconv>
#include <limits>

#include "app/StringTable.h"
#include "platform/Tick.h"

namespace talvex {

namespace {

std::wstring Text(const StringTable* strings, std::wstring_view key, std::wstring_view builtIn) {
    return strings != nullptr ? strings->GetText(key, builtIn) : std::wstring(builtIn);
}

// Replaces every "%1" (or "%2") in pattern with value.
std::wstring Fill(std::wstring pattern, std::wstring_view marker, const std::wstring& value) {
    size_t at = 0;
    while ((at = pattern.find(marker, at)) != std::wstring::npos) {
        pattern.replace(at, marker.size(), value);
        at += value.size();
    }
    return pattern;
}

std::wstring FormatFixed2(double value) {
    // Independent of the process locale: the language file decides the rest of the text.
    char buffer[64];
    auto end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 2);
    return std::wstring(buffer, end.ptr);
}

std::wstring FormatInt(int64_t value) {
    return std::to_wstring(value);
}

}  // namespace

ProgressStatistics::ProgressStatistics() : startTick_(TickMs() + 1) {}

bool ProgressStatistics::Update(uint64_t done, uint64_t counted, double /*speed*/,
                                double /*altSpeed*/) {
    std::lock_guard<std::mutex> guard(lock_);
    done_ = done;
    counted_ = counted;
    ++samples_;
    lastUpdateTick_ = TickMs();
    return true;
}

bool ProgressStatistics::OnSize(uint64_t total) {
    std::lock_guard<std::mutex> guard(lock_);
    total_ = total;
    return true;
}

bool ProgressStatistics::OnStart(uint64_t startTick) {
    // What earlier attempts delivered: the new attempt's speed is measured from there.
    uint64_t base = GetDone();
    std::lock_guard<std::mutex> guard(lock_);
    startTick_ = startTick;
    done_ = base;
    counted_ = base;
    doneAtStart_ = base;
    countedAtStart_ = base;
    return true;
}

bool ProgressStatistics::OnComplete() {
    std::lock_guard<std::mutex> guard(lock_);
    done_ = total_;
    return true;
}

uint64_t ProgressStatistics::GetDone() {
    std::lock_guard<std::mutex> guard(lock_);
    return done_;
}

uint64_t ProgressStatistics::Total() const {
    std::lock_guard<std::mutex> guard(lock_);
    return total_;
}

bool ProgressStatistics::GetStats(int32_t& percent, double& speed, int32_t& secondsLeft) const {
    return GetStatsAt(TickMs(), percent, speed, secondsLeft);
}

bool ProgressStatistics::GetStatsAt(uint64_t now, int32_t& percent, double& speed,
                                    int32_t& secondsLeft) const {
    std::lock_guard<std::mutex> guard(lock_);
    if (samples_ == 0) {
        return false;
    }
    percent = 0;
    if (total_ == 0) {
        return true;
    }
    if (done_ >= total_) {
        percent = 100;
        secondsLeft = 0;
        speed = 0.0;
        return true;
    }
    percent = static_cast<int32_t>(
        static_cast<double>(done_) * 100.0 / static_cast<double>(total_) + 0.5);
    // The start tick begins one millisecond after construction, so "now" may lie before it.
    uint64_t elapsedMs = now > startTick_ ? now - startTick_ : 0;
    if (elapsedMs == 0) {
        speed = 0.0;
        secondsLeft = -1;
        return true;
    }
    double seconds = static_cast<double>(elapsedMs) / 1000.0;
    uint64_t countedNow = counted_ > countedAtStart_ ? counted_ - countedAtStart_ : 0;
    uint64_t doneNow = done_ > doneAtStart_ ? done_ - doneAtStart_ : 0;
    speed = static_cast<double>(countedNow) / seconds;
    // The estimate follows the rate at which "done" grows. For HTTP that is the speed itself;
    // for RTMP "done" is stream time while "counted" is bytes, and only the former says how
    // much is left.
    double doneRate = static_cast<double>(doneNow) / seconds;
    if (doneRate <= 0.0) {
        secondsLeft = -1;
        return true;
    }
    double left = static_cast<double>(total_ - done_) / doneRate;
    secondsLeft = left >= static_cast<double>(std::numeric_limits<int32_t>::max())
                      ? std::numeric_limits<int32_t>::max()
                      : static_cast<int32_t>(left);
    return true;
}

std::wstring ProgressStatistics::FormatSpeed(const StringTable* strings, double bytesPerSecond) {
    if (bytesPerSecond >= 1048576.0) {
        return Fill(Text(strings, L"dlg.download.lbl.speedmb", L"%1 MB/s"), L"%1",
                    FormatFixed2(bytesPerSecond / 1048576.0));
    }
    return Fill(Text(strings, L"dlg.download.lbl.speedkb", L"%1 KB/s"), L"%1",
                FormatFixed2(bytesPerSecond / 1024.0));
}

std::wstring ProgressStatistics::FormatTimeLeft(const StringTable* strings, int64_t seconds) {
    if (seconds < 0) {
        return L"----";
    }
    int64_t hours = seconds / 3600;
    if (hours > 0) {
        // Every hour counts: a day and an hour left reads "25h 0m", never "1h 0m".
        std::wstring text = Text(strings, L"dlg.download.lbl.esttimeh", L"%1h %2m");
        text = Fill(text, L"%1", FormatInt(hours));
        return Fill(text, L"%2", FormatInt(seconds / 60 - hours * 60));
    }
    int64_t minutes = seconds / 60;
    if (minutes > 0) {
        std::wstring text = Text(strings, L"dlg.download.lbl.esttimem", L"%1m %2s");
        text = Fill(text, L"%1", FormatInt(minutes));
        return Fill(text, L"%2", FormatInt(seconds - minutes * 60));
    }
    return Fill(Text(strings, L"dlg.download.lbl.esttimes", L"%1s"), L"%1", FormatInt(seconds));
}

ProgressStatistics::ProgressText ProgressStatistics::FormatProgress(const ProgressStatistics& stats,
                                                                    const StringTable* strings) {
    ProgressText text;
    int32_t percent = 0;
    double speed = 0.0;
    int32_t secondsLeft = -1;
    if (stats.GetStats(percent, speed, secondsLeft)) {
        text.percent = percent;
        text.speed = FormatSpeed(strings, speed);
        text.timeLeft = FormatTimeLeft(strings, secondsLeft);
    } else {
        text.percent = 0;
        text.speed = L"0 KB/s";
        text.timeLeft = L"----";
    }
    return text;
}

}  // namespace talvex
