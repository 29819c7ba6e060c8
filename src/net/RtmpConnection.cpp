#include "net/RtmpConnection.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "net/NetResult.h"
#include "net/RtmpLibrary.h"
#include "net/TransferRateLimit.h"
#include "platform/FileOps.h"
#include "platform/Tick.h"
#include "platform/Utf8.h"

namespace talvex {

namespace {

// Indexed by librtmp's protocol number (its feature bits: HTTP 1, encryption 2, TLS 4).
const char* const kProtocolNames[] = {"rtmp", "rtmpt", "rtmpe", "rtmpte", "rtmps", "rtmpts"};

AVal View(std::string& text) {
    return AVal{text.data(), static_cast<int>(text.size())};
}

std::string Take(const AVal& value) {
    if (value.av_val == nullptr || value.av_len <= 0) {
        return {};
    }
    return std::string(value.av_val, static_cast<size_t>(value.av_len));
}

// Reports at most every 200 ms (and for the first chunk), like the HTTP transfer: "done" is the
// stream time in milliseconds, "counted" the bytes, the speed that of the window.
class StreamProgress {
public:
    StreamProgress(IActivityProgressNotify* sink, uint64_t now) : sink_(sink), windowStart_(now) {}

    void OnChunk(size_t bytes, uint64_t streamTimeMs, uint64_t now) {
        windowBytes_ += bytes;
        bytes_ += bytes;
        uint64_t elapsed = now > windowStart_ ? now - windowStart_ : 0;
        if (elapsed <= 200 && !first_) {
            return;
        }
        first_ = false;
        double speed = static_cast<double>(windowBytes_) * 1000.0 /
                       static_cast<double>(elapsed == 0 ? 1 : elapsed);
        if (sink_ != nullptr) {
            sink_->Update(streamTimeMs, bytes_, speed, speed);
        }
        windowBytes_ = 0;
        windowStart_ = now;
    }

private:
    IActivityProgressNotify* sink_;
    uint64_t windowStart_;
    uint64_t windowBytes_ = 0;
    uint64_t bytes_ = 0;
    bool first_ = true;
};

}  // namespace

RtmpConnection::RtmpConnection(const std::wstring& playPath, const std::wstring& swfUrl,
                               const std::wstring& pageUrl)
    : playpath_(WideToUtf8(playPath)), swfUrl_(WideToUtf8(swfUrl)), pageUrl_(WideToUtf8(pageUrl)) {
    if (!LoadRtmpLibrary()) {
        return;
    }
    // The record's layout is the installed library's (its development header); librtmp expects
    // a zero-filled record before RTMP_Init.
    rtmp_ = static_cast<RTMP*>(std::calloc(1, sizeof(RTMP)));
    if (rtmp_ != nullptr) {
        GetRtmpApi()->Init(rtmp_);
    }
}

RtmpConnection::~RtmpConnection() {
    if (rtmp_ != nullptr) {
        if (const RtmpApi* api = GetRtmpApi()) {
            api->Close(rtmp_);
        }
        std::free(rtmp_);
    }
}

uint32_t RtmpConnection::Download(IActivityProgressNotify* sink, const std::wstring& url,
                                  File& file, const std::atomic<bool>& stop) {
    if (stop.load()) {
        return kNetStopped;
    }
    if (rtmp_ == nullptr || GetRtmpApi() == nullptr) {
        return kNetInternalError;
    }
    uint32_t result = Connect(url, stop);
    if (result != kNetSuccess) {
        return result;
    }
    if (stop.load()) {
        return kNetStopped;
    }
    return ReadLoop(sink, file, stop);
}

uint32_t RtmpConnection::Connect(const std::wstring& url, const std::atomic<bool>& stop) {
    const RtmpApi& api = *GetRtmpApi();
    url_ = WideToUtf8(url);

    int protocol = RTMP_PROTOCOL_UNDEFINED;
    AVal host{nullptr, 0};
    AVal playpath{nullptr, 0};
    AVal app{nullptr, 0};
    unsigned int port = 0;
    if (!api.ParseURL(url_.c_str(), &protocol, &host, &port, &playpath, &app)) {
        std::free(playpath.av_val);
        return kNetInternalError;
    }
    // The parser copies the play path into memory of its own; host and app point into url_.
    std::string parsedPlaypath = Take(playpath);
    std::free(playpath.av_val);
    if (stop.load()) {
        return kNetStopped;
    }
    protocol_ = protocol;
    port_ = static_cast<int>(port);
    if (host.av_len > 0) {
        hostname_ = Take(host);
    }
    if (!parsedPlaypath.empty()) {
        playpath_ = parsedPlaypath;
    }
    if (app.av_len > 0) {
        app_ = Take(app);
    }
    if (protocol_ < 0 || protocol_ > 5 || hostname_.empty()) {
        return kNetInternalError;
    }
    if (port_ == 0) {
        port_ = 1935;
    }

    if (!swfUrl_.empty()) {
        unsigned int size = 0;
        if (api.HashSWF(swfUrl_.c_str(), &size, swfHash_, 0) != 0) {
            return kNetInternalError;
        }
        swfSize_ = size;
    }

    char tcUrl[2048];
    int length = std::snprintf(tcUrl, sizeof tcUrl, "%s://%.*s:%d/%.*s", kProtocolNames[protocol_],
                               static_cast<int>(hostname_.size()), hostname_.c_str(), port_,
                               static_cast<int>(app_.size()), app_.c_str());
    if (length < 0 || static_cast<size_t>(length) >= sizeof tcUrl) {
        return kNetInternalError;
    }
    tcUrl_.assign(tcUrl, static_cast<size_t>(length));

    AVal hostnameVal = View(hostname_);
    std::string socksHost;
    AVal socksVal = View(socksHost);
    AVal playpathVal = View(playpath_);
    AVal tcUrlVal = View(tcUrl_);
    AVal swfUrlVal = View(swfUrl_);
    AVal pageUrlVal = View(pageUrl_);
    AVal appVal = View(app_);
    AVal authVal = View(auth_);
    AVal swfHashVal{reinterpret_cast<char*>(swfHash_), swfSize_ != 0 ? 32 : 0};
    AVal flashVerVal = View(flashVer_);
    AVal subscribeVal = View(subscribePath_);
    std::string usherToken;
    AVal usherVal = View(usherToken);
    api.SetupStream(rtmp_, protocol_, &hostnameVal, static_cast<unsigned int>(port_), &socksVal,
                    &playpathVal, &tcUrlVal, &swfUrlVal, &pageUrlVal, &appVal, &authVal,
                    &swfHashVal, swfSize_, &flashVerVal, &subscribeVal, &usherVal, startTime_,
                    stopTime_, liveStream_, kTimeoutSeconds);
    // Resume playing when the server reports its buffer empty.
    rtmp_->Link.lFlags |= RTMP_LF_BUFX;

    api.SetBufferMS(rtmp_, kBufferMs);
    if (!api.Connect(rtmp_, nullptr)) {
        return kNetInternalError;
    }
    if (stop.load()) {
        return kNetStopped;
    }
    if (!api.ConnectStream(rtmp_, startTime_)) {
        return kNetInternalError;
    }
    return kNetSuccess;
}

uint32_t RtmpConnection::ReadLoop(IActivityProgressNotify* sink, File& file,
                                  const std::atomic<bool>& stop) {
    const RtmpApi& api = *GetRtmpApi();
    // A fresh read from the stream's beginning: no resume, no header skipped.
    rtmp_->m_read.timestamp = 0;
    rtmp_->m_read.dataType = 0;
    rtmp_->m_read.flags = 0;
    rtmp_->m_read.status = 0;
    rtmp_->m_read.initialFrameType = 0;
    rtmp_->m_read.nResumeTS = 0;
    rtmp_->m_read.nIgnoredFrameCounter = 0;
    rtmp_->m_read.nIgnoredFlvFrameCounter = 0;

    uint64_t now = TickMs();
    if (sink != nullptr && !sink->OnStart(now)) {
        return kNetInternalError;
    }
    StreamProgress progress(sink, now);
    std::vector<char> buffer(kChunkSize);
    uint64_t offset = 0;
    bool sizeReported = false;
    do {
        if (stop.load()) {
            return kNetStopped;
        }
        int n = api.Read(rtmp_, buffer.data(), static_cast<int>(buffer.size()));
        // The process's download limit: waiting here leaves the stream in the socket.
        if (n > 0 && !TransferRateLimit::Global().Take(static_cast<uint64_t>(n), stop)) {
            return kNetStopped;
        }
        progress.OnChunk(n > 0 ? static_cast<size_t>(n) : 0, rtmp_->m_read.timestamp, TickMs());
        if (n == -1) {
            return kNetReadFailed;
        }
        if (n > 0) {
            if (!file.WriteAt(offset, buffer.data(), static_cast<size_t>(n))) {
                return kNetWriteFailed;
            }
            offset += static_cast<uint64_t>(n);
            if (!sizeReported) {
                sizeReported = true;
                double durationMs = api.GetDuration(rtmp_) * 1000.0;
                uint64_t total = durationMs > 0.0 ? static_cast<uint64_t>(durationMs) : 0;
                if (sink != nullptr && !sink->OnSize(total)) {
                    return kNetInternalError;
                }
            }
        }
    } while (api.IsConnected(rtmp_) && !api.IsTimedout(rtmp_));

    if (stop.load()) {
        return kNetStopped;
    }
    // A stream that went silent for the whole time-out did not end: storing what arrived as
    // the complete file would hide the failure.
    if (api.IsTimedout(rtmp_)) {
        return kNetReadFailed;
    }
    if (sink != nullptr && !sink->OnComplete()) {
        return kNetInternalError;
    }
    return kNetSuccess;
}

}  // namespace talvex
