#pragma once
// The download quality the user picks (the Download tab's list, talvex-cli's --quality). Its
// number is what the "DownloadQuality" setting stores and what the site scripts' format choice
// is measured against, so the numbers never change; only the conversions below turn a number
// into a quality.
#include <cstdint>
#include <optional>

namespace talvex {

enum class DownloadQuality : int32_t {
    kNormal = 2,
    kHq480 = 4,
    kHd720 = 5,
    kBest = 6,
    kHd1080 = 7,
    kHq360Flv = 8,
    kHq360Mp4 = 9,
};

// The quality stored as number; nothing for a number that names no quality (1, 3, 10 ...).
std::optional<DownloadQuality> DownloadQualityFromNumber(int64_t number);

// The number the quality is stored as.
constexpr int32_t DownloadQualityNumber(DownloadQuality quality) {
    return static_cast<int32_t>(quality);
}

}  // namespace talvex
