#include "activity/ActivityTexts.h"

#include <charconv>
#include <cmath>
#include <cwchar>
#include <system_error>

#include "activity/ProgressStatistics.h"
#include "app/StringTable.h"

namespace talvex::activity_text {

namespace {

std::wstring Text(const StringTable* strings, std::wstring_view key, std::wstring_view builtIn) {
    return strings != nullptr ? strings->GetText(key, builtIn) : std::wstring(builtIn);
}

// Fixed-point text independent of the process's locale, like the other figures of the list.
std::wstring Fixed(double value, int decimals) {
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    return result.ec == std::errc() ? std::wstring(buffer, result.ptr) : std::wstring();
}

}  // namespace

std::wstring State(const StringTable* strings, ActivityKind kind, ActivityState state) {
    switch (state) {
        case ActivityState::Queued:
            return Text(strings, L"grid.item.state.queued", L"Queued");
        case ActivityState::Running:
            return kind == ActivityKind::Download
                       ? Text(strings, L"grid.item.state.downloading", L"Downloading")
                       : Text(strings, L"grid.item.state.converting", L"Converting");
        case ActivityState::Canceled:
            return Text(strings, L"grid.item.state.canceled", L"Canceled");
        case ActivityState::Pausing:
        case ActivityState::Paused:
            return Text(strings, L"grid.item.state.paused", L"Paused");
        case ActivityState::Completed:
            return Text(strings, L"grid.item.state.completed", L"Completed");
        case ActivityState::Failed:
            return Text(strings, L"grid.item.state.failed", L"Failed");
        case ActivityState::Created:
            break;
    }
    return {};
}

std::wstring Speed(const StringTable* strings, double bytesPerSecond) {
    return ProgressStatistics::FormatSpeed(strings, bytesPerSecond);
}

std::wstring TimeLeft(const StringTable* strings, int64_t seconds) {
    return seconds < 0 ? L"--" : ProgressStatistics::FormatTimeLeft(strings, seconds);
}

std::wstring Size(const StringTable* strings, double mebibytes) {
    // Printing with no decimals would round halves to even; the list rounds them away from
    // zero (2.5 MiB is "3 MB").
    const std::wstring number =
        mebibytes < 1.0 ? Fixed(mebibytes, 2) : Fixed(std::round(mebibytes), 0);
    std::wstring text = Text(strings, L"grid.item.filesizemb", L"%1 MB");
    const size_t at = text.find(L"%1");
    if (at != std::wstring::npos) {
        text.replace(at, 2, number);
    }
    return text;
}

std::wstring Progress(int32_t percent) {
    const int capped = percent > 100 ? 100 : percent;
    wchar_t buffer[16];
    const int n = std::swprintf(buffer, 16, L"%3d%%", capped);
    return n > 0 ? std::wstring(buffer, static_cast<size_t>(n)) : std::wstring();
}

}  // namespace talvex::activity_text
