#pragma once
// Whether an activity item still exists, and its state while it does, for a holder that must
// not keep the item alive: front ends take every reference to an item for work still under way,
// so one item watching another (a download whose file a queued conversion needs) holds this
// instead of a reference.
#include <mutex>
#include <optional>

#include "activity/ActivityItem.h"

namespace talvex {

class ItemPresence {
public:
    explicit ItemPresence(const ActivityItem* item) : item_(item) {}
    ItemPresence(const ItemPresence&) = delete;
    ItemPresence& operator=(const ItemPresence&) = delete;

    // The item's state; nothing once the item is gone.
    std::optional<ActivityState> State() const;
    // The item is going (its destructor): later calls see nothing.
    void Gone();

private:
    // Held while the state is read, so that the item cannot finish going meanwhile.
    mutable std::mutex lock_;
    const ActivityItem* item_;
};

}  // namespace talvex
