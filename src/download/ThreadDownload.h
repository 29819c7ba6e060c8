#pragma once
// The installer download of the update dialog: a dedicated thread that fetches one file with
// progress messages to the dialog.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "app/threads/DThread.h"
#include "net/INotifier.h"
#include "platform/MessageSink.h"

namespace talvex {

// Messages to the dialog (wParam, lParam as noted).
enum : uint32_t {
    kMsgDownloadSize = 1025,      // total bytes, 0
    kMsgDownloadProgress = 1026,  // bytes so far, milliseconds since the previous report
    kMsgDownloadError = 1027,     // result code, 0
    kMsgDownloadComplete = 1029,  // 0, 0
    kMsgDownloadNotice = 1030,    // two values passed through
};

// The dialog's end of the link. The dialog may go away while the thread still runs (its wait
// for the thread is bounded); it detaches first, and later messages are dropped.
class MessageSinkLink {
public:
    explicit MessageSinkLink(IMessageSink* sink) : sink_(sink) {}
    void Post(uint32_t message, uintptr_t wParam, intptr_t lParam);
    void Detach();

private:
    std::mutex lock_;
    IMessageSink* sink_;
};

class ThreadDownload : public DThread, public INotifier {
public:
    // owner: the engine interface (opaque); opaque: a value of the creator's, kept as is.
    ThreadDownload(void* owner, std::wstring url, std::wstring filePath,
                   std::shared_ptr<MessageSinkLink> window, uintptr_t opaque = 0);

    // 1 when the file arrived whole (result empty), 0 otherwise (result "Failed"); 1 at once
    // when stopped before it began.
    uint32_t Run() override;

    // Each sends its message and answers false once the thread was asked to stop (OnSize
    // always answers true).
    bool OnError(uint32_t code) override;
    bool OnSize(uint64_t total) override;
    bool OnProgress(uint64_t bytes, uint64_t milliseconds) override;
    bool OnComplete() override;
    bool OnNotify(uint64_t first, uint64_t second) override;

    const std::wstring url;
    const std::wstring filePath;
    // RTMP details (unused by the installer download).
    std::wstring rtmpPlayPath;
    std::wstring rtmpSwfUrl;
    std::wstring rtmpPageUrl;
    const uintptr_t opaque;

private:
    bool Send(uint32_t message, uintptr_t wParam, intptr_t lParam);

    std::shared_ptr<MessageSinkLink> window_;
    std::atomic<bool> stop_{false};
};

}  // namespace talvex
