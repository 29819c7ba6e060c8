// The engine's start and its small services, without any server.
#include "engine/Engine.h"

#include <gtest/gtest.h>

#include "download/DownloadItem.h"
#include "support/TestHome.h"
#include "unit/download/RecordingSink.h"

namespace talvex {
namespace {

TEST(EngineInit, MissingScriptFileAsksForTheUpdateCheck) {
    test::TestHome home;
    test::TempDir emptyResources;
    test::ScopedEnv resources("TALVEX_RESOURCE_DIR", emptyResources.Path().string());
    test::RecordingSink window;
    Engine engine;
    engine.Init(&window);
    auto messages = window.Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].message, kMsgRunUpdateCheck);
    EXPECT_EQ(messages[0].wParam, 0u);
    EXPECT_EQ(messages[0].lParam, 0);

    // Without scripts no address is supported.
    std::vector<std::wstring> urls = {L"http://www.youtube.com/watch?v=abc"};
    EXPECT_TRUE(engine.FilterUnsupportedSites(urls));
    EXPECT_TRUE(urls.empty());
    EXPECT_FALSE(engine.FilterUnsupportedSites(urls));
}

TEST(EngineInit, ServicesAndContext) {
    test::TestHome home;
    test::TempDir emptyResources;
    test::ScopedEnv resources("TALVEX_RESOURCE_DIR", emptyResources.Path().string());
    test::RecordingSink window;
    Engine engine;
    engine.Init(&window);
    AppContext* context = engine.GetAppContext();
    EXPECT_EQ(context->engine, &engine);
    EXPECT_EQ(context->settings, engine.GetSettings());
    EXPECT_EQ(context->mainWindow, &window);
    EXPECT_NE(engine.GetThreadManager(), nullptr);
    EXPECT_NE(engine.GetStringTable(), nullptr);

    // AddItem gives the item the main window and queues it; StopAll empties the queue.
    RefPtr<DownloadItem> item(new DownloadItem(&engine.Parser(), DownloadQuality::kNormal, false));
    item->workPath = home.Root().wstring();
    engine.AddItem(item.get());
    EXPECT_EQ(item->ownerWindow, &window);
    EXPECT_EQ(engine.GetActivityQueue()->Items().size(), 1u);
    engine.StopAll();
    EXPECT_TRUE(engine.GetActivityQueue()->Items().empty());
    // Without a script file the run may already have failed on its worker when the stop
    // arrives; either way it has ended.
    const ActivityState ended = item->state.load();
    EXPECT_TRUE(ended == ActivityState::Canceled || ended == ActivityState::Failed)
        << static_cast<int>(ended);
    EXPECT_TRUE(test::WaitUntil([&] { return item->RefCount() == 1; }));
}

TEST(EngineInit, DownloadQueuesOneItemPerAddressWithItsSettings) {
    test::TestHome home;
    test::TempDir folder;
    test::TempDir emptyResources;
    test::ScopedEnv resources("TALVEX_RESOURCE_DIR", emptyResources.Path().string());
    ASSERT_TRUE(SettingsStore().SetString(setting::kDownloadDirectory, folder.Path().wstring()));
    test::RecordingSink window;
    Engine engine;
    engine.Init(&window);
    // Not on the video site: a "list=" parameter does not make these playlists.
    ASSERT_TRUE(engine.Download({L"http://a.test/v?list=1", L"http://b.test/v"},
                                DownloadQuality::kHd720, true, true, true, true,
                                ConversionQuality::kLow, 2));
    auto items = engine.GetActivityQueue()->Items();
    ASSERT_EQ(items.size(), 2u);
    for (const auto& entry : items) {
        auto* item = static_cast<DownloadItem*>(entry.get());
        EXPECT_EQ(item->FormatChoice(), DownloadQuality::kHd720);
        EXPECT_TRUE(item->AutoConvert());
        EXPECT_TRUE(item->ConvertFlag());
        EXPECT_EQ(item->quality, ConversionQuality::kLow);
        EXPECT_EQ(item->profile, 2);
        EXPECT_EQ(item->ownerWindow, &window);
        RefPtr<ActivityItem> conversion = item->followUp.Load();
        ASSERT_TRUE(conversion);
        EXPECT_TRUE(conversion->IsConversion());
        EXPECT_EQ(conversion->profile, 2);
        EXPECT_EQ(conversion->quality, ConversionQuality::kLow);
        EXPECT_EQ(conversion->ownerWindow, &window);
    }
    EXPECT_EQ(static_cast<DownloadItem*>(items[0].get())->PageUrl(), L"http://a.test/v?list=1");
    // No script handles them: both fail, and nothing is left in the download folder.
    EXPECT_TRUE(test::PumpUntil(window, *engine.GetActivityQueue(), [&] {
        return IsFinishedState(items[0]->state.load()) && IsFinishedState(items[1]->state.load());
    }));
    EXPECT_EQ(items[1]->state.load(), ActivityState::Failed);
    EXPECT_TRUE(std::filesystem::is_empty(folder.Path()));
    engine.StopAll();
    for (const auto& entry : items) {
        EXPECT_TRUE(test::WaitUntil([&] { return entry->RefCount() == 1; }));
    }
}

}  // namespace
}  // namespace talvex
