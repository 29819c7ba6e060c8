#include "net/Address.h"

#include <curl/curl.h>

#include <algorithm>
#include <memory>

#include "net/CurlShare.h"
#include "platform/TextHelpers.h"
#include "platform/Utf8.h"

namespace talvex {

namespace {

struct UrlDeleter {
    void operator()(CURLU* u) const { curl_url_cleanup(u); }
};

std::optional<std::string> GetPart(CURLU* url, CURLUPart part, unsigned flags = 0) {
    char* text = nullptr;
    if (curl_url_get(url, part, &text, flags) != CURLUE_OK || text == nullptr) {
        return std::nullopt;
    }
    std::string result(text);
    curl_free(text);
    return result;
}

}  // namespace

std::optional<AddressParts> ParseAddress(std::wstring_view address) {
    EnsureCurlInitialised();
    std::string utf8 = WideToUtf8(address);
    // Control characters never belong in an address; the parser would pass some of them.
    if (utf8.empty() || std::any_of(utf8.begin(), utf8.end(), [](char c) {
            return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
        })) {
        return std::nullopt;
    }
    std::unique_ptr<CURLU, UrlDeleter> url(curl_url());
    if (!url ||
        curl_url_set(url.get(), CURLUPART_URL, utf8.c_str(), CURLU_URLENCODE) != CURLUE_OK) {
        return std::nullopt;
    }
    AddressParts parts;
    auto scheme = GetPart(url.get(), CURLUPART_SCHEME);
    auto host = GetPart(url.get(), CURLUPART_HOST);
    auto port = GetPart(url.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT);
    auto full = GetPart(url.get(), CURLUPART_URL);
    auto path = GetPart(url.get(), CURLUPART_PATH);
    if (!scheme || !host || !port || !full || host->empty()) {
        return std::nullopt;
    }
    parts.scheme = LowerAscii(*scheme);
    if (parts.scheme != "http" && parts.scheme != "https") {
        return std::nullopt;
    }
    parts.host = LowerAscii(*host);
    unsigned long portNumber = std::strtoul(port->c_str(), nullptr, 10);
    if (portNumber == 0 || portNumber > 65535) {
        return std::nullopt;
    }
    parts.port = static_cast<uint16_t>(portNumber);
    parts.url = *full;
    parts.path = path && !path->empty() ? *path : "/";
    return parts;
}

std::string OriginOf(const AddressParts& parts) {
    return parts.scheme + "://" + parts.host + ":" + std::to_string(parts.port);
}

}  // namespace talvex
