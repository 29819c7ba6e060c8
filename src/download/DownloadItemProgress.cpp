// The figures the Activity list shows: those of the single transfer, or the segments' combined
// (SegmentPlan::Combine).
#include "download/DownloadItem.h"

#include "download/DownloadSubItem.h"
#include "download/SegmentPlan.h"

namespace talvex {

bool DownloadItem::GetProgress(int32_t& outPercent, double& outSpeed, int32_t& outSecondsLeft) {
    ActivityState s = state.load();
    if (s == ActivityState::Queued && prevState.load() == ActivityState::Paused) {
        outPercent = percent.load();
        outSpeed = 0.0;
        outSecondsLeft = -1;
        return true;
    }
    percent.store(s == ActivityState::Completed ? 100 : 0);
    speed.store(0.0);
    secondsLeft.store(-1);
    if (s == ActivityState::Running || s == ActivityState::Pausing || s == ActivityState::Paused) {
        std::lock_guard<DCriticalSection> guard(subItemLock_);
        using Figures = SegmentPlan::Figures;
        std::optional<Figures> figures;
        if (!multiStream_.load()) {
            Figures f;
            if (!subItems_.empty() &&
                subItems_.front()->GetStats(f.percent, f.speed, f.secondsLeft)) {
                figures = f;
            }
        } else {
            std::vector<Figures> segments;
            bool all = true;
            for (const auto& sub : subItems_) {
                Figures f;
                if (!sub->GetStats(f.percent, f.speed, f.secondsLeft)) {
                    all = false;  // a segment that cannot report yet: nothing is updated
                    break;
                }
                segments.push_back(f);
            }
            if (all) {
                figures = SegmentPlan::Combine(segments, s == ActivityState::Running);
            }
        }
        if (figures) {
            percent.store(figures->percent);
            speed.store(figures->speed);
            secondsLeft.store(figures->secondsLeft);
        }
    }
    outPercent = percent.load();
    outSpeed = speed.load();
    outSecondsLeft = secondsLeft.load();
    return true;
}

}  // namespace talvex
