// The queue driven as in the program: items run on pool workers, change their own state there
// and post their finished notice; the test's thread plays the user-interface thread.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "FakeActivity.h"
#include "activity/ActivityQueue.h"
#include "platform/ThreadPool.h"

namespace talvex::testing {
namespace {

using State = ActivityState;
using Kind = ActivityKind;

struct KindCounter {
    std::atomic<int> running{0};
    std::atomic<int> maxRunning{0};
    std::atomic<int> completed{0};
};

class WorkerItem : public FakeItem {
public:
    WorkerItem(Kind kind, ThreadPool& pool, KindCounter& counter)
        : FakeItem(kind), pool_(pool), counter_(counter) {}

    bool Run() override {
        if (!FakeItem::Run()) {
            return false;
        }
        const int now = ++counter_.running;
        int seen = counter_.maxRunning.load();
        while (now > seen && !counter_.maxRunning.compare_exchange_weak(seen, now)) {
        }
        RefPtr<ActivityItem> self(this);  // the worker's own reference
        pool_.Queue([this, self] {
            for (int p = 10; p <= 100; p += 10) {
                percent = p;
                speed = p * 1.5;
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
            SetOutputPath(L"/videos/" + name + L".mp4");
            --counter_.running;
            ++counter_.completed;
            SetState(State::Completed);
            PostFinished();
        });
        return true;
    }
    bool GetProgress(int32_t& p, double& s, int32_t& left) override {
        p = percent;
        s = speed;
        left = secondsLeft;
        return true;
    }

private:
    ThreadPool& pool_;
    KindCounter& counter_;
};

TEST(ActivityQueueWorkers, DownloadsAndTheirConversionsRunWithinTheLimits) {
    constexpr int kDownloads = 12;
    KindCounter downloads, conversions;
    QueueSink sink;
    {
        ThreadPool pool(32);
        ActivityQueue queue;
        std::vector<RefPtr<WorkerItem>> items;
        for (int i = 0; i < kDownloads; ++i) {
            auto d = MakeRef<WorkerItem>(Kind::Download, pool, downloads);
            d->name = L"video" + std::to_wstring(i);
            d->ownerWindow = &sink;
            auto c = MakeRef<WorkerItem>(Kind::Conversion, pool, conversions);
            c->ownerWindow = &sink;
            d->followUp.Store(c);
            items.push_back(d);
            items.push_back(c);
            queue.Add(d.get());
        }
        // The user-interface loop: handle notices, and poll the figures as the list does.
        int handled = 0;
        while (handled < 2 * kDownloads) {
            QueueSink::Message m;
            ASSERT_TRUE(sink.Take(m, 20000)) << "no progress after " << handled << " notices";
            queue.OnItemFinished(reinterpret_cast<ActivityItem*>(m.wParam));
            ++handled;
            for (auto& item : queue.Items()) {
                ActivityState s;
                int32_t p, left;
                double speed;
                item->GetStatus(s, p, speed, left);
                EXPECT_GE(p, 0);
            }
        }
        EXPECT_FALSE(queue.HasActiveItems());
        EXPECT_EQ(queue.Items().size(), size_t{2 * kDownloads});
        for (auto& item : items) {
            EXPECT_EQ(item->state, State::Completed);
            EXPECT_EQ(item->CountOf("Run"), 1);
        }
        // Each conversion was given the file its download stored.
        for (int i = 0; i < kDownloads; ++i) {
            EXPECT_EQ(items[2 * i + 1]->sourcePath, items[2 * i]->OutputPath());
        }
        queue.ClearFinished();
    }
    EXPECT_EQ(downloads.completed.load(), kDownloads);
    EXPECT_EQ(conversions.completed.load(), kDownloads);
    EXPECT_LE(downloads.maxRunning.load(), ActivityQueue::kMaxRunningPerKind);
    EXPECT_LE(conversions.maxRunning.load(), ActivityQueue::kMaxRunningPerKind);
}

}  // namespace
}  // namespace talvex::testing
