#include "download/ThreadDownload.h"

#include "net/DNetworking.h"
#include "platform/PathText.h"

namespace talvex {

void MessageSinkLink::Post(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    std::lock_guard<std::mutex> guard(lock_);
    if (sink_ != nullptr) {
        sink_->Post(message, wParam, lParam);
    }
}

void MessageSinkLink::Detach() {
    std::lock_guard<std::mutex> guard(lock_);
    sink_ = nullptr;
}

ThreadDownload::ThreadDownload(void* owner, std::wstring url, std::wstring filePath,
                               std::shared_ptr<MessageSinkLink> window, uintptr_t opaque)
    : DThread(owner),
      url(std::move(url)),
      filePath(std::move(filePath)),
      opaque(opaque),
      window_(std::move(window)) {}

uint32_t ThreadDownload::Run() {
    if (StopRequested()) {
        return 1;
    }
    DNetworking net(DNetworking::kDefaultUserAgent);
    uint32_t code = net.DownloadWithProgress(url, ToPath(filePath), stop_, this);
    // A download cancelled through a refused report returns 0 too, but left no file.
    if (code == 0 && !StopRequested() && !stop_.load()) {
        result.clear();
        return 1;
    }
    result = L"Failed";
    return 0;
}

bool ThreadDownload::Send(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    if (window_) {
        window_->Post(message, wParam, lParam);
    }
    if (StopRequested()) {
        stop_.store(true);
        return false;
    }
    return true;
}

bool ThreadDownload::OnError(uint32_t code) {
    return Send(kMsgDownloadError, code, 0);
}

bool ThreadDownload::OnSize(uint64_t total) {
    Send(kMsgDownloadSize, static_cast<uintptr_t>(total), 0);
    return true;
}

bool ThreadDownload::OnProgress(uint64_t bytes, uint64_t milliseconds) {
    return Send(kMsgDownloadProgress, static_cast<uintptr_t>(bytes),
                static_cast<intptr_t>(milliseconds));
}

bool ThreadDownload::OnComplete() {
    return Send(kMsgDownloadComplete, 0, 0);
}

bool ThreadDownload::OnNotify(uint64_t first, uint64_t second) {
    return Send(kMsgDownloadNotice, static_cast<uintptr_t>(first), static_cast<intptr_t>(second));
}

}  // namespace talvex
