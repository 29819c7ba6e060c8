#pragma once
// The quality of a conversion (the Convert tab's list, the Download tab's list for the
// conversion after a download, talvex-cli's --quality and --convert-quality). Its number is the
// list row and what the "ConvertQuality" and "ConvertQualityDwnld" settings store, so the
// numbers never change; only the conversions below turn a number into a quality. It lives with
// the activity items because a download carries the quality of the conversion that follows it.
#include <array>
#include <cstdint>
#include <optional>

namespace talvex {

enum class ConversionQuality : int32_t {
    kHigh = 0,
    kOptimal = 1,
    kMedium = 2,
    kLow = 3,
};

// Every quality, in list order (by number).
inline constexpr std::array<ConversionQuality, 4> kConversionQualities = {
    ConversionQuality::kHigh, ConversionQuality::kOptimal, ConversionQuality::kMedium,
    ConversionQuality::kLow};
inline constexpr int kConversionQualityCount = static_cast<int>(kConversionQualities.size());

// The quality stored as number; nothing for a number outside 0 to 3.
std::optional<ConversionQuality> ConversionQualityFromNumber(int64_t number);

// The number (and list row) of the quality.
constexpr int32_t ConversionQualityNumber(ConversionQuality quality) {
    return static_cast<int32_t>(quality);
}

}  // namespace talvex
