#include <gtest/gtest.h>

#include "engine/SiteAddresses.h"

namespace talvex {

TEST(SiteAddresses, PlaylistNeedsTheSiteAndAListParameter) {
    EXPECT_TRUE(IsPlayListAddress(L"http://www.youtube.com/playlist?list=PL123"));
    // A watch page inside a playlist is a playlist address.
    EXPECT_TRUE(IsPlayListAddress(L"https://www.youtube.com/watch?v=abc&list=PL1"));
    EXPECT_TRUE(IsPlayListAddress(L"https://m.youtube.com/playlist?list=x"));
    EXPECT_FALSE(IsPlayListAddress(L"http://example.com/playlist?list=PL123"));
    EXPECT_FALSE(IsPlayListAddress(L"http://www.youtube.com/watch?v=abc"));
    // Both texts must stand after the first character.
    EXPECT_FALSE(IsPlayListAddress(L"youtube.com/playlist?list=PL1"));
    EXPECT_FALSE(IsPlayListAddress(L"list=1&u=www.youtube.com"));
    EXPECT_FALSE(IsPlayListAddress(L""));
}

TEST(SiteAddresses, ChannelIsAnySitePageButWatchAgeCheckAndPlaylist) {
    EXPECT_TRUE(IsChannelAddress(L"http://www.youtube.com/user/somebody"));
    EXPECT_TRUE(IsChannelAddress(L"https://www.youtube.com/channel/UC123/videos"));
    EXPECT_TRUE(IsChannelAddress(L"http://youtube.com/watch?v=abc"));  // not the web host
    for (const wchar_t* watch :
         {L"http://www.youtube.com/watch?v=abc", L"https://www.youtube.com/watch?v=abc",
          L"http://www.youtube.com/watch_popup?v=abc",
          L"https://www.youtube.com/watch_popup?v=abc&t=5"}) {
        EXPECT_FALSE(IsChannelAddress(watch)) << watch;
    }
    EXPECT_FALSE(IsChannelAddress(L"http://www.youtube.com/verify_age?next_url=/watch"));
    // Both on the site and with "list=": a playlist, never a channel.
    EXPECT_FALSE(IsChannelAddress(L"http://www.youtube.com/user/somebody?list=PL1"));
    EXPECT_FALSE(IsChannelAddress(L"http://vimeo.com/user/somebody"));
}

TEST(SiteAddresses, WatchAddressForAVideoId) {
    EXPECT_EQ(WatchAddressForVideo(L"abc123XYZ_-"), L"http://www.youtube.com/watch?v=abc123XYZ_-");
    EXPECT_FALSE(IsChannelAddress(WatchAddressForVideo(L"x")));
    EXPECT_FALSE(IsPlayListAddress(WatchAddressForVideo(L"x")));
}

TEST(SiteAddresses, ListOperationsFindAndRemoveKeepingOrder) {
    const std::wstring video = L"http://www.youtube.com/watch?v=1";
    const std::wstring list = L"http://www.youtube.com/playlist?list=PL";
    const std::wstring channel = L"http://www.youtube.com/user/u";
    const std::wstring other = L"http://example.com/v/2";
    std::vector<std::wstring> urls{video, list, other, channel, list};
    EXPECT_TRUE(ContainPlayList(urls));
    EXPECT_TRUE(ContainChannels(urls));

    RemovePlayLists(urls);
    EXPECT_EQ(urls, (std::vector<std::wstring>{video, other, channel}));
    EXPECT_FALSE(ContainPlayList(urls));
    EXPECT_TRUE(ContainChannels(urls));

    RemoveChannels(urls);
    EXPECT_EQ(urls, (std::vector<std::wstring>{video, other}));
    EXPECT_FALSE(ContainChannels(urls));

    std::vector<std::wstring> none;
    EXPECT_FALSE(ContainPlayList(none));
    RemoveChannels(none);
    EXPECT_TRUE(none.empty());
}

}  // namespace talvex
