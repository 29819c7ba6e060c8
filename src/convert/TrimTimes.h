#pragma once
// Trim (cut) times: reading "H:MM:SS" texts into seconds, and checking the times a user enters
// before a conversion is created. Shared by the Convert tab and the command-line front end.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace talvex {

struct ClockTime {
    int hours = 0;
    int minutes = 0;
    int seconds = 0;
    int64_t TotalSeconds() const { return (int64_t{hours} * 60 + minutes) * 60 + seconds; }
};

// Lenient reading for the cut arguments: hours before the first ":", minutes between the first
// and the second ":", seconds after the last ":", a missing part reading as 0; a text without
// ":" is a number of seconds. Each part is read like atoi (leading digits, else 0).
ClockTime ParseClockTime(std::wstring_view text);

// Exactly "HH:MM:SS" with minutes and seconds below 60 ("00:00:00" to "99:59:59").
bool IsWellFormedTrimTime(std::wstring_view text);

// The "Duration: " of an encoder report (ParseEncoderDuration) in whole seconds; nothing when
// there is none or it does not read.
std::optional<int64_t> ReportDurationSeconds(std::wstring_view report);

// How much of media lasting duration (hundredths of a second) a cut from trimStart to trimEnd
// (read by ParseClockTime) covers, in hundredths: from the start to the end, or to the media's
// end when the end is not after the start or lies beyond the media. The whole duration when
// the start is not inside the media (the encoder then has nothing to cut to).
int64_t CutLength(int64_t duration, std::wstring_view trimStart, std::wstring_view trimEnd);

enum class TrimCheck {
    Valid,
    BadStart,  // the start text is malformed: the start box takes the focus
    BadEnd,    // the end text is malformed, or the times do not fit the media
};

// Start must be before the media's duration, and before the end unless the end is 00:00:00
// (to the end of the media). With no report, or one without a usable duration, well-formed
// times are valid.
TrimCheck CheckTrimTimes(std::wstring_view start, std::wstring_view end,
                         const std::optional<std::wstring>& report);

// The same for a file: asks the encoder for its report only when both texts are well formed.
TrimCheck CheckTrimTimesOfFile(std::wstring_view start, std::wstring_view end,
                               const std::filesystem::path& encoder,
                               const std::filesystem::path& file);

}  // namespace talvex
