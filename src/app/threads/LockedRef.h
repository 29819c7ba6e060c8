#pragma once
// A cell holding one reference to a shared object (an activity item, a transfer). The user-
// interface thread and workers read and replace the pointer at once, so every access goes
// through the cell's spin lock, and a reader always comes away with its own reference: the
// object stays alive while the reader uses it even if the cell is reset meanwhile.
//
// No other lock may be taken while the spin lock is held; the object's Release (which may run
// its destructor) is therefore always called after the lock is let go.
#include <atomic>
#include <cstdint>
#include <utility>

#include "app/threads/RefPtr.h"
#include "app/threads/SpinLock.h"

namespace talvex {

template <class T>
class LockedRef {
public:
    LockedRef() = default;
    explicit LockedRef(T* p) { Store(p); }
    ~LockedRef() { Reset(); }
    LockedRef(const LockedRef&) = delete;
    LockedRef& operator=(const LockedRef&) = delete;

    RefPtr<T> Load() const {
        SpinLock::Acquire(lock);
        RefPtr<T> r(ptr);  // AddRef only touches an atomic count: allowed under the spin lock
        SpinLock::Release(lock);
        return r;
    }

    void Store(T* p) {
        if (p) {
            p->AddRef();
        }
        SpinLock::Acquire(lock);
        T* old = std::exchange(ptr, p);
        SpinLock::Release(lock);
        if (old) {
            old->Release();
        }
    }
    void Store(const RefPtr<T>& p) { Store(p.get()); }

    void Reset() { Store(nullptr); }

    // Whether the cell holds p. Compares addresses only, so p may be a stale pointer.
    bool Holds(const T* p) const {
        SpinLock::Acquire(lock);
        bool same = ptr == p;
        SpinLock::Release(lock);
        return same;
    }

private:
    T* ptr = nullptr;
    mutable std::atomic<int32_t> lock{0};
};

}  // namespace talvex
