#pragma once
// The program's HTTP and HTTPS client: page fetches and form posts for site scripts, size
// queries and whole or ranged media transfers for downloads, the installer download. Each call
// runs one request (following redirects) to its end on the calling thread and returns a result
// code (NetResult.h). A caller-owned stop flag, set from any thread, ends a call at once with
// result 0; the caller tells that from success by its own flag.
//
// Requests share the process-wide cookie store and reuse open connections of earlier requests.
// Proxies come from http_proxy / https_proxy / no_proxy. TLS certificates and host names are
// always verified. A client object is used by one thread at a time; many run in parallel.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "net/HttpHeaders.h"
#include "net/IActivityProgressNotify.h"
#include "net/INotifier.h"
#include "net/NetResult.h"
#include "net/NetTimeouts.h"
#include "platform/FileOps.h"

namespace talvex {

struct HttpOutcome;
struct HttpRequestPlan;

using StopFlag = std::atomic<bool>;

// A flag that is never set, for calls nobody cancels.
const StopFlag& NeverStop();

// An inclusive byte range of a file (both ends 64-bit).
struct ByteRange {
    uint64_t from = 0;
    uint64_t to = 0;
};

class DNetworking {
public:
    static constexpr const wchar_t* kDefaultUserAgent = L"Rorovizov";
    // What a page fetch keeps in memory at most; a larger body fails with kNetReadFailed.
    static constexpr size_t kDefaultPageLimit = 32u << 20;

    DNetworking();
    explicit DNetworking(std::wstring userAgent);
    virtual ~DNetworking();
    DNetworking(const DNetworking&) = delete;
    DNetworking& operator=(const DNetworking&) = delete;

    // --- request settings ---
    void SetUserAgent(std::wstring userAgent) { userAgent_ = std::move(userAgent); }
    const std::wstring& UserAgent() const { return userAgent_; }
    // When not empty, requests are POSTs of this text in UTF-8.
    void SetPostData(std::wstring postData) { postData_ = std::move(postData); }
    // When not empty, requests are POSTs of these bytes as they are (before postData).
    void SetRawBody(std::string bytes) { rawBody_ = std::move(bytes); }
    // Accept any final status, not only "200" (page fetches, file downloads, header queries).
    void SetAcceptAnyStatus(bool accept) { acceptAnyStatus_ = accept; }
    void SetUseHttp11(bool use) { useHttp11_ = use; }
    // Appended to the address of a page fetch as "/" and the segment, in order.
    void AddPathSegment(std::wstring segment) { pathSegments_.push_back(std::move(segment)); }
    void SetTimeouts(const NetTimeouts& timeouts) { timeouts_ = timeouts; }
    void SetPageLimit(size_t bytes) { pageLimit_ = bytes; }

    // Sent with every request as "name: value".
    void AddRequestHeader(const std::wstring& name, const std::wstring& value);
    // kNetSuccess when a header of that name is set, kNetNoRequestHeader otherwise.
    uint32_t HasRequestHeader(const std::wstring& name) const;
    const HeaderMap& RequestHeaders() const { return requestHeaders_; }

    // --- requests ---
    // GET (POST when a body is set) of address plus the path segments; the body, decoded from
    // UTF-8 (invalid bytes become U+FFFD), into text. text is empty unless the result is 0 and
    // the fetch was not stopped.
    uint32_t GetPage(const std::wstring& address, std::wstring& text,
                     const StopFlag& stop = NeverStop());
    // Like GetPage, the body into the file at path. The file appears (replacing an older one)
    // only when the body arrived whole; a failed or stopped download leaves nothing behind.
    uint32_t DownloadToFile(const std::wstring& address, const std::filesystem::path& path,
                            const StopFlag& stop = NeverStop());
    // A whole-file download with progress reports to sink (every 200 KiB and at the end).
    uint32_t DownloadWithProgress(const std::wstring& address, const std::filesystem::path& path,
                                  const StopFlag& stop, INotifier* sink);
    // Fills the response headers without reading a body: "HEAD" first and, when that fails
    // with an answer from the server (or none), "GET" ended after the headers.
    uint32_t QueryHeaders(const std::wstring& address, const StopFlag& stop = NeverStop());
    // The bytes of range (the whole body when there is none) into file, each chunk written at
    // position, which advances by the chunk. A range expects "206" ("200": kNetRangeIgnored,
    // other statuses kNetBadStatus); no range expects "200" and reports the body length to
    // OnSize. A body shorter than the range or than "content-length" is kNetWriteFailed. sink
    // may be null. The body is paid from the process's download limit (TransferRateLimit).
    uint32_t DownloadRange(const std::wstring& address, std::optional<ByteRange> range, File& file,
                           std::atomic<uint64_t>& position, const StopFlag& stop,
                           IActivityProgressNotify* sink);

    // --- the last response ---
    // The status code of the last response as text; "unknown" before one arrived.
    const std::wstring& StatusCode() const { return statusCode_; }
    // By lower-cased name; each value is the text after the colon, its leading blank kept.
    const HeaderMap& ResponseHeaders() const { return responseHeaders_; }
    // kNetSuccess and the value, or kNetNoResponseHeader.
    uint32_t GetResponseHeader(const std::wstring& name, std::wstring& value) const;
    // "content-length" as a number, when present and valid.
    std::optional<uint64_t> ContentLength() const;
    // The errno of the file write that failed the last DownloadRange with kNetWriteFailed;
    // 0 when it did not fail writing (a body that arrived short is the server's fault).
    int LastWriteError() const { return lastWriteError_; }

    // --- process-wide ---
    // The value of the cookie name that a request to address would send (the text after the
    // first "=" of "name=value"): 0 and the value, or 1 when there is none.
    static uint32_t GetCookie(const std::wstring& address, const std::wstring& name,
                              std::wstring& value);
    // Stores a cookie ("value; attributes") for address in the shared store, so that later
    // requests of every client send it.
    static bool SetCookie(const std::wstring& address, const std::wstring& name,
                          const std::wstring& data);
    static bool IsConnected();

private:
    // The checks every operation starts with; a result when the request must not proceed.
    std::optional<uint32_t> Begin(const StopFlag& stop);
    // The request for address with this client's settings, or the result code that prevents it.
    std::optional<uint32_t> Prepare(const std::wstring& address, const std::string& verb,
                                    bool decode, bool xmlContentType, HttpRequestPlan& out) const;
    void Remember(const HttpOutcome& outcome);
    bool IsPost() const { return !postData_.empty() || !rawBody_.empty(); }
    std::string PostBody() const;

    std::wstring postData_;
    std::wstring statusCode_ = L"unknown";
    HeaderMap responseHeaders_;
    HeaderMap requestHeaders_;
    std::vector<std::wstring> pathSegments_;
    std::wstring userAgent_ = kDefaultUserAgent;
    bool acceptAnyStatus_ = false;
    bool useHttp11_ = false;
    std::string rawBody_;
    NetTimeouts timeouts_;
    size_t pageLimit_ = kDefaultPageLimit;
    int lastWriteError_ = 0;
};

}  // namespace talvex
