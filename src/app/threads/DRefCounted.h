#pragma once
// Intrusive reference count for objects shared between the user-interface thread and workers.
#include <atomic>
#include <cstdint>

#include "app/threads/DObject.h"

namespace talvex {

// A new object starts with a count of 0: its first owner (a RefPtr, a LockedRef cell) takes the
// first reference, and the object deletes itself when the last reference is dropped. So an
// object must be created with new and must never live on the stack or in a container by value.
class DRefCounted : public DObject {
public:
    void AddRef() { refCount_.fetch_add(1, std::memory_order_relaxed); }
    void Release() {
        if (refCount_.fetch_sub(1, std::memory_order_acq_rel) == 1) {
            delete this;
        }
    }
    int32_t RefCount() const { return refCount_.load(std::memory_order_relaxed); }

protected:
    DRefCounted() = default;
    ~DRefCounted() override = default;

private:
    std::atomic<int32_t> refCount_{0};
};

}  // namespace talvex
