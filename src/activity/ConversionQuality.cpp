#include "activity/ConversionQuality.h"

namespace talvex {

std::optional<ConversionQuality> ConversionQualityFromNumber(int64_t number) {
    if (number < 0 || number >= kConversionQualityCount) {
        return std::nullopt;
    }
    return static_cast<ConversionQuality>(number);
}

}  // namespace talvex
