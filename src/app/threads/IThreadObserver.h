#pragma once
#include <string>

namespace talvex {

// Told when a dedicated thread ends normally, on that ending thread: an observer that touches
// a window must marshal to the window's thread itself. It should not wait for the thread that
// is destroying the thread manager: that thread waits for a call under way only up to the
// manager's join bound and then goes on, and the observer must not rely on what its owner
// frees after that.
class IThreadObserver {
public:
    virtual ~IThreadObserver() = default;
    // name and result are the thread's texts; an empty result means success.
    virtual void OnThreadFinished(std::wstring name, std::wstring result) = 0;
};

}  // namespace talvex
