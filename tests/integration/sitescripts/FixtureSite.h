#pragma once
// The fixture video site of tests/fixtures/site served by a real nginx that is this process's
// HTTP proxy, so the bundled site scripts fetch "http://www.youtube.com/..." and
// "http://www.facebook.com/..." unchanged and reach nothing outside 127.0.0.1. Media files are
// generated into a temporary folder: a few bytes that name the file.
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/NginxServer.h"
#include "support/TestHome.h"

namespace talvex::test {

// tests/fixtures/site in the source tree.
std::filesystem::path FixtureSiteFolder();

// The entries of the fixture's media.txt: paths relative to the media folder.
std::vector<std::string> FixtureMediaFiles();

// The bytes the fixture serves for a media file (relative path as in media.txt).
std::string FixtureMediaBytes(const std::string& relativePath);

// How many of entries have method and a path (with query) beginning with pathPrefix.
size_t CountRequests(const std::vector<NginxLogEntry>& entries, const std::string& method,
                     const std::string& pathPrefix);

class FixtureSite {
public:
    FixtureSite();
    FixtureSite(const FixtureSite&) = delete;
    FixtureSite& operator=(const FixtureSite&) = delete;

    // Starts nginx and routes this process's HTTP requests through it; false with LastError
    // when nginx does not start.
    bool Start();
    const std::string& LastError() const { return nginx_.LastError(); }
    NginxServer& Nginx() { return nginx_; }
    const std::filesystem::path& MediaFolder() const { return media_.Path(); }

    // Requests the server answered for host, oldest first.
    std::vector<NginxLogEntry> Requests(const std::string& host) const;
    // The requests for host once count of them have method and a path beginning with
    // pathPrefix (nginx logs a request just after answering it), or as they are after a few
    // seconds.
    std::vector<NginxLogEntry> WaitForRequests(const std::string& host, const std::string& method,
                                               const std::string& pathPrefix, size_t count) const;

private:
    TempDir media_;
    NginxServer nginx_;
    // Proxy settings of the environment, replaced while the site is up.
    std::vector<std::unique_ptr<ScopedEnv>> proxyEnv_;
};

}  // namespace talvex::test
