#pragma once
// Items with figures the test sets, a real queue, settings in a temporary home and scripted
// prompts: what the Activity tests share.
#include <gtest/gtest.h>

#include <QApplication>
#include <memory>
#include <vector>

#include "activity/ActivityQueue.h"
#include "app/SettingsStore.h"
#include "app/StringTable.h"
#include "support/TestHome.h"
#include "ui/common/ScriptedPrompts.h"
#include "unit/activity/FakeActivity.h"

namespace talvex::test {

// A fake item whose GetProgress reports the figures set by the test and stores them as the
// last figures, as the real items do; failFigures makes it fail to report.
class FigureItem : public talvex::testing::FakeItem {
public:
    using FakeItem::FakeItem;

    bool GetProgress(int32_t& outPercent, double& outSpeed, int32_t& outSecondsLeft) override {
        ++progressCalls;
        if (failFigures) {
            return false;
        }
        percent = nowPercent;
        speed = nowSpeed;
        secondsLeft = nowSecondsLeft;
        outPercent = nowPercent;
        outSpeed = nowSpeed;
        outSecondsLeft = nowSecondsLeft;
        return true;
    }
    bool SetFileName(const std::wstring& n) override {
        ++renames;
        return FakeItem::SetFileName(n);
    }
    void Figures(int32_t p, double s, int32_t t) {
        nowPercent = p;
        nowSpeed = s;
        nowSecondsLeft = t;
    }

    int32_t nowPercent = 0;
    double nowSpeed = 0.0;
    int32_t nowSecondsLeft = -1;
    bool failFigures = false;
    int progressCalls = 0;
    int renames = 0;
};

class ActivityUiTest : public ::testing::Test {
protected:
    // StopAll gives stopped encoders time to end; fake ones need none.
    ActivityUiTest() {
        queue.SetSleeper([](uint32_t) {});
    }
    void TearDown() override { queue.StopAll(); }

    // A new item in the given state, kept by the test; not queued.
    FigureItem* Make(ActivityKind kind, const wchar_t* name,
                     ActivityState state = ActivityState::Queued) {
        auto* item = new FigureItem(kind, name);
        held.emplace_back(item);
        item->state = state;
        return item;
    }
    // Queued through the real queue, then put in the state the test wants (the queue runs or
    // prepares what it is given).
    FigureItem* Add(ActivityKind kind, const wchar_t* name, ActivityState state) {
        FigureItem* item = Make(kind, name, state);
        queue.Add(item);
        item->state = state;
        return item;
    }

    TestHome home;
    SettingsStore settings{home.SettingsFile()};
    StringTable strings;
    ScriptedPrompts prompts;
    ActivityQueue queue;
    std::vector<RefPtr<FigureItem>> held;
};

}  // namespace talvex::test
