// Page addresses of the video site become stored files through the engine, the bundled site
// scripts (as the build packs them), the HTTP client and the fixture video site on a real nginx.
#include <gtest/gtest.h>

#include "app/SettingsStore.h"
#include "download/DownloadItem.h"
#include "download/DownloadPaths.h"
#include "engine/Engine.h"
#include "integration/download/DownloadSite.h"
#include "integration/sitescripts/FixtureSite.h"
#include "net/CookieJar.h"
#include "platform/Folders.h"

namespace talvex::test {
namespace {

class BundledSiteDownloadTest : public ::testing::Test {
protected:
    void SetUp() override {
        ClearSharedCookies();
        fs::create_directories(folder_);
        ASSERT_TRUE(site_.Start()) << site_.LastError();
        ASSERT_TRUE(SettingsStore().SetString(setting::kDownloadDirectory, FromPath(folder_)));
        engine_.Init(&sink_);
        // Init loads the script file the build packed (copied into the data folder first).
        ASSERT_FALSE(engine_.Parser().FindSiteKey(L"http://www.youtube.com/watch?v=x").empty())
            << "no bundled scripts in " << ResourceFolder();
    }
    void TearDown() override {
        // Stop everything and wait until no worker holds an item any more: a worker still
        // posting to this test's sink after the test ended would reach freed memory.
        auto items = Items();
        engine_.StopAll();
        for (const auto& item : items) {
            EXPECT_TRUE(WaitUntil([&] { return item->RefCount() == 1; }));
        }
        ClearSharedCookies();
    }

    std::vector<RefPtr<ActivityItem>> Items() { return engine_.GetActivityQueue()->Items(); }
    // Every item has finished, and every completed one has posted its finished notice: a
    // download turns Completed before it stores its file under the final name, and posts the
    // notice only once the file is there. (An item whose preparation failed posts none.)
    bool AllFinished() {
        for (const auto& item : Items()) {
            const ActivityState s = item->state.load();
            if (!IsFinishedState(s) ||
                (s == ActivityState::Completed && sink_.FinishedCount(item.get()) == 0)) {
                return false;
            }
        }
        return true;
    }
    std::string Stored(const std::wstring& name) { return ReadFileBytes(folder_ / ToPath(name)); }

    TestHome home_;
    TempDir downloads_;
    fs::path folder_ = downloads_.Path() / "Videos";
    FixtureSite site_;
    RecordingSink sink_;
    Engine engine_;
};

TEST_F(BundledSiteDownloadTest, WatchPageBecomesARealVideoFile) {
    // A real clip in place of the fixture's placeholder bytes for the 720p stream.
    const fs::path media = site_.MediaFolder() / "youtube" / "aHDtour2011" / "22.mp4";
    ASSERT_TRUE(MakeVideo(media, 2));
    const std::string served = ReadFileBytes(media);

    std::vector<std::wstring> urls = {L"http://www.youtube.com/watch?v=aHDtour2011",
                                      L"http://unsupported.example/watch?v=1"};
    EXPECT_TRUE(engine_.FilterUnsupportedSites(urls));
    ASSERT_EQ(urls.size(), 1u);
    ASSERT_TRUE(engine_.Download(urls, DownloadQuality::kHd720, false, false, false, false,
                                 ConversionQuality::kHigh, 0));
    ASSERT_TRUE(PumpUntil(sink_, *engine_.GetActivityQueue(), [&] { return AllFinished(); }));
    auto items = Items();
    ASSERT_EQ(items.size(), 1u);
    auto* item = static_cast<DownloadItem*>(items[0].get());
    ASSERT_EQ(item->state.load(), ActivityState::Completed) << WideToUtf8(item->ErrorText());
    EXPECT_TRUE(item->IsMultiStream());
    const std::wstring name = L"Alpine Tour & Lakes_ Day 1_2 \u2013 Z\u00FCrich.mp4";
    EXPECT_EQ(item->GetFileName(), name);
    EXPECT_EQ(Stored(name), served);
    EXPECT_GT(ProbeDuration(folder_ / ToPath(name)), 1.5);
}

TEST_F(BundledSiteDownloadTest, PlaylistIsExpandedIntoItsVideos) {
    ASSERT_TRUE(engine_.Download({L"http://www.youtube.com/playlist?list=PLtravel2011"},
                                 DownloadQuality::kNormal, true, false, false, false,
                                 ConversionQuality::kHigh, 0));
    auto items = Items();
    ASSERT_EQ(items.size(), 5u);
    ASSERT_TRUE(PumpUntil(sink_, *engine_.GetActivityQueue(), [&] { return AllFinished(); }));
    struct Expected {
        const wchar_t* id;
        const wchar_t* file;  // empty: the video needs a sign-in, which nobody gives here
        const char* media;
    };
    const Expected expected[] = {
        {L"aHDtour2011", L"Alpine Tour & Lakes_ Day 1_2 \u2013 Z\u00FCrich.flv",
         "youtube/aHDtour2011/5.flv"},
        {L"sd360only01", L"Grandma's _Secret_ Recipe.flv", "youtube/sd360only01/5.flv"},
        {L"mp4only1818", L"Caf\u00E9 \u00D6lberg \u2013 Live Session.mp4",
         "youtube/mp4only1818/18.mp4"},
        {L"oldplayer05", L"Setup_exe Tutorial.flv", "youtube/oldplayer05/5.flv"},
        {L"ageRestrict", L"", ""},
    };
    for (size_t i = 0; i < 5; ++i) {
        auto* item = static_cast<DownloadItem*>(items[i].get());
        SCOPED_TRACE(WideToUtf8(expected[i].id));
        EXPECT_EQ(item->PageUrl(),
                  std::wstring(L"http://www.youtube.com/watch?v=") + expected[i].id);
        if (*expected[i].file == L'\0') {
            EXPECT_EQ(item->state.load(), ActivityState::Failed);
            continue;
        }
        ASSERT_EQ(item->state.load(), ActivityState::Completed) << WideToUtf8(item->ErrorText());
        EXPECT_EQ(item->GetFileName(), expected[i].file);
        EXPECT_EQ(Stored(expected[i].file), FixtureMediaBytes(expected[i].media));
    }
}

}  // namespace
}  // namespace talvex::test

