#include "engine/SiteAddresses.h"

#include <algorithm>

namespace talvex {

namespace {

// Found at index 1 or later: an address that merely starts with the text is no web address.
bool ContainsAfterStart(const std::wstring& text, const std::wstring& part) {
    return text.find(part, 1) != std::wstring::npos;
}

bool IsWatchPage(const std::wstring& url) {
    const std::wstring host = kVideoSiteWebHost;
    for (const wchar_t* scheme : {L"http://", L"https://"}) {
        for (const wchar_t* path : {L"/watch?", L"/watch_popup?"}) {
            if (url.find(scheme + host + path) != std::wstring::npos) {
                return true;
            }
        }
    }
    return false;
}

}  // namespace

bool IsPlayListAddress(const std::wstring& url) {
    return ContainsAfterStart(url, kVideoSiteDomain) && ContainsAfterStart(url, L"list=");
}

bool IsChannelAddress(const std::wstring& url) {
    return ContainsAfterStart(url, kVideoSiteDomain) && !IsWatchPage(url) &&
           url.find(L"/verify_age?") == std::wstring::npos && !IsPlayListAddress(url);
}

std::wstring WatchAddressForVideo(const std::wstring& videoId) {
    return L"http://" + std::wstring(kVideoSiteWebHost) + L"/watch?v=" + videoId;
}

bool ContainPlayList(const std::vector<std::wstring>& urls) {
    return std::any_of(urls.begin(), urls.end(), IsPlayListAddress);
}

bool ContainChannels(const std::vector<std::wstring>& urls) {
    return std::any_of(urls.begin(), urls.end(), IsChannelAddress);
}

void RemovePlayLists(std::vector<std::wstring>& urls) {
    std::erase_if(urls, IsPlayListAddress);
}

void RemoveChannels(std::vector<std::wstring>& urls) {
    std::erase_if(urls, IsChannelAddress);
}

}  // namespace talvex
