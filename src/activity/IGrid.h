#pragma once

namespace talvex {

class ActivityItem;

// The activity queue's observer (the Activity list). Called on the user-interface thread with
// the queue's lock held, so it must not call back into the queue's mutating operations.
class IGrid {
public:
    virtual ~IGrid() = default;
    virtual void AddItem(ActivityItem* item) = 0;
    virtual void RemoveItem(ActivityItem* item) = 0;
    // Refreshes the item's row from its GetStatus. The queue itself never calls it.
    virtual void UpdateItem(ActivityItem* item) = 0;
};

}  // namespace talvex
