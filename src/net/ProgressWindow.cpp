#include "net/ProgressWindow.h"

namespace talvex {

ProgressWindow::ProgressWindow(IActivityProgressNotify* sink, uint64_t runningTotal,
                               uint64_t startTick)
    : sink_(sink), runningTotal_(runningTotal), windowStart_(startTick) {}

void ProgressWindow::OnChunk(size_t bytes, uint64_t now) {
    windowBytes_ += bytes;
    runningTotal_ += bytes;
    uint64_t elapsed = now > windowStart_ ? now - windowStart_ : 0;
    if (elapsed <= kWindowMs && !first_) {
        return;
    }
    first_ = false;
    // A first chunk within the same millisecond still gets a finite speed.
    double speed = static_cast<double>(windowBytes_) * 1000.0 /
                   static_cast<double>(elapsed == 0 ? 1 : elapsed);
    if (sink_ != nullptr) {
        sink_->Update(runningTotal_, runningTotal_, speed, speed);
    }
    windowBytes_ = 0;
    windowStart_ = now;
}

}  // namespace talvex
