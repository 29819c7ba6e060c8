#include "convert/EncoderDuration.h"

namespace talvex {

namespace {

// Reads up to maxDigits digits at text[i...]; false when there is none.
bool ReadDigits(std::wstring_view text, size_t& i, size_t maxDigits, int64_t& value) {
    const size_t begin = i;
    value = 0;
    while (i < text.size() && i - begin < maxDigits && text[i] >= L'0' && text[i] <= L'9') {
        value = value * 10 + (text[i] - L'0');
        ++i;
    }
    return i > begin;
}

bool Expect(std::wstring_view text, size_t& i, wchar_t c) {
    if (i < text.size() && text[i] == c) {
        ++i;
        return true;
    }
    return false;
}

}  // namespace

std::optional<int64_t> ParseEncoderDuration(std::wstring_view text) {
    constexpr std::wstring_view kKey = L"Duration: ";
    constexpr int64_t kHour = 60 * 60 * 100;
    constexpr int64_t kMinute = 60 * 100;
    constexpr int64_t kSecond = 100;
    const size_t at = text.find(kKey);
    if (at == std::wstring_view::npos) {
        return std::nullopt;
    }
    size_t i = at + kKey.size();
    int64_t hours = 0;
    int64_t minutes = 0;
    int64_t seconds = 0;
    int64_t fraction = 0;
    if (!ReadDigits(text, i, 9, hours) || !Expect(text, i, L':') ||
        !ReadDigits(text, i, 2, minutes) || !Expect(text, i, L':') ||
        !ReadDigits(text, i, 2, seconds) || !Expect(text, i, L'.')) {
        return std::nullopt;
    }
    // Hundredths: ".9" is 90, ".961" is 96.
    const size_t fractionAt = i;
    if (!ReadDigits(text, i, 2, fraction)) {
        return std::nullopt;
    }
    if (i - fractionAt == 1) {
        fraction *= 10;
    }
    while (i < text.size() && text[i] >= L'0' && text[i] <= L'9') {
        ++i;
    }
    if (!Expect(text, i, L',')) {
        return std::nullopt;
    }
    return hours * kHour + minutes * kMinute + seconds * kSecond + fraction;
}

}  // namespace talvex
