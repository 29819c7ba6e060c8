#include "ui/VersionCompare.h"

#include <limits>

#include "platform/TextHelpers.h"

namespace talvex::ui {

namespace {

bool IsDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

}  // namespace

VersionParts ParseVersion(std::wstring_view text) {
    VersionParts parts{0, 0, 0, 0};
    text = Trim(text, Blanks::SpaceTabLineBreaks);
    constexpr uint64_t kMax = std::numeric_limits<uint32_t>::max();
    for (size_t index = 0; index < parts.size() && !text.empty(); ++index) {
        const size_t dot = text.find(L'.');
        std::wstring_view part = text.substr(0, dot);
        uint64_t value = 0;
        for (size_t i = 0; i < part.size() && IsDigit(part[i]); ++i) {
            value = value * 10 + static_cast<uint64_t>(part[i] - L'0');
            if (value > kMax) {
                value = kMax;
            }
        }
        parts[index] = static_cast<uint32_t>(value);
        if (dot == std::wstring_view::npos) {
            break;
        }
        text.remove_prefix(dot + 1);
    }
    return parts;
}

int CompareVersions(std::wstring_view a, std::wstring_view b) {
    const VersionParts left = ParseVersion(a);
    const VersionParts right = ParseVersion(b);
    for (size_t i = 0; i < left.size(); ++i) {
        if (left[i] != right[i]) {
            return left[i] < right[i] ? -1 : 1;
        }
    }
    return 0;
}

bool IsNewerVersion(std::wstring_view candidate, std::wstring_view installed) {
    return CompareVersions(candidate, installed) > 0;
}

bool IsPlainVersion(std::wstring_view text) {
    if (text.empty() || text.size() > 64) {
        return false;
    }
    int groups = 1;
    bool digitBefore = false;
    for (wchar_t c : text) {
        if (IsDigit(c)) {
            digitBefore = true;
        } else if (c == L'.' && digitBefore) {
            digitBefore = false;
            ++groups;
        } else {
            return false;
        }
    }
    return digitBefore && groups <= 4;
}

}  // namespace talvex::ui
