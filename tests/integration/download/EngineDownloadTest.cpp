// The engine turning addresses into queued downloads: unsupported addresses, playlist
// expansion through the site's own (local) pages, the running limit, the follow-up conversion.
#include <gtest/gtest.h>

#include "app/SettingsStore.h"
#include "engine/Engine.h"
#include "integration/download/DownloadSite.h"

namespace talvex::test {
namespace {

class EngineDownloadTest : public DownloadSite {
protected:
    void ConfigureServer(NginxServer& server) override {
        // The video site's own host, reached through the test server as an HTTP proxy: watch
        // and playlist pages chosen by their query.
        fs::create_directories(Root() / "yt");
        server.AddHttpText(
            "  server {\n    listen 127.0.0.1:{PORT};\n    server_name www.youtube.com;\n"
            "    root {ROOT}/yt;\n    default_type text/html;\n"
            "    location = /watch { try_files /watch_$arg_v.html =404; }\n"
            "    location = /playlist { try_files /playlist_$arg_list.html =404; }\n  }");
    }
    std::string Scripts() override {
        return SiteScriptFor(SiteKey()) + "\n" + SiteScriptFor("youtube.com");
    }
    void SetUp() override {
        DownloadSite::SetUp();
        proxy_.emplace("http_proxy", server_.ProxyAddress());
        noProxy_.emplace("no_proxy", "127.0.0.1");
        ASSERT_TRUE(SettingsStore().SetString(setting::kDownloadDirectory, FromPath(folder_)));
        engine_.Init(&sink_);
        // The interpreter reads this test's scripts, not the bundled ones.
        ASSERT_TRUE(LoadTestScripts(engine_.Parser(), Scripts(), scriptDir_.Path()));
    }
    void TearDown() override {
        // Stop everything and wait until no worker holds an item any more: a worker still
        // posting to this test's sink after the test ended would reach freed memory.
        auto items = Items();
        engine_.StopAll();
        for (const auto& item : items) {
            EXPECT_TRUE(WaitUntil([&] { return item->RefCount() == 1; }));
        }
        DownloadSite::TearDown();
    }

    void AddWatchPage(const std::string& id, const std::string& title, const std::string& media) {
        WriteFileBytes(Root() / "yt" / ("watch_" + id + ".html"),
                       PageHtml(title, server_.Url("/media/" + media)));
    }

    std::vector<RefPtr<ActivityItem>> Items() { return engine_.GetActivityQueue()->Items(); }
    static DownloadItem* AsDownload(const RefPtr<ActivityItem>& item) {
        return item && item->IsDownload() ? static_cast<DownloadItem*>(item.get()) : nullptr;
    }
    // Every item has finished, and every completed one has posted its finished notice: a
    // download turns Completed once its file has its final name, and posts the notice just
    // after. (An item whose preparation failed posts none.)
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