namespace talvex::test {
namespace {

TEST_F(BundledSiteDownloadTest, ChannelIsExpandedWhenChannelsAreAsked) {
    const std::vector<std::wstring> urls = {L"http://www.youtube.com/user/TravelNotes"};
    EXPECT_TRUE(engine_.ContainChannels(urls));
    EXPECT_FALSE(engine_.ContainPlayList(urls));
    // Only channels are to be expanded: the page is still read as a list of videos.
    ASSERT_TRUE(engine_.Download(urls, DownloadQuality::kHq360Mp4, false, true, false, false,
                                 ConversionQuality::kHigh, 0));
    auto items = Items();
    ASSERT_EQ(items.size(), 4u);
    const wchar_t* ids[] = {L"aHDtour2011", L"sd360only01", L"liveEvent01", L"removedClip"};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(static_cast<DownloadItem*>(items[i].get())->PageUrl(),
                  std::wstring(L"http://www.youtube.com/watch?v=") + ids[i]);
    }
    ASSERT_TRUE(PumpUntil(sink_, *engine_.GetActivityQueue(), [&] { return AllFinished(); }));
    EXPECT_EQ(items[0]->state.load(), ActivityState::Completed);
    EXPECT_EQ(Stored(L"Alpine Tour & Lakes_ Day 1_2 \u2013 Z\u00FCrich.mp4"),
              FixtureMediaBytes("youtube/aHDtour2011/18.mp4"));
    EXPECT_EQ(items[1]->state.load(), ActivityState::Completed);
}

TEST_F(BundledSiteDownloadTest, ChannelIsQueuedAsAPageWhenNotExpanded) {
    ASSERT_TRUE(engine_.Download({L"http://www.youtube.com/user/TravelNotes"},
                                 DownloadQuality::kHq360Mp4, false, false, false, false,
                                 ConversionQuality::kHigh, 0));
    auto items = Items();
    ASSERT_EQ(items.size(), 1u);
    ASSERT_TRUE(PumpUntil(sink_, *engine_.GetActivityQueue(), [&] { return AllFinished(); }));
    // The channel page's own featured video.
    EXPECT_EQ(items[0]->state.load(), ActivityState::Completed);
    EXPECT_EQ(static_cast<DownloadItem*>(items[0].get())->PageUrl(),
              L"http://www.youtube.com/user/TravelNotes");
}

}  // namespace
}  // namespace talvex::test
