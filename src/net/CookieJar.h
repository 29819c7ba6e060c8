#pragma once
// The process-wide cookie store: the cookies servers set and those stored explicitly are kept in
// the transfer library's shared store, in memory for the life of the process, and every request
// of every client sends the ones that apply.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "net/Address.h"

namespace talvex {

struct CookieRecord {
    std::string domain;              // lower-case, no leading dot
    bool includeSubdomains = false;  // a "domain=" cookie; otherwise for that host only
    std::string path = "/";
    bool secure = false;
    int64_t expires = 0;  // seconds since the epoch; 0 for a session cookie
    std::string name;
    std::string value;
};

// A cookie for address from its name and its data text ("value; path=/; domain=.x; expires=..;
// max-age=..; secure"). Without "domain=" it belongs to the address's host alone; without
// "path=" to the folder of the address's path. Nothing when the name is empty or holds "=", ";"
// or blanks, when name or value hold control characters, or when "domain=" names a domain the
// host does not belong to.
std::optional<CookieRecord> MakeCookieRecord(const AddressParts& address, std::string_view name,
                                             std::string_view data, int64_t now);

// The store's line format (tab-separated: domain, subdomains, path, secure, expires, name,
// value) and back.
std::string ToStoreLine(const CookieRecord& cookie);
std::optional<CookieRecord> ParseStoreLine(std::string_view line);

// Whether a request to address would send the cookie.
bool CookieApplies(const CookieRecord& cookie, const AddressParts& address, int64_t now);

// Stores a cookie in the shared store. False when the address or the cookie is not valid.
bool StoreSharedCookie(const std::wstring& address, const std::wstring& name,
                       const std::wstring& data);

// The value of the cookie named name that a request to address would send (the most specific
// path first); nothing when there is none.
std::optional<std::wstring> FindSharedCookie(const std::wstring& address, const std::wstring& name);

// Every cookie in the shared store, in the store's line format.
std::vector<std::string> SharedCookieLines();

// Empties the shared store.
void ClearSharedCookies();

}  // namespace talvex
