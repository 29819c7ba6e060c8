#pragma once
// Checking and splitting the addresses the client is asked to fetch.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace talvex {

struct AddressParts {
    std::string url;     // normalised, UTF-8, ready for the transfer library
    std::string scheme;  // "http" or "https"
    std::string host;    // lower-case
    uint16_t port = 0;   // explicit or the scheme's default
    std::string path;    // "/" when the address has none
};

// Accepts only absolute http:// and https:// addresses. Blanks and non-ASCII characters are
// percent-encoded (page addresses taken from scripts may hold them); anything the URL parser
// rejects (no scheme, no host, a bad port, an unclosed IPv6 bracket) gives nothing.
std::optional<AddressParts> ParseAddress(std::wstring_view address);

// "scheme://host:port": connections to one origin can be reused by later requests.
std::string OriginOf(const AddressParts& parts);

}  // namespace talvex
