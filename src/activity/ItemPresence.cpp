#include "activity/ItemPresence.h"

namespace talvex {

std::optional<ActivityState> ItemPresence::State() const {
    std::lock_guard lock(lock_);
    if (item_ == nullptr) {
        return std::nullopt;
    }
    return item_->state.load();
}

void ItemPresence::Gone() {
    std::lock_guard lock(lock_);
    item_ = nullptr;
}

}  // namespace talvex
