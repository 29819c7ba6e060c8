#include "activity/ActivityItem.h"

#include <utility>

#include "activity/ItemPresence.h"

namespace talvex {

ActivityItem::ActivityItem(ActivityKind kind)
    : kind(kind), presence_(std::make_shared<ItemPresence>(this)) {}

ActivityItem::~ActivityItem() {
    presence_->Gone();
}

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

std::wstring ActivityItem::OutputPath() const {
    std::lock_guard lock(outputLock_);
    return outputPath_;
}

void ActivityItem::SetOutputPath(std::wstring path) {
    std::lock_guard lock(outputLock_);
    outputPath_ = std::move(path);
}

bool ActivityItem::GetStatus(ActivityState& outState, int32_t& outPercent, double& outSpeed,
                             int32_t& outSecondsLeft) {
    outState = state.load();
    return GetProgress(outPercent, outSpeed, outSecondsLeft);
}

}  // namespace talvex
