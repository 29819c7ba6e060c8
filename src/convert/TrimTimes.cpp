#include "convert/TrimTimes.h"

#include <cwctype>
#include <vector>

#include "convert/EncoderDuration.h"
#include "convert/EncoderReport.h"

namespace talvex {

namespace {

// Leading blanks, an optional sign, digits; anything else ends the number (0 when none).
int LeadingInt(std::wstring_view text) {
    size_t i = 0;
    while (i < text.size() && std::iswspace(static_cast<wint_t>(text[i]))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) {
        negative = text[i] == L'-';
        ++i;
    }
    int64_t value = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        value = value * 10 + (text[i] - L'0');
        if (value > 0x7FFFFFFF) {
            value = 0x7FFFFFFF;
        }
    }
    return static_cast<int>(negative ? -value : value);
}

bool IsDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

// Splits at ":" into exactly three all-digit parts and gives the seconds.
std::optional<int64_t> ThreePartSeconds(std::wstring_view text) {
    std::vector<std::wstring_view> parts;
    size_t begin = 0;
    for (;;) {
        size_t colon = text.find(L':', begin);
        parts.push_back(
            text.substr(begin, colon == std::wstring_view::npos ? colon : colon - begin));
        if (colon == std::wstring_view::npos) {
            break;
        }
        begin = colon + 1;
    }
    if (parts.size() != 3) {
        return std::nullopt;
    }
    int64_t total = 0;
    const int64_t scale[3] = {3600, 60, 1};
    for (int i = 0; i < 3; ++i) {
        if (parts[i].empty() || parts[i].size() > 9) {
            return std::nullopt;
        }
        int64_t v = 0;
        for (wchar_t c : parts[i]) {
            if (!IsDigit(c)) {
                return std::nullopt;
            }
            v = v * 10 + (c - L'0');
        }
        total += v * scale[i];
    }
    return total;
}

}  // namespace

ClockTime ParseClockTime(std::wstring_view text) {
    ClockTime t;
    size_t first = text.find(L':');
    if (first == std::wstring_view::npos) {
        t.seconds = LeadingInt(text);
        return t;
    }
    size_t last = text.rfind(L':');
    t.hours = LeadingInt(text.substr(0, first));
    if (last != first) {
        size_t second = text.find(L':', first + 1);
        t.minutes = LeadingInt(text.substr(first + 1, second - first - 1));
    }
    t.seconds = LeadingInt(text.substr(last + 1));
    return t;
}

bool IsWellFormedTrimTime(std::wstring_view t) {
    return t.size() == 8 && IsDigit(t[0]) && IsDigit(t[1]) && t[2] == L':' && t[3] >= L'0' &&
           t[3] <= L'5' && IsDigit(t[4]) && t[5] == L':' && t[6] >= L'0' && t[6] <= L'5' &&
           IsDigit(t[7]);
}

std::optional<int64_t> ReportDurationSeconds(std::wstring_view report) {
    const std::optional<int64_t> hundredths = ParseEncoderDuration(report);
    if (!hundredths) {
        return std::nullopt;
    }
    return *hundredths / 100;
}

int64_t CutLength(int64_t duration, std::wstring_view trimStart, std::wstring_view trimEnd) {
    const int64_t start = ParseClockTime(trimStart).TotalSeconds() * 100;
    const int64_t end = ParseClockTime(trimEnd).TotalSeconds() * 100;
    int64_t length = duration - start;
    if (end > start && end - start < length) {
        length = end - start;
    }
    return length > 0 ? length : duration;
}

TrimCheck CheckTrimTimes(std::wstring_view start, std::wstring_view end,
                         const std::optional<std::wstring>& report) {
    if (!IsWellFormedTrimTime(start)) {
        return TrimCheck::BadStart;
    }
    if (!IsWellFormedTrimTime(end)) {
        return TrimCheck::BadEnd;
    }
    std::optional<int64_t> duration = report ? ReportDurationSeconds(*report) : std::nullopt;
    if (!duration) {
        return TrimCheck::Valid;
    }
    const int64_t startSeconds = *ThreePartSeconds(start);
    const int64_t endSeconds = *ThreePartSeconds(end);
    bool valid = startSeconds < *duration && (endSeconds == 0 || startSeconds < endSeconds);
    return valid ? TrimCheck::Valid : TrimCheck::BadEnd;
}

TrimCheck CheckTrimTimesOfFile(std::wstring_view start, std::wstring_view end,
                               const std::filesystem::path& encoder,
                               const std::filesystem::path& file) {
    if (!IsWellFormedTrimTime(start)) {
        return TrimCheck::BadStart;
    }
    if (!IsWellFormedTrimTime(end)) {
        return TrimCheck::BadEnd;
    }
    return CheckTrimTimes(start, end, EncoderReport(encoder, file));
}

}  // namespace talvex
