// What the site script reads from the item and writes into it (on the worker that runs it),
// and the run of the script itself.
#include "download/DownloadItem.h"

#include "scripts/SiteParser.h"

namespace talvex {

bool DownloadItem::RunScript() {
    if (parser_ == nullptr) {
        return false;
    }
    try {
        return parser_->Execute1(*this);
    } catch (...) {
        return false;
    }
}

std::wstring DownloadItem::PageUrl() const {
    std::lock_guard<std::mutex> guard(textLock_);
    return pageUrl_;
}

void DownloadItem::SetPageUrl(const std::wstring& url) {
    std::lock_guard<std::mutex> guard(textLock_);
    pageUrl_ = url;
}

void DownloadItem::SetMediaUrl(const std::wstring& url) {
    std::lock_guard<std::mutex> guard(textLock_);
    mediaUrl_ = url;
}

std::wstring DownloadItem::MediaUrl() const {
    std::lock_guard<std::mutex> guard(textLock_);
    return mediaUrl_;
}

void DownloadItem::SetTitle(const std::wstring& title) {
    std::lock_guard<std::mutex> guard(textLock_);
    title_ = title;
}

void DownloadItem::SetExtension(const std::wstring& extension) {
    std::lock_guard<std::mutex> guard(textLock_);
    extension_ = extension;
}

void DownloadItem::SetRtmpPlayPath(const std::wstring& playPath) {
    std::lock_guard<std::mutex> guard(textLock_);
    rtmpPlayPath_ = playPath;
}

void DownloadItem::SetRtmpSwfUrl(const std::wstring& swfUrl) {
    std::lock_guard<std::mutex> guard(textLock_);
    rtmpSwfUrl_ = swfUrl;
}

void DownloadItem::SetRtmpPageUrl(const std::wstring& pageUrl) {
    std::lock_guard<std::mutex> guard(textLock_);
    rtmpPageUrl_ = pageUrl;
}

void DownloadItem::SetErrorText(const std::wstring& text) {
    std::lock_guard<std::mutex> guard(textLock_);
    errorText_ = text;
}

std::wstring DownloadItem::ErrorText() const {
    std::lock_guard<std::mutex> guard(textLock_);
    return errorText_;
}

void DownloadItem::SetIdList(const std::vector<std::wstring>& ids) {
    std::lock_guard<std::mutex> guard(textLock_);
    idList_.clear();
    for (size_t i = 0; i < ids.size(); ++i) {
        idList_[static_cast<int32_t>(i)] = ids[i];
    }
}

std::wstring DownloadItem::Title() const {
    std::lock_guard<std::mutex> guard(textLock_);
    return title_;
}

std::wstring DownloadItem::Extension() const {
    std::lock_guard<std::mutex> guard(textLock_);
    return extension_;
}

std::wstring DownloadItem::RtmpPlayPath() const {
    std::lock_guard<std::mutex> guard(textLock_);
    return rtmpPlayPath_;
}

std::wstring DownloadItem::RtmpSwfUrl() const {
    std::lock_guard<std::mutex> guard(textLock_);
    return rtmpSwfUrl_;
}

std::wstring DownloadItem::RtmpPageUrl() const {
    std::lock_guard<std::mutex> guard(textLock_);
    return rtmpPageUrl_;
}

std::map<int32_t, std::wstring> DownloadItem::IdList() const {
    std::lock_guard<std::mutex> guard(textLock_);
    return idList_;
}

}  // namespace talvex
