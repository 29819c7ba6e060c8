#pragma once
// The Convert page's tests run over a real engine in an isolated home: conversions they queue
// run the real encoder on clips it made, and every one has ended before the engine goes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <filesystem>
#include <memory>
#include <vector>

#include "activity/ActivityQueue.h"
#include "app/SettingsStore.h"
#include "app/StringTable.h"
#include "app/threads/RefPtr.h"
#include "convert/ConvertItem.h"
#include "engine/Engine.h"
#include "integration/convert/MediaFixtures.h"
#include "support/TestHome.h"
#include "ui/TabConvert.h"
#include "ui/common/ScriptedPrompts.h"
#include "ui/download/RecordingMessageSink.h"

namespace talvex::test {

class ConvertFixture : public ::testing::Test {
protected:
    static constexpr int kConversionLimitSeconds = 120;

    ConvertFixture() {
        std::filesystem::create_directories(media);
        engine = std::make_unique<Engine>();
        // The engine's window gets the finished notices; the tab's gets the tab requests.
        engine->Init(&finished);
        // StopAll gives stopped encoders time to end; everything has ended by then here.
        engine->GetActivityQueue()->SetSleeper([](uint32_t) {});
    }

    ~ConvertFixture() override {
        tab_.reset();
        for (const RefPtr<ActivityItem>& item : engine->GetActivityQueue()->Items()) {
            const ActivityState state = item->state.load();
            if (state == ActivityState::Running || state == ActivityState::Paused) {
                EXPECT_TRUE(finished.WaitFinished(item.get(), 1, kConversionLimitSeconds));
            }
        }
        engine->StopAll();
        engine.reset();
    }

    SettingsStore& Settings() { return *engine->GetSettings(); }
    StringTable& Strings() { return *engine->GetStringTable(); }

    // The tab, shown and active so that focus and key events reach it.
    ui::TabConvert& Tab() {
        if (!tab_) {
            tab_ = std::make_unique<ui::TabConvert>(*engine, prompts, &window);
            tab_->resize(tab_->sizeHint().expandedTo(QSize(700, 330)));
            tab_->show();
            QApplication::setActiveWindow(tab_.get());
            EXPECT_TRUE(QTest::qWaitForWindowActive(tab_.get()));
        }
        return *tab_;
    }
    void DestroyTab() { tab_.reset(); }

    // The conversions in the queue, in order.
    std::vector<RefPtr<ConvertItem>> Conversions() {
        std::vector<RefPtr<ConvertItem>> items;
        for (const RefPtr<ActivityItem>& item : engine->GetActivityQueue()->Items()) {
            if (item->IsConversion()) {
                items.emplace_back(static_cast<ConvertItem*>(item.get()));
            }
        }
        return items;
    }

    // Waits for the item's run to end; its final state.
    ActivityState WaitForEnd(ConvertItem& item) {
        EXPECT_TRUE(finished.WaitFinished(&item, 1, kConversionLimitSeconds));
        return item.state.load();
    }

    // A short clip (H.264 and AAC in MP4) in the media folder.
    std::filesystem::path MakeShortClip(const std::string& name, double seconds = 3.0) {
        const std::filesystem::path file = media / name;
        EXPECT_TRUE(MakeClip(file, 160, 120, seconds));
        return file;
    }

    // A two-minute clip, made once for the runner: only its duration matters.
    static const std::filesystem::path& TwoMinuteClip() {
        static TempDir dir;
        static const std::filesystem::path file = [] {
            const std::filesystem::path path = dir.Path() / "two minutes.mp4";
            EXPECT_TRUE(MakeClip(path, 64, 48, 120,
                                 {"-r", "1", "-c:v", "libx264", "-preset", "ultrafast", "-c:a",
                                  "aac", "-ar", "8000"}));
            return path;
        }();
        return file;
    }

    TestHome home;
    FinishSink finished;
    RecordingMessageSink window;
    ScriptedPrompts prompts;
    std::unique_ptr<Engine> engine;
    std::filesystem::path media = home.Root() / "media";

private:
    std::unique_ptr<ui::TabConvert> tab_;
};

}  // namespace talvex::test
