#include "integration/sitescripts/FixtureSite.h"

#include <chrono>
#include <sstream>
#include <thread>

namespace talvex::test {

namespace fs = std::filesystem;

namespace {

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
}

}  // namespace

fs::path FixtureSiteFolder() {
    return fs::path(TALVEX_SOURCE_DIR) / "tests" / "fixtures" / "site";
}

std::vector<std::string> FixtureMediaFiles() {
    std::vector<std::string> files;
    std::istringstream in(ReadFileBytes(FixtureSiteFolder() / "media.txt"));
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        files.push_back(line.substr(0, line.find(' ')));
    }
    return files;
}

std::string FixtureMediaBytes(const std::string& relativePath) {
    return "talvex fixture media " + relativePath + "\n";
}

FixtureSite::FixtureSite() {
    for (const std::string& file : FixtureMediaFiles()) {
        WriteFileBytes(media_.Path() / file, FixtureMediaBytes(file));
    }
    std::string config = ReadFileBytes(FixtureSiteFolder() / "nginx-site.conf");
    ReplaceAll(config, "{SITE}", FixtureSiteFolder().string());
    ReplaceAll(config, "{MEDIA}", media_.Path().string());
    nginx_.AddHttpText(config);  // {PORT} is nginx_'s own placeholder
}

bool FixtureSite::Start() {
    if (!nginx_.Start()) {
        return false;
    }
    // Everything goes to the fixture, HTTPS included (nginx refuses CONNECT, so a script that
    // strayed to an https address fails instead of reaching the real site).
    const std::string proxy = nginx_.ProxyAddress();
    proxyEnv_.push_back(std::make_unique<ScopedEnv>("http_proxy", proxy));
    proxyEnv_.push_back(std::make_unique<ScopedEnv>("https_proxy", proxy));
    proxyEnv_.push_back(std::make_unique<ScopedEnv>("HTTPS_PROXY", proxy));
    for (const char* name : {"ALL_PROXY", "all_proxy", "no_proxy", "NO_PROXY"}) {
        proxyEnv_.push_back(std::make_unique<ScopedEnv>(name, std::nullopt));
    }
    return true;
}

std::vector<NginxLogEntry> FixtureSite::Requests(const std::string& host) const {
    std::vector<NginxLogEntry> found;
    for (NginxLogEntry& entry : nginx_.AccessLog()) {
        if (entry.host == host) {
            found.push_back(std::move(entry));
        }
    }
    return found;
}

size_t CountRequests(const std::vector<NginxLogEntry>& entries, const std::string& method,
                     const std::string& pathPrefix) {
    size_t count = 0;
    for (const NginxLogEntry& entry : entries) {
        if (entry.method == method && entry.uri.rfind(pathPrefix, 0) == 0) {
            ++count;
        }
    }
    return count;
}

std::vector<NginxLogEntry> FixtureSite::WaitForRequests(const std::string& host,
                                                        const std::string& method,
                                                        const std::string& pathPrefix,
                                                        size_t count) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    std::vector<NginxLogEntry> entries = Requests(host);
    while (CountRequests(entries, method, pathPrefix) < count &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        entries = Requests(host);
    }
    return entries;
}

}  // namespace talvex::test
