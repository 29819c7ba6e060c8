#pragma once
#include <string>

namespace talvex {

// Told when a dedicated thread ends normally, on that ending thread: an observer that touches
// a window must marshal to the window's thread itself. It must not wait for the thread that
// is destroying the thread manager.
class IThreadObserver {
public:
    virtual ~IThreadObserver() = default;
    // name and result are the thread's texts; an empty result means success.
    virtual void OnThreadFinished(std::wstring name, std::wstring result) = 0;
};

}  // namespace talvex
