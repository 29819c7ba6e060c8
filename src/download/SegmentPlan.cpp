#include "download/SegmentPlan.h"

namespace talvex {

SegmentPlan::SegmentPlan(uint64_t size) : size_(size) {
    if (size == 0) {
        return;
    }
    if (size < kSegments) {
        ranges_.push_back(ByteRange{0, size - 1});
        return;
    }
    const uint64_t length = size / kSegments;
    for (uint64_t s = 0; s < size;) {
        // The last segment is the one that leaves less than two lengths: it takes the rest.
        const uint64_t e = (size - s) / length == 1 ? size - 1 : s + length - 1;
        ranges_.push_back(ByteRange{s, e});
        s = e + 1;
    }
}

std::optional<SegmentPlan::Figures> SegmentPlan::Combine(const std::vector<Figures>& segments,
                                                         bool running) {
    // With no segment yet there is nothing to average: the figures stay as they are.
    if (segments.empty()) {
        return std::nullopt;
    }
    const int64_t n = static_cast<int64_t>(segments.size());
    int64_t percentSum = 0;
    double speedSum = 0.0;
    int64_t leftSum = 0;
    bool noEstimate = false;
    for (const Figures& f : segments) {
        percentSum += f.percent;
        speedSum += f.speed;
        if (f.secondsLeft < 0) {
            noEstimate = true;  // one segment without an estimate: none for the whole
        } else {
            leftSum += f.secondsLeft;
        }
    }
    Figures out;
    out.percent = static_cast<int32_t>(percentSum / n);
    if (running) {
        out.speed = speedSum;
        const int64_t left = noEstimate ? -1 : leftSum / n;
        out.secondsLeft = left == 0 ? 1 : static_cast<int32_t>(left);
    }
    return out;
}

}  // namespace talvex
