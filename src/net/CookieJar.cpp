#include "net/CookieJar.h"

#include <curl/curl.h>

#include <algorithm>
#include <ctime>
#include <memory>

#include "net/CurlShare.h"
#include "platform/TextHelpers.h"
#include "platform/Utf8.h"

namespace talvex {

namespace {

bool HasControl(std::string_view text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

bool IsIpAddress(std::string_view host) {
    return host.find(':') != std::string_view::npos ||
           std::all_of(host.begin(), host.end(),
                       [](char c) { return (c >= '0' && c <= '9') || c == '.'; });
}

bool DomainMatches(std::string_view host, std::string_view domain, bool includeSubdomains) {
    if (host == domain) {
        return true;
    }
    if (!includeSubdomains || IsIpAddress(host) || host.size() <= domain.size()) {
        return false;
    }
    return host.substr(host.size() - domain.size()) == domain &&
           host[host.size() - domain.size() - 1] == '.';
}

bool PathMatches(std::string_view requestPath, std::string_view cookiePath) {
    if (requestPath.substr(0, cookiePath.size()) != cookiePath) {
        return false;
    }
    return requestPath.size() == cookiePath.size() || cookiePath.back() == '/' ||
           requestPath[cookiePath.size()] == '/';
}

std::string DefaultPath(std::string_view path) {
    if (path.empty() || path.front() != '/') {
        return "/";
    }
    size_t last = path.rfind('/');
    return last == 0 ? std::string("/") : std::string(path.substr(0, last));
}

struct EasyDeleter {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};

// A handle attached to the shared store, for reading or changing it. Attaching the share is all
// the cookie-list option and query need: they work on the handle's store, which is then the
// shared one. The handle never transfers, so it gets no cookie file (not even an empty name),
// and with it no file list to free.
std::unique_ptr<CURL, EasyDeleter> StoreHandle() {
    EnsureCurlInitialised();
    std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
    if (easy && curl_easy_setopt(easy.get(), CURLOPT_SHARE, SharedCurlData()) != CURLE_OK) {
        easy.reset();
    }
    return easy;
}

}  // namespace

std::optional<CookieRecord> MakeCookieRecord(const AddressParts& address, std::string_view name,
                                             std::string_view data, int64_t now) {
    name = Trim(name, Blanks::SpaceTab);
    if (name.empty() || HasControl(name) || name.find_first_of("=; ") != std::string_view::npos) {
        return std::nullopt;
    }
    CookieRecord cookie;
    cookie.name = std::string(name);
    cookie.domain = address.host;
    cookie.path = DefaultPath(address.path);
    size_t semicolon = data.find(';');
    cookie.value = std::string(Trim(data.substr(0, semicolon), Blanks::SpaceTab));
    if (HasControl(cookie.value)) {
        return std::nullopt;
    }
    std::optional<int64_t> maxAge;
    while (semicolon != std::string_view::npos) {
        data.remove_prefix(semicolon + 1);
        semicolon = data.find(';');
        std::string_view attribute = Trim(data.substr(0, semicolon), Blanks::SpaceTab);
        size_t equals = attribute.find('=');
        std::string key = LowerAscii(Trim(attribute.substr(0, equals), Blanks::SpaceTab));
        std::string_view value = equals == std::string_view::npos
                                     ? std::string_view()
                                     : Trim(attribute.substr(equals + 1), Blanks::SpaceTab);
        if (HasControl(value)) {
            return std::nullopt;
        }
        if (key == "domain" && !value.empty()) {
            std::string domain = LowerAscii(value);
            if (domain.front() == '.') {
                domain.erase(0, 1);
            }
            if (domain.empty() || !DomainMatches(address.host, domain, true)) {
                return std::nullopt;
            }
            cookie.domain = domain;
            cookie.includeSubdomains = !IsIpAddress(domain);
        } else if (key == "path" && !value.empty() && value.front() == '/') {
            cookie.path = std::string(value);
        } else if (key == "secure") {
            cookie.secure = true;
        } else if (key == "expires" && !value.empty()) {
            std::string text(value);
            time_t when = curl_getdate(text.c_str(), nullptr);
            if (when != -1) {
                cookie.expires = when <= 0 ? 1 : static_cast<int64_t>(when);
            }
        } else if (key == "max-age" && !value.empty()) {
            try {
                maxAge = std::stoll(std::string(value));
            } catch (...) {
            }
        }
    }
    if (maxAge) {
        cookie.expires = *maxAge <= 0 ? 1 : now + *maxAge;
    }
    return cookie;
}

std::string ToStoreLine(const CookieRecord& cookie) {
    return (cookie.includeSubdomains ? "." : "") + cookie.domain + "\t" +
           (cookie.includeSubdomains ? "TRUE" : "FALSE") + "\t" + cookie.path + "\t" +
           (cookie.secure ? "TRUE" : "FALSE") + "\t" + std::to_string(cookie.expires) + "\t" +
           cookie.name + "\t" + cookie.value;
}

std::optional<CookieRecord> ParseStoreLine(std::string_view line) {
    constexpr std::string_view kHttpOnly = "#HttpOnly_";
    if (line.substr(0, kHttpOnly.size()) == kHttpOnly) {
        line.remove_prefix(kHttpOnly.size());
    }
    std::vector<std::string_view> fields;
    size_t start = 0;
    while (fields.size() < 6) {
        size_t tab = line.find('\t', start);
        if (tab == std::string_view::npos) {
            return std::nullopt;
        }
        fields.push_back(line.substr(start, tab - start));
        start = tab + 1;
    }
    fields.push_back(line.substr(start));
    CookieRecord cookie;
    cookie.domain = LowerAscii(fields[0]);
    if (!cookie.domain.empty() && cookie.domain.front() == '.') {
        cookie.domain.erase(0, 1);
    }
    cookie.includeSubdomains = fields[1] == "TRUE";
    cookie.path = std::string(fields[2]);
    cookie.secure = fields[3] == "TRUE";
    try {
        cookie.expires = std::stoll(std::string(fields[4]));
    } catch (...) {
        return std::nullopt;
    }
    cookie.name = std::string(fields[5]);
    cookie.value = std::string(fields[6]);
    return cookie;
}

bool CookieApplies(const CookieRecord& cookie, const AddressParts& address, int64_t now) {
    if (cookie.expires != 0 && cookie.expires <= now) {
        return false;
    }
    if (cookie.secure && address.scheme != "https") {
        return false;
    }
    return DomainMatches(address.host, cookie.domain, cookie.includeSubdomains) &&
           PathMatches(address.path, cookie.path);
}

bool StoreSharedCookie(const std::wstring& address, const std::wstring& name,
                       const std::wstring& data) {
    auto parts = ParseAddress(address);
    if (!parts) {
        return false;
    }
    auto cookie = MakeCookieRecord(*parts, WideToUtf8(name), WideToUtf8(data),
                                   static_cast<int64_t>(std::time(nullptr)));
    if (!cookie) {
        return false;
    }
    auto easy = StoreHandle();
    if (!easy) {
        return false;
    }
    std::string line = ToStoreLine(*cookie);
    return curl_easy_setopt(easy.get(), CURLOPT_COOKIELIST, line.c_str()) == CURLE_OK;
}

std::vector<std::string> SharedCookieLines() {
    std::vector<std::string> lines;
    auto easy = StoreHandle();
    if (!easy) {
        return lines;
    }
    curl_slist* list = nullptr;
    if (curl_easy_getinfo(easy.get(), CURLINFO_COOKIELIST, &list) != CURLE_OK) {
        return lines;
    }
    for (curl_slist* item = list; item != nullptr; item = item->next) {
        lines.emplace_back(item->data);
    }
    curl_slist_free_all(list);
    return lines;
}

std::optional<std::wstring> FindSharedCookie(const std::wstring& address,
                                             const std::wstring& name) {
    auto parts = ParseAddress(address);
    if (!parts || name.empty()) {
        return std::nullopt;
    }
    std::string wanted = WideToUtf8(name);
    int64_t now = static_cast<int64_t>(std::time(nullptr));
    std::optional<CookieRecord> best;
    for (const std::string& line : SharedCookieLines()) {
        auto cookie = ParseStoreLine(line);
        if (cookie && cookie->name == wanted && CookieApplies(*cookie, *parts, now) &&
            (!best || cookie->path.size() > best->path.size())) {
            best = std::move(cookie);
        }
    }
    if (!best) {
        return std::nullopt;
    }
    return Utf8ToWide(best->value);
}

void ClearSharedCookies() {
    if (auto easy = StoreHandle()) {
        curl_easy_setopt(easy.get(), CURLOPT_COOKIELIST, "ALL");
    }
}

}  // namespace talvex
