#pragma once
// One RTMP transfer attempt through librtmp: connect, play the stream from its beginning and
// write the FLV data librtmp hands back into a file, reporting progress in stream time against
// the stream's duration.
#include <atomic>
#include <cstdint>
#include <string>

#include "net/IActivityProgressNotify.h"

struct RTMP;

namespace talvex {

class File;

class RtmpConnection {
public:
    // librtmp's connection time-out, in seconds.
    static constexpr int kTimeoutSeconds = 30;
    // librtmp's buffer length: one hour, so that a stored stream arrives as fast as it can.
    static constexpr int kBufferMs = 3600000;
    static constexpr size_t kChunkSize = 4096;

    // The three connection details a site script may set: the play path (replaced by one found
    // in the address), the SWF player address (hashed for verification when not empty) and the
    // page address. Loads librtmp if needed.
    RtmpConnection(const std::wstring& playPath, const std::wstring& swfUrl,
                   const std::wstring& pageUrl);
    ~RtmpConnection();
    RtmpConnection(const RtmpConnection&) = delete;
    RtmpConnection& operator=(const RtmpConnection&) = delete;

    // The whole transfer of url into file (written from offset 0). Returns 0 when the stream
    // ended, 15 when stop was set, 12 on a read error or a time-out, 14 on a write error, 1 on
    // any other failure (no library, a bad address, a refused connection, a sink that refuses a
    // report). The stream is paid from the process's download limit (TransferRateLimit).
    uint32_t Download(IActivityProgressNotify* sink, const std::wstring& url, File& file,
                      const std::atomic<bool>& stop);

    // What the address named, after Download parsed it (tests).
    const std::string& HostName() const { return hostname_; }
    const std::string& PlayPath() const { return playpath_; }
    const std::string& App() const { return app_; }
    const std::string& TcUrl() const { return tcUrl_; }
    int Port() const { return port_; }
    bool SwfHashed() const { return swfSize_ != 0; }

private:
    uint32_t Connect(const std::wstring& url, const std::atomic<bool>& stop);
    uint32_t ReadLoop(IActivityProgressNotify* sink, File& file, const std::atomic<bool>& stop);

    RTMP* rtmp_ = nullptr;
    // librtmp keeps pointers into these strings for the life of the connection.
    std::string url_;
    std::string hostname_;
    std::string playpath_;
    std::string subscribePath_;
    int port_ = 0;
    int protocol_ = -1;
    int liveStream_ = 0;
    int stopTime_ = 0;
    std::string swfUrl_;
    std::string tcUrl_;
    std::string pageUrl_;
    std::string app_;
    std::string auth_;
    std::string flashVer_;
    unsigned char swfHash_[32] = {};
    uint32_t swfSize_ = 0;
    int startTime_ = 0;
};

}  // namespace talvex
