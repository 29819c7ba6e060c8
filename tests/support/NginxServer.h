#pragma once
// A real nginx for tests, started on 127.0.0.1 on a free port with a generated configuration and
// its own temporary folder (configuration, logs, pid, temporary paths), and stopped by pid at the
// end. What it serves (paths below the base URL):
//   /...            the root folder, with byte ranges
//   /norange/...    the same files with ranges refused ("max_ranges 0": answers "200")
//   /slow/...       the same files at a per-connection rate (SetRateLimit)
//   /gzip/...       the same files compressed on the fly when the client accepts it
//   /nohead/...     the same files, but "HEAD" is refused with "405"
//   /redirect/X     "302" to /X;  /redirect301/X  "301" to /X;  /loop  redirects to itself
//   /status/403, /status/500   those statuses
//   /echo/user-agent, /echo/cookie, /echo/x-talvex   the request's header as the body
//   /setcookie      sets the cookie "sid" to "abc=def" (path "/")
//   anything missing: "404"
// Virtual hosts answer requests sent through the server as an HTTP proxy
// (http_proxy=ProxyAddress()): a request for http://www.youtube.com/x is then served from the
// folder given for "www.youtube.com". EnableTls adds an HTTPS port with a self-signed
// certificate. Configuration text can be added to the default server, the http block or the
// main context (extra servers, load_module and rtmp blocks); "{PORT}", "{ROOT}" and "{WORK}" in
// it are replaced at start.
#include <sys/types.h>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "support/TestHome.h"

namespace talvex::test {

struct NginxLogEntry {
    uint64_t connection = 0;          // nginx's connection serial number
    uint64_t connectionRequests = 0;  // the request's number on that connection
    std::string method;
    std::string uri;
    int status = 0;
    std::string range;  // the Range header, "-" when none
    std::string userAgent;
    uint64_t bodyBytes = 0;
    std::string host;
    std::string cookie;
    std::string acceptEncoding;
};

class NginxServer {
public:
    // Startup and shutdown wait at most this long.
    static constexpr int kStartTimeoutMs = 10000;
    static constexpr int kStopTimeoutMs = 5000;

    NginxServer();
    ~NginxServer();
    NginxServer(const NginxServer&) = delete;
    NginxServer& operator=(const NginxServer&) = delete;

    // --- before Start ---
    void SetRoot(const std::filesystem::path& folder) { root_ = folder; }
    void SetRateLimit(const std::string& rate) { rate_ = rate; }
    void AddVirtualHost(const std::string& serverNames, const std::filesystem::path& folder);
    void EnableTls() { tls_ = true; }
    void AddServerText(const std::string& text) { serverText_ += text + "\n"; }
    void AddHttpText(const std::string& text) { httpText_ += text + "\n"; }
    void AddMainText(const std::string& text) { mainText_ += text + "\n"; }

    // Starts nginx and waits until it answers; false (details in LastError) when it does not.
    bool Start();
    // Stops nginx (SIGTERM, then SIGKILL after kStopTimeoutMs); also done by the destructor.
    void Stop();
    bool IsRunning() const { return pid_ > 0; }
    const std::string& LastError() const { return error_; }

    uint16_t Port() const { return port_; }
    uint16_t TlsPort() const { return tlsPort_; }
    std::string Url(const std::string& path = "/") const;
    std::wstring WideUrl(const std::string& path = "/") const;
    std::wstring TlsUrl(const std::string& path = "/") const;
    // For http_proxy.
    std::string ProxyAddress() const;
    const std::filesystem::path& Root() const { return root_; }
    const std::filesystem::path& WorkDir() const { return work_.Path(); }

    // The access log, one entry per answered request, oldest first.
    std::vector<NginxLogEntry> AccessLog() const;
    // The access log once it has at least count entries (nginx writes an entry just after the
    // response, so a client can be faster), or as it is after kLogWaitMs.
    std::vector<NginxLogEntry> WaitForAccessLog(size_t count) const;
    static constexpr int kLogWaitMs = 5000;
    std::string ErrorLog() const;

private:
    std::string Config() const;
    bool MakeCertificate();
    bool StartOnce();
    bool WaitUntilAnswering();

    TempDir work_;
    std::filesystem::path root_;
    std::string rate_ = "256k";
    std::vector<std::pair<std::string, std::filesystem::path>> virtualHosts_;
    bool tls_ = false;
    std::string serverText_;
    std::string httpText_;
    std::string mainText_;
    pid_t pid_ = -1;
    uint16_t port_ = 0;
    uint16_t tlsPort_ = 0;
    std::string error_;
};

}  // namespace talvex::test