    std::optional<ScopedEnv> proxy_;
    std::optional<ScopedEnv> noProxy_;
    Engine engine_;
};

TEST_F(EngineDownloadTest, UnsupportedAddressesAreDropped) {
    std::vector<std::wstring> urls = {AddVideo("a.bin", "A", 1000), L"http://unsupported.test/v/1",
                                      L"http://www.youtube.com/watch?v=abc"};
    const std::vector<std::wstring> supported = {urls[0], urls[2]};
    EXPECT_TRUE(engine_.FilterUnsupportedSites(urls));
    EXPECT_EQ(urls, supported);
    EXPECT_FALSE(engine_.FilterUnsupportedSites(urls));
    EXPECT_EQ(urls, supported);
}

TEST_F(EngineDownloadTest, PlaylistBecomesOneDownloadPerVideo) {
    AddVideo("v1.bin", "unused", 70000);
    AddVideo("v2.bin", "unused", 80000);
    AddVideo("v3.bin", "unused", 90000);
    AddWatchPage("aaa", "First", "v1.bin");
    AddWatchPage("bbb", "Second", "v2.bin");
    AddWatchPage("ccc", "Third", "v3.bin");
    WriteFileBytes(Root() / "yt" / "playlist_PL1.html", PageHtml("List", "", ",aaa,,bbb,ccc,"));
    WriteFileBytes(Root() / "yt" / "playlist_EMPTY.html", PageHtml("Nothing", ""));

    const std::vector<std::wstring> urls = {L"http://www.youtube.com/playlist?list=PL1",
                                            L"http://www.youtube.com/playlist?list=EMPTY"};
    EXPECT_TRUE(engine_.ContainPlayList(urls));
    ASSERT_TRUE(engine_.Download(urls, DownloadQuality::kNormal, true, false, false, false,
                                 ConversionQuality::kHigh, 0));
    auto items = Items();
    ASSERT_EQ(items.size(), 3u);  // the empty playlist queues nothing
    const wchar_t* ids[] = {L"aaa", L"bbb", L"ccc"};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(AsDownload(items[i])->PageUrl(),
                  std::wstring(L"http://www.youtube.com/watch?v=") + ids[i]);
    }
    ASSERT_TRUE(PumpUntil(*engine_.GetActivityQueue(), [&] { return AllFinished(); }));
    for (const auto& item : Items()) {
        EXPECT_EQ(item->state.load(), ActivityState::Completed);
    }
    EXPECT_EQ(FolderNames(), (std::vector<std::string>{"First.bin", "Second.bin", "Third.bin"}));
    EXPECT_EQ(ReadFileBytes(folder_ / "First.bin"), Served("v1.bin"));
    EXPECT_EQ(ReadFileBytes(folder_ / "Second.bin"), Served("v2.bin"));
    EXPECT_EQ(ReadFileBytes(folder_ / "Third.bin"), Served("v3.bin"));
}

TEST_F(EngineDownloadTest, FourthDownloadWaitsPreparedUntilAPlaceIsFree) {
    std::vector<std::wstring> urls;
    for (int i = 0; i < 4; ++i) {
        const std::string name = "four" + std::to_string(i) + ".bin";
        urls.push_back(AddVideo(name, "Four " + std::to_string(i), 1024 * 1024, "/slow"));
    }
    ASSERT_TRUE(engine_.Download(urls, DownloadQuality::kNormal, false, false, false, false,
                                 ConversionQuality::kHigh, 0));
    auto items = Items();
    ASSERT_EQ(items.size(), 4u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(items[i]->state.load(), ActivityState::Running) << i;
    }
    // No notice is handled yet, so no place can have been freed: the fourth is prepared.
    ASSERT_TRUE(WaitUntil([&] { return items[3]->state.load() != ActivityState::Created; }));
    EXPECT_EQ(items[3]->state.load(), ActivityState::Queued);
    // Its size is learned ahead, while it waits.
    EXPECT_TRUE(WaitUntil([&] { return items[3]->sizeMB.load() > 0.99; }));
    EXPECT_EQ(items[3]->state.load(), ActivityState::Queued);

    ASSERT_TRUE(PumpUntil(*engine_.GetActivityQueue(), [&] { return AllFinished(); }));
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(items[i]->state.load(), ActivityState::Completed) << i;
        EXPECT_EQ(ReadFileBytes(folder_ / ("Four " + std::to_string(i) + ".bin")),
                  Served("four" + std::to_string(i) + ".bin"));
    }
}

TEST_F(EngineDownloadTest, CompletedDownloadQueuesItsConversion) {
    ASSERT_TRUE(MakeVideo(Root() / "media" / "conv.mp4", 1));
    auto page = AddPage("conv.html", "Convert Me", server_.Url("/media/conv.mp4"));
    ASSERT_TRUE(engine_.Download({page}, DownloadQuality::kNormal, false, false, true, false,
                                 ConversionQuality::kOptimal, 0));
    auto items = Items();
    ASSERT_EQ(items.size(), 1u);
    RefPtr<ActivityItem> followUp = items[0]->followUp.Load();
    ASSERT_TRUE(followUp);
    EXPECT_TRUE(followUp->IsConversion());
    EXPECT_EQ(followUp->ownerWindow, &sink_);

    ASSERT_TRUE(PumpUntil(*engine_.GetActivityQueue(), [&] { return Items().size() == 2; }));
    items = Items();
    EXPECT_EQ(items[0]->state.load(), ActivityState::Completed);
    EXPECT_FALSE(items[0]->followUp.Load());
    EXPECT_EQ(items[1].get(), followUp.get());
    EXPECT_EQ(items[1]->sourcePath, FromPath(folder_ / "Convert Me.mp4"));
    EXPECT_EQ(ReadFileBytes(folder_ / "Convert Me.mp4"), Served("conv.mp4"));
}

}  // namespace
}  // namespace talvex::test
