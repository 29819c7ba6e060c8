#pragma once
// Test doubles for the activity queue: an item that follows the download/conversion state
// machine and records the operations called on it, a recording list and message sink.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "activity/ActivityItem.h"
#include "activity/IGrid.h"
#include "platform/MessageSink.h"

namespace talvex::testing {

inline std::atomic<int> g_liveItems{0};

class FakeItem : public ActivityItem {
public:
    explicit FakeItem(ActivityKind kind, std::wstring name = L"item")
        : ActivityItem(kind), name(std::move(name)) {
        ++g_liveItems;
    }
    ~FakeItem() override { --g_liveItems; }

    std::wstring GetFileName() override { return name; }
    bool SetFileName(const std::wstring& n) override {
        name = n;
        return true;
    }
    bool Prepare() override {
        Record("Prepare");
        const ActivityState s = state.load();
        if (s == ActivityState::Created || s == ActivityState::Failed) {
            SetState(ActivityState::Queued);
        }
        return true;
    }
    bool Run() override {
        const ActivityState s = state.load();
        if (s == ActivityState::Running || s == ActivityState::Pausing ||
            s == ActivityState::Completed) {
            Record("Run(ignored)");
            return false;
        }
        const bool resume = s == ActivityState::Paused ||
                            (s == ActivityState::Queued && prevState == ActivityState::Paused);
        Record(resume ? "Resume" : "Run");
        if (!failToStart) {
            SetState(ActivityState::Running);
        }
        return !failToStart;
    }
    bool Pause() override {
        Record("Pause");
        if (state == ActivityState::Running) {
            SetState(ActivityState::Paused);
        }
        return true;
    }
    bool Stop() override {
        Record("Stop");
        const ActivityState s = state.load();
        if (s == ActivityState::Running || s == ActivityState::Paused) {
            SetState(ActivityState::Canceled);
            PostFinished();  // a run ended
        } else if (s == ActivityState::Created || s == ActivityState::Queued ||
                   s == ActivityState::Pausing) {
            SetState(ActivityState::Canceled);
        }
        return true;
    }
    bool CanStart() override {
        const ActivityState s = state.load();
        return s == ActivityState::Queued || s == ActivityState::Canceled ||
               s == ActivityState::Paused || s == ActivityState::Failed;
    }
    bool CanPause() override { return state == ActivityState::Running && pausable; }
    bool CanStop() override {
        const ActivityState s = state.load();
        return s == ActivityState::Queued || s == ActivityState::Running ||
               s == ActivityState::Paused;
    }

    // The end of a run, as a worker would bring it about.
    void Finish(ActivityState end, std::wstring output = {}) {
        if (!output.empty()) {
            SetOutputPath(std::move(output));
        }
        SetState(end);
        PostFinished();
    }

    std::vector<std::string> Calls() {
        std::lock_guard lock(mutex_);
        return calls_;
    }
    int CountOf(const std::string& op) {
        std::lock_guard lock(mutex_);
        int n = 0;
        for (const auto& c : calls_) {
            n += c == op;
        }
        return n;
    }

    std::wstring name;
    bool pausable = true;
    bool failToStart = false;  // Run leaves the state as it was

private:
    void Record(const char* op) {
        std::lock_guard lock(mutex_);
        calls_.emplace_back(op);
    }
    std::mutex mutex_;
    std::vector<std::string> calls_;
};

class RecordingGrid : public IGrid {
public:
    void AddItem(ActivityItem* item) override { added.push_back(item); }
    void RemoveItem(ActivityItem* item) override { removed.push_back(item); }
    void UpdateItem(ActivityItem* item) override { updated.push_back(item); }
    std::vector<ActivityItem*> added, removed, updated;
};

// A message queue standing in for the main window.
class QueueSink : public IMessageSink {
public:
    struct Message {
        uint32_t message;
        uintptr_t wParam;
        intptr_t lParam;
    };
    void Post(uint32_t message, uintptr_t wParam, intptr_t lParam) override {
        std::lock_guard lock(mutex_);
        messages_.push_back({message, wParam, lParam});
        posted_.notify_all();
    }
    size_t Count() {
        std::lock_guard lock(mutex_);
        return messages_.size();
    }
    // Takes the oldest message, waiting up to timeoutMs; false on time-out.
    bool Take(Message& out, int timeoutMs) {
        std::unique_lock lock(mutex_);
        if (!posted_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [this] { return !messages_.empty(); })) {
            return false;
        }
        out = messages_.front();
        messages_.pop_front();
        return true;
    }

private:
    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<Message> messages_;
};

}  // namespace talvex::testing
