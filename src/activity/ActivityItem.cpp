#include "activity/ActivityItem.h"

namespace talvex {

bool ActivityItem::GetProgress(int32_t& outPercent, double& outSpeed, int32_t& outSecondsLeft) {
    outPercent = 0;
    outSpeed = 0.0;
    outSecondsLeft = 0;
    return true;
}

void ActivityItem::GetLastProgress(int32_t& outPercent, double& outSpeed, int32_t& outSecondsLeft) {
    outPercent = percent.load();
    outSpeed = speed.load();
    outSecondsLeft = secondsLeft.load();
}

bool ActivityItem::GetStatus(ActivityState& outState, int32_t& outPercent, double& outSpeed,
                             int32_t& outSecondsLeft) {
    outState = state.load();
    return GetProgress(outPercent, outSpeed, outSecondsLeft);
}

}  // namespace talvex
