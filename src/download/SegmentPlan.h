#pragma once
// How a segmented download divides its file into byte ranges, and how the figures of its
// segments make the figures of the whole download. Plain arithmetic on 64-bit sizes.
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "net/DNetworking.h"

namespace talvex {

class SegmentPlan {
public:
    // The number of segments a file is divided into (the last one takes the remainder).
    static constexpr uint64_t kSegments = 4;

    // The ranges of a file of size bytes: size / 4 bytes each, the last one taking the
    // remainder, so 1003 bytes give 0-249, 250-499, 500-749 and 750-1002. With the integer
    // division a very small file can give more than four (10 bytes give five of two, 7 bytes
    // seven of one); below 4 bytes there is one range, and none for an empty file.
    explicit SegmentPlan(uint64_t size);

    uint64_t Size() const { return size_; }
    const std::vector<ByteRange>& Ranges() const& { return ranges_; }
    // A plan made for the one call hands over its ranges, so that SegmentPlan(n).Ranges() can
    // be kept (or looped over) without outliving the plan.
    std::vector<ByteRange> Ranges() && { return std::move(ranges_); }

    // The figures of one segment, and of the whole download.
    struct Figures {
        int32_t percent = 0;
        double speed = 0.0;
        int32_t secondsLeft = -1;  // -1: no estimate
    };
    // The whole download's figures from its segments': the mean percent (rounded down); while
    // running also the summed speed and the mean time left (rounded down, 0 shown as 1, none
    // when a segment has none), otherwise no speed and no estimate. Nothing without segments.
    static std::optional<Figures> Combine(const std::vector<Figures>& segments, bool running);

private:
    uint64_t size_;
    std::vector<ByteRange> ranges_;
};

}  // namespace talvex
