#pragma once
#include <gtest/gtest.h>

#include <vector>

#include "FakeActivity.h"
#include "activity/ActivityQueue.h"

namespace talvex::testing {

class QueueFixture : public ::testing::Test {
protected:
    void SetUp() override {
        g_liveItems = 0;
        queue.SetGrid(&grid);
        queue.SetSleeper([this](uint32_t ms) { sleeps.push_back(ms); });
    }
    void TearDown() override {
        held.clear();
        queue.ClearFinished();
        queue.StopAll();
    }

    // A new item, kept alive by the fixture so it can be inspected after removal.
    FakeItem* Make(ActivityKind kind, const wchar_t* name = L"item") {
        auto* item = new FakeItem(kind, name);
        item->ownerWindow = &sink;
        held.emplace_back(item);
        return item;
    }
    FakeItem* AddDownload(const wchar_t* name = L"dl") {
        FakeItem* item = Make(ActivityKind::Download, name);
        queue.Add(item);
        return item;
    }
    FakeItem* AddConversion(const wchar_t* name = L"cv") {
        FakeItem* item = Make(ActivityKind::Conversion, name);
        queue.Add(item);
        return item;
    }
    // What the main window does with a finished notice.
    void Deliver() {
        QueueSink::Message m;
        while (sink.Take(m, 0)) {
            ASSERT_EQ(m.message, kMsgItemFinished);
            queue.OnItemFinished(reinterpret_cast<ActivityItem*>(m.wParam));
        }
    }
    std::vector<ActivityItem*> Order() {
        std::vector<ActivityItem*> order;
        for (auto& item : queue.Items()) {
            order.push_back(item.get());
        }
        return order;
    }

    ActivityQueue queue;
    RecordingGrid grid;
    QueueSink sink;
    std::vector<uint32_t> sleeps;
    std::vector<RefPtr<FakeItem>> held;
};

}  // namespace talvex::testing
