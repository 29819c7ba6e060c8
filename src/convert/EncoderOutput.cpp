#include "convert/EncoderOutput.h"

#include "convert/EncoderDuration.h"
#include "platform/Utf8.h"

namespace talvex {

namespace {

constexpr size_t kMaxPendingLine = 64 * 1024;

bool IsDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

// Reads digits at text[i...] into value; false when there is none.
bool ReadNumber(std::wstring_view text, size_t& i, int64_t& value) {
    size_t begin = i;
    value = 0;
    while (i < text.size() && IsDigit(text[i]) && i - begin < 12) {
        value = value * 10 + (text[i] - L'0');
        ++i;
    }
    return i > begin;
}

// The hundredths of a fraction written after "." (".9" is 90, ".961" is 96).
int64_t Hundredths(std::wstring_view text, size_t i) {
    int64_t h = 0;
    int digits = 0;
    while (i < text.size() && IsDigit(text[i]) && digits < 2) {
        h = h * 10 + (text[i] - L'0');
        ++i;
        ++digits;
    }
    return digits == 1 ? h * 10 : h;
}

}  // namespace

std::optional<int64_t> EncoderOutputReader::ParseTime(std::wstring_view line) {
    const std::wstring_view key = L"time=";
    size_t at = line.rfind(key);
    if (at == std::wstring_view::npos) {
        return std::nullopt;
    }
    size_t i = at + key.size();
    size_t end = line.find(L' ', i);
    std::wstring_view t = line.substr(i, end == std::wstring_view::npos ? end : end - i);
    // "N/A" before the first frame; a negative time while the output has not begun.
    if (t.empty() || !IsDigit(t[0])) {
        return std::nullopt;
    }
    size_t p = 0;
    int64_t seconds = 0;
    int64_t part = 0;
    for (int fields = 0;; ++fields) {
        if (!ReadNumber(t, p, part) || fields > 2) {
            return std::nullopt;
        }
        seconds = seconds * 60 + part;
        if (p < t.size() && t[p] == L':') {
            ++p;
            continue;
        }
        break;
    }
    int64_t hundredths = 0;
    if (p < t.size() && t[p] == L'.') {
        hundredths = Hundredths(t, p + 1);
    }
    return seconds * 100 + hundredths;
}

void EncoderOutputReader::ReadLine(std::string_view bytes, Figures& figures) {
    const std::wstring line = Utf8ToWide(bytes);
    if (auto d = ParseEncoderDuration(line)) {
        figures.duration = *d;
    }
    if (line.find(L"time=") != std::wstring::npos) {
        sawProgress_ = true;
        lastMessage_.clear();
        auto t = ParseTime(line);
        if (t && *t != 0 && *t != position_) {
            position_ = *t;
            figures.position = *t;
        }
        return;
    }
    if (sawProgress_) {
        size_t first = line.find_first_not_of(L" \t");
        if (first != std::wstring::npos) {
            lastMessage_ = line.substr(first);
        }
    }
}

EncoderOutputReader::Figures EncoderOutputReader::Feed(std::string_view bytes) {
    Figures figures;
    size_t start = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r' && bytes[i] != '\n') {
            continue;
        }
        if (pending_.empty()) {
            ReadLine(bytes.substr(start, i - start), figures);
        } else {
            pending_.append(bytes.substr(start, i - start));
            ReadLine(pending_, figures);
            pending_.clear();
        }
        start = i + 1;
    }
    pending_.append(bytes.substr(start));
    if (pending_.size() > kMaxPendingLine) {
        pending_.erase(0, pending_.size() - kMaxPendingLine);
    }
    return figures;
}

}  // namespace talvex

namespace talvex {

EncoderOutputReader::Figures EncoderOutputReader::Flush() {
    Figures figures;
    if (!pending_.empty()) {
        ReadLine(pending_, figures);
        pending_.clear();
    }
    return figures;
}

}  // namespace talvex
