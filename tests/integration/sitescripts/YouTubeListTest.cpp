// The bundled "youtube.com" script on playlist and channel pages: the ids it collects over all
// pages of a list, the video it goes on with, and lists it cannot use.
#include <gtest/gtest.h>

#include "integration/sitescripts/SiteScriptsFixture.h"

namespace talvex {
namespace {

using test::YouTubeStream;
using Ids = std::vector<std::wstring>;

class YouTubeLists : public test::SiteScripts {};

TEST_F(YouTubeLists, WatchPageOfAPlaylistCollectsEveryPageAndDownloadsTheWatchedVideo) {
    bool ok = false;
    const ScriptTargetRecord target =
        Run(L"http://www.youtube.com/watch?v=mp4only1818&list=PLtravel2011&index=3&feature=plpp",
            DownloadQuality::kBest, true, &ok);
    EXPECT_TRUE(ok) << WideToUtf8(target.errorText);
    // Page 2 repeats sd360only01: each id once, in list order.
    EXPECT_EQ(target.idList, (Ids{L"aHDtour2011", L"sd360only01", L"mp4only1818", L"oldplayer05",
                                  L"ageRestrict"}));
    EXPECT_EQ(target.mediaUrl, YouTubeStream(L"mp4only1818", 18));
    EXPECT_EQ(target.title, L"Caf\u00E9 \u00D6lberg \u2013 Live Session");

    const auto requests = site.WaitForRequests("www.youtube.com", "GET", "/watch?v=", 1);
    EXPECT_EQ(test::CountRequests(requests, "GET", "/playlist?list=PLtravel2011"), 2u);
}

TEST_F(YouTubeLists, PlaylistPageWithoutExpansionDownloadsItsFirstVideo) {
    bool ok = false;
    const ScriptTargetRecord target = Run(L"http://www.youtube.com/playlist?list=PLtravel2011",
                                          DownloadQuality::kHd720, false, &ok);
    EXPECT_TRUE(ok) << WideToUtf8(target.errorText);
    EXPECT_TRUE(target.idList.empty());
    EXPECT_EQ(target.mediaUrl, YouTubeStream(L"aHDtour2011", 22));
}

TEST_F(YouTubeLists, ChannelGivesItsUploadsAndItsFeaturedVideo) {
    for (const wchar_t* address :
         {L"http://www.youtube.com/user/TravelNotes", L"https://www.youtube.com/user/TravelNotes/",
          L"http://youtube.com/user/TravelNotes#p/u"}) {
        SCOPED_TRACE(WideToUtf8(address));
        bool ok = false;
        const ScriptTargetRecord target = Run(address, DownloadQuality::kHq360Mp4, true, &ok);
        EXPECT_TRUE(ok) << WideToUtf8(target.errorText);
        EXPECT_EQ(target.idList,
                  (Ids{L"aHDtour2011", L"sd360only01", L"liveEvent01", L"removedClip"}));
        EXPECT_EQ(target.mediaUrl, YouTubeStream(L"sd360only01", 18));
        EXPECT_EQ(target.title, L"Grandma's _Secret_ Recipe");
    }
}

TEST_F(YouTubeLists, ASingleVideoExpandsToItself) {
    // Embedded players' addresses look like channels to the address tests.
    for (const wchar_t* address : {L"http://www.youtube.com/embed/oldplayer05?rel=0",
                                   L"http://www.youtube.com/v/oldplayer05&hl=en"}) {
        SCOPED_TRACE(WideToUtf8(address));
        bool ok = false;
        const ScriptTargetRecord target = Run(address, DownloadQuality::kBest, true, &ok);
        EXPECT_TRUE(ok) << WideToUtf8(target.errorText);
        EXPECT_EQ(target.idList, Ids{L"oldplayer05"});
        EXPECT_EQ(target.mediaUrl, YouTubeStream(L"oldplayer05", 35));
    }
}

TEST_F(YouTubeLists, PagesThatLinkInACircleAreReadOnce) {
    bool ok = false;
    const ScriptTargetRecord target = Run(L"http://www.youtube.com/playlist?list=PLcycle0001",
                                          DownloadQuality::kNormal, true, &ok);
    EXPECT_TRUE(ok) << WideToUtf8(target.errorText);
    EXPECT_EQ(target.idList, (Ids{L"mp4only1818", L"aHDtour2011"}));
    EXPECT_EQ(target.mediaUrl, YouTubeStream(L"mp4only1818", 18));
    // Page 1 under its two addresses and page 2; then page 2's address comes round again.
    const auto requests = site.WaitForRequests("www.youtube.com", "GET", "/watch?v=", 1);
    EXPECT_EQ(test::CountRequests(requests, "GET", "/playlist?list=PLcycle0001"), 3u);
}

TEST_F(YouTubeLists, ListsWithoutVideosFail) {
    bool ok = true;
    ScriptTargetRecord target =
        Run(L"http://www.youtube.com/playlist?list=PLempty0001", DownloadQuality::kBest, true, &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(target.errorText, English(L"msg.err.script.list.empty"));
    EXPECT_TRUE(target.idList.empty());

    target = Run(L"http://www.youtube.com/playlist?list=PLmissing001", DownloadQuality::kBest, true,
                 &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(target.errorText, English(L"msg.err.script.page.failed"));
    EXPECT_TRUE(target.idList.empty());

    target = Run(L"http://www.youtube.com/user/NobodyHere", DownloadQuality::kBest, true, &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(target.errorText, English(L"msg.err.script.page.failed"));
}

TEST_F(YouTubeLists, AMissingPlaylistStillLeavesTheWatchedVideo) {
    bool ok = false;
    const ScriptTargetRecord target =
        Run(L"http://www.youtube.com/watch?v=sd360only01&list=PLmissing001",
            DownloadQuality::kHq480, true, &ok);
    EXPECT_TRUE(ok) << WideToUtf8(target.errorText);
    EXPECT_TRUE(target.idList.empty());
    EXPECT_EQ(target.mediaUrl, YouTubeStream(L"sd360only01", 34));
    EXPECT_EQ(target.extension, L"flv");
}

}  // namespace
}  // namespace talvex
