#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <future>
#include <latch>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "app/threads/DThreadManager.h"
#include "app/threads/IThreadObserver.h"

namespace talvex {
namespace {

using namespace std::chrono_literals;

std::atomic<int> g_liveThreads{0};

class FuncThread : public DThread {
public:
    explicit FuncThread(std::function<uint32_t(DThread&)> body) : body_(std::move(body)) {
        ++g_liveThreads;
    }
    ~FuncThread() override { --g_liveThreads; }
    uint32_t Run() override { return body_(*this); }

private:
    std::function<uint32_t(DThread&)> body_;
};

class RecordingObserver : public IThreadObserver {
public:
    void OnThreadFinished(std::wstring name, std::wstring result) override {
        std::lock_guard lock(mutex);
        calls.emplace_back(std::move(name), std::move(result));
    }
    size_t Count() {
        std::lock_guard lock(mutex);
        return calls.size();
    }
    std::mutex mutex;
    std::vector<std::pair<std::wstring, std::wstring>> calls;
};

// Bounded wait for a condition another thread brings about.
template <class Pred>
bool Eventually(Pred pred) {
    for (int i = 0; i < 2000; ++i) {
        if (pred()) {
            return true;
        }
        std::this_thread::sleep_for(5ms);
    }
    return pred();
}

class DThreadManagerTest : public ::testing::Test {
protected:
    void SetUp() override { g_liveThreads = 0; }
    void TearDown() override {
        EXPECT_TRUE(Eventually([] { return g_liveThreads.load() == 0; }));
    }
};

TEST_F(DThreadManagerTest, ObserverGetsNameAndResultAfterRun) {
    RecordingObserver observer;
    DThreadManager manager;
    auto* t = new FuncThread([](DThread& self) {
        self.result = L"Failed";
        return 0u;
    });
    t->name = L"installer";
    t->observer = &observer;
    StartedThread started;
    ASSERT_TRUE(manager.StartThread(t, &started));
    EXPECT_NE(started.threadId, 0u);
    ASSERT_TRUE(started.handle->Wait(10000));
    EXPECT_EQ(started.handle->ExitCode(), 0u);
    ASSERT_EQ(observer.Count(), 1u);
    EXPECT_EQ(observer.calls[0].first, L"installer");
    EXPECT_EQ(observer.calls[0].second, L"Failed");
    EXPECT_EQ(manager.ThreadCount(), 0u);
}

TEST_F(DThreadManagerTest, ThreadsThatEndAtOnceAreAlwaysReportedAndForgotten) {
    RecordingObserver observer;
    DThreadManager manager;
    constexpr int kThreads = 300;
    std::vector<std::shared_ptr<DThreadHandle>> handles;
    for (int i = 0; i < kThreads; ++i) {
        auto* t = new FuncThread([](DThread&) { return 7u; });
        t->observer = &observer;
        StartedThread started;
        ASSERT_TRUE(manager.StartThread(t, &started));
        handles.push_back(started.handle);
    }
    for (auto& h : handles) {
        ASSERT_TRUE(h->Wait(10000));
        EXPECT_EQ(h->ExitCode(), 7u);
    }
    EXPECT_EQ(observer.Count(), size_t{kThreads});
    EXPECT_EQ(manager.ThreadCount(), 0u);
}

TEST_F(DThreadManagerTest, StartingTwiceOrWithStopAlreadySetIsRefused) {
    DThreadManager manager;
    std::latch release(1);
    auto* running = new FuncThread([&](DThread&) {
        release.wait();
        return 0u;
    });
    StartedThread started;
    ASSERT_TRUE(manager.StartThread(running, &started));
    // A second start of the same object: refused, and the running thread is untouched.
    // (The object is still alive: it waits for the latch.)
    EXPECT_FALSE(manager.StartThread(running));
    EXPECT_EQ(manager.ThreadCount(), 1u);
    release.count_down();
    ASSERT_TRUE(started.handle->Wait(10000));

    auto* stopped = new FuncThread([](DThread&) { return 0u; });
    stopped->RequestStop();
    EXPECT_FALSE(manager.StartThread(stopped));
    EXPECT_EQ(stopped->threadId, 0u);
    EXPECT_FALSE(stopped->handle->Ended());
    delete stopped;  // still ours
    EXPECT_FALSE(manager.StartThread(nullptr));
}

TEST_F(DThreadManagerTest, StopThreadAsksToStopAndSilencesTheObserver) {
    RecordingObserver observer;
    DThreadManager manager;
    EXPECT_FALSE(manager.StopThread(12345));
    auto* t = new FuncThread([](DThread& self) {
        while (!self.StopRequested()) {
            std::this_thread::sleep_for(1ms);
        }
        return 3u;
    });
    t->observer = &observer;
    StartedThread started;
    ASSERT_TRUE(manager.StartThread(t, &started));
    EXPECT_TRUE(manager.StopThread(started.threadId));
    EXPECT_FALSE(manager.StopThread(started.threadId));
    ASSERT_TRUE(started.handle->Wait(10000));
    EXPECT_EQ(started.handle->ExitCode(), 3u);
    EXPECT_EQ(observer.Count(), 0u);
}

TEST_F(DThreadManagerTest, ThrowingRunEndsWithCodeOneWithoutObserver) {
    RecordingObserver observer;
    DThreadManager manager;
    auto* t = new FuncThread([](DThread&) -> uint32_t { throw std::runtime_error("boom"); });
    t->observer = &observer;
    StartedThread started;
    ASSERT_TRUE(manager.StartThread(t, &started));
    ASSERT_TRUE(started.handle->Wait(10000));
    EXPECT_EQ(started.handle->ExitCode(), 1u);
    EXPECT_EQ(g_liveThreads.load(), 0);  // deleted before the latch opened
    EXPECT_EQ(observer.Count(), 0u);
    // The manager does not keep a pointer to the deleted object.
    EXPECT_EQ(manager.ThreadCount(), 0u);
}

TEST_F(DThreadManagerTest, ObserverIsCalledWithTheManagerUnlocked) {
    DThreadManager manager;
    std::latch inObserver(1);
    std::latch release(1);
    struct BlockingObserver : IThreadObserver {
        std::latch* in;
        std::latch* release;
        void OnThreadFinished(std::wstring, std::wstring) override {
            in->count_down();
            release->wait();
        }
    } observer;
    observer.in = &inObserver;
    observer.release = &release;
    auto* t = new FuncThread([](DThread&) { return 0u; });
    t->observer = &observer;
    StartedThread started;
    ASSERT_TRUE(manager.StartThread(t, &started));
    inObserver.wait();
    // Taking the lock from here would hang if the observer were called under it.
    auto count = std::async(std::launch::async, [&] { return manager.ThreadCount(); });
    ASSERT_EQ(count.wait_for(10s), std::future_status::ready);
    EXPECT_EQ(count.get(), 0u);
    release.count_down();
    ASSERT_TRUE(started.handle->Wait(10000));
}

TEST_F(DThreadManagerTest, DestructorStopsAndJoinsCooperativeThreads) {
    RecordingObserver observer;
    std::vector<std::shared_ptr<DThreadHandle>> handles;
    {
        DThreadManager empty;  // nothing to wait for
    }
    {
        DThreadManager manager;
        std::latch running(3);
        for (int i = 0; i < 3; ++i) {
            auto* t = new FuncThread([&](DThread& self) {
                running.count_down();
                while (!self.StopRequested()) {
                    std::this_thread::sleep_for(1ms);
                }
                return 0u;
            });
            t->observer = &observer;
            StartedThread started;
            ASSERT_TRUE(manager.StartThread(t, &started));
            handles.push_back(started.handle);
        }
        running.wait();
    }
    for (auto& h : handles) {
        EXPECT_TRUE(h->StopRequested());
        EXPECT_TRUE(h->Wait(10000));
    }
    EXPECT_EQ(observer.Count(), 3u);
}

TEST_F(DThreadManagerTest, DestructorAbandonsThreadsThatDoNotStop) {
    RecordingObserver observer;
    std::latch release(1);
    std::shared_ptr<DThreadHandle> stubborn;
    std::shared_ptr<DThreadHandle> stopped;
    {
        auto manager = std::make_unique<DThreadManager>();
        auto* t = new FuncThread([&](DThread&) {
            release.wait();  // ignores the stop flag
            return 0u;
        });
        t->observer = &observer;
        StartedThread started;
        ASSERT_TRUE(manager->StartThread(t, &started));
        stubborn = started.handle;
        // A stopped thread is not waited for, but must not call back either.
        auto* s = new FuncThread([&](DThread&) {
            release.wait();
            return 0u;
        });
        ASSERT_TRUE(manager->StartThread(s, &started));
        stopped = started.handle;
        ASSERT_TRUE(manager->StopThread(started.threadId));
        manager.reset();  // returns although both threads still run
    }
    EXPECT_FALSE(stubborn->Ended());
    EXPECT_FALSE(stopped->Ended());
    // The threads end after their manager is gone: they delete themselves and must not touch
    // the freed manager (the sanitizer builds catch that).
    release.count_down();
    EXPECT_TRUE(stubborn->Wait(10000));
    EXPECT_TRUE(stopped->Wait(10000));
    EXPECT_EQ(observer.Count(), 0u);
}

// A gate that opens once and stays open; opening it again does nothing.
class Gate {
public:
    void Open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }
    void Wait() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return open_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool open_ = false;
};

TEST_F(DThreadManagerTest, ShutdownIsBoundedEvenWhenAnObserverWaitsForTheShuttingDownThread) {
    // The observer hands work to the thread that destroys the manager and waits for it; that
    // thread only gets to the work once the destructor has returned.
    Gate workDone;
    std::latch inObserver(1);
    struct HandingObserver : IThreadObserver {
        std::latch* in;
        Gate* done;
        void OnThreadFinished(std::wstring, std::wstring) override {
            in->count_down();
            done->Wait();
        }
    } observer;
    observer.in = &inObserver;
    observer.done = &workDone;

    auto manager = std::make_unique<DThreadManager>();
    auto* t = new FuncThread([](DThread&) { return 0u; });
    t->observer = &observer;
    StartedThread started;
    ASSERT_TRUE(manager->StartThread(t, &started));
    // A second thread that ignores its stop flag until the end of the test.
    std::latch release(1);
    auto* stubborn = new FuncThread([&](DThread&) {
        release.wait();
        return 0u;
    });
    stubborn->observer = &observer;
    StartedThread stubbornStarted;
    ASSERT_TRUE(manager->StartThread(stubborn, &stubbornStarted));
    inObserver.wait();

    std::promise<void> destroyed;
    std::future<void> destroyedFuture = destroyed.get_future();
    std::thread shuttingDown([&] {
        manager.reset();
        destroyed.set_value();
        workDone.Open();  // the handed-over work
    });
    const bool returned = destroyedFuture.wait_for(10s) == std::future_status::ready;
    // Without a bound the two threads wait for each other for ever: do the work from here, so
    // that the test still ends.
    workDone.Open();
    shuttingDown.join();
    EXPECT_TRUE(returned) << "the destructor waited for the observer";

    EXPECT_TRUE(started.handle->Wait(10000));
    release.count_down();
    EXPECT_TRUE(stubbornStarted.handle->Wait(10000));
}

}  // namespace
}  // namespace talvex
