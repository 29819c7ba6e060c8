#include "app/SingleInstance.h"

#include "app/DebugLog.h"
#include "app/InstancePipe.h"
#include "platform/Folders.h"

namespace talvex {

InstanceStart StartInstance(std::wstring_view commandLine) {
    return StartInstanceIn(RuntimeFolder(), commandLine);
}

InstanceStart StartInstanceIn(const std::filesystem::path& folder, std::wstring_view commandLine) {
    InstanceStart start;
    auto mutex = std::make_unique<DMutex>(folder);
    if (!mutex->Create()) {
        Trace("StartInstance: no instance lock available; running without one");
        start.first = true;
        start.mutex = std::move(mutex);
        return start;
    }
    if (mutex->IsOwned()) {
        start.first = true;
        start.mutex = std::move(mutex);
        return start;
    }
    InstancePipe pipe(folder);
    InstancePipe::SendResult result = pipe.Send(commandLine);
    start.first = false;
    start.exitCode = 0;
    if (result != InstancePipe::SendResult::Sent) {
        // The line is lost; the caller says so and the start fails rather than pretending.
        Trace("StartInstance: the running instance did not take the command line");
        start.exitCode = 1;
    }
    return start;
}

}  // namespace talvex
