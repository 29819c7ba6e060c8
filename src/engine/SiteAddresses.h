#pragma once
// Recognising playlist and channel addresses of the video site, so that the Download tab can
// offer to expand them into one download per video.
#include <string>
#include <vector>

namespace talvex {

// The video site, looked for as plain text in the addresses.
inline constexpr wchar_t kVideoSiteDomain[] = L"youtube.com";
inline constexpr wchar_t kVideoSiteWebHost[] = L"www.youtube.com";

// On the site, with a "list=" parameter (a watch page inside a playlist counts too).
bool IsPlayListAddress(const std::wstring& url);
// On the site, neither a watch page nor the age check page, and not a playlist.
bool IsChannelAddress(const std::wstring& url);
// The watch page of one video.
std::wstring WatchAddressForVideo(const std::wstring& videoId);

bool ContainPlayList(const std::vector<std::wstring>& urls);
bool ContainChannels(const std::vector<std::wstring>& urls);
// Remove those addresses in place, keeping the order of the rest.
void RemovePlayLists(std::vector<std::wstring>& urls);
void RemoveChannels(std::vector<std::wstring>& urls);

}  // namespace talvex
