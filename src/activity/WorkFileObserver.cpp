#include "activity/WorkFileObserver.h"

#include <atomic>

namespace talvex {

namespace {

std::atomic<IWorkFileObserver*> g_observer{nullptr};

}  // namespace

void SetWorkFileObserver(IWorkFileObserver* observer) {
    g_observer.store(observer);
}

void AnnounceWorkFile(const std::filesystem::path& path) {
    if (IWorkFileObserver* observer = g_observer.load(); observer != nullptr && !path.empty()) {
        observer->WorkFileMade(path);
    }
}

void ReleaseWorkFile(const std::filesystem::path& path) {
    if (IWorkFileObserver* observer = g_observer.load(); observer != nullptr && !path.empty()) {
        observer->WorkFileGone(path);
    }
}

}  // namespace talvex
