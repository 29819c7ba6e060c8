#include "scripts/DownloadQuality.h"

namespace talvex {

std::optional<DownloadQuality> DownloadQualityFromNumber(int64_t number) {
    switch (number) {
        case DownloadQualityNumber(DownloadQuality::kNormal):
        case DownloadQualityNumber(DownloadQuality::kHq480):
        case DownloadQualityNumber(DownloadQuality::kHd720):
        case DownloadQualityNumber(DownloadQuality::kBest):
        case DownloadQualityNumber(DownloadQuality::kHd1080):
        case DownloadQualityNumber(DownloadQuality::kHq360Flv):
        case DownloadQualityNumber(DownloadQuality::kHq360Mp4):
            return static_cast<DownloadQuality>(number);
        default:
            return std::nullopt;
    }
}

}  // namespace talvex
