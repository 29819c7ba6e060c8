// The quality numbers: settings files and site scripts hold them, so every quality keeps its
// number and any other number is refused when read back.
#include <gtest/gtest.h>

#include <cstdint>
#include <utility>

#include "activity/ConversionQuality.h"
#include "scripts/DownloadQuality.h"

namespace talvex {
namespace {

TEST(QualityNumbers, DownloadQualitiesKeepTheirNumbersAndNoOtherIsRead) {
    const std::pair<DownloadQuality, int32_t> known[] = {
        {DownloadQuality::kNormal, 2},  {DownloadQuality::kHq480, 4},
        {DownloadQuality::kHd720, 5},   {DownloadQuality::kBest, 6},
        {DownloadQuality::kHd1080, 7},  {DownloadQuality::kHq360Flv, 8},
        {DownloadQuality::kHq360Mp4, 9}};
    for (const auto& [quality, number] : known) {
        EXPECT_EQ(DownloadQualityNumber(quality), number);
        EXPECT_EQ(DownloadQualityFromNumber(number), quality) << number;
    }
    for (int64_t number : {int64_t{-1}, int64_t{0}, int64_t{1}, int64_t{3}, int64_t{10},
                           int64_t{0xFFFFFFFF}, int64_t{0x100000006}}) {
        EXPECT_FALSE(DownloadQualityFromNumber(number)) << number;
    }
}

TEST(QualityNumbers, ConversionQualitiesAreTheirListRowsAndNoOtherIsRead) {
    for (int row = 0; row < kConversionQualityCount; ++row) {
        EXPECT_EQ(ConversionQualityNumber(kConversionQualities[row]), row);
        EXPECT_EQ(ConversionQualityFromNumber(row), kConversionQualities[row]) << row;
    }
    EXPECT_EQ(ConversionQualityFromNumber(3), ConversionQuality::kLow);
    for (int64_t number : {int64_t{-1}, int64_t{4}, int64_t{0xFFFFFFFF}, int64_t{0x100000000}}) {
        EXPECT_FALSE(ConversionQualityFromNumber(number)) << number;
    }
}

}  // namespace
}  // namespace talvex
