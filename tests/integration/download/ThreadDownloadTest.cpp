// The installer download on a dedicated thread: the file arrives whole with size, progress and
// completion messages to the dialog, a failure is reported as such, and a stopped download
// leaves no file.
#include <gtest/gtest.h>

#include <condition_variable>

#include "app/threads/DThreadManager.h"
#include "app/threads/IThreadObserver.h"
#include "download/ThreadDownload.h"
#include "integration/download/DownloadSite.h"

namespace talvex::test {
namespace {

class FinishedObserver : public IThreadObserver {
public:
    void OnThreadFinished(std::wstring name, std::wstring result) override {
        std::lock_guard<std::mutex> guard(lock_);
        name_ = std::move(name);
        result_ = std::move(result);
        done_ = true;
        changed_.notify_all();
    }
    bool Wait(std::wstring& name, std::wstring& result) {
        std::unique_lock<std::mutex> guard(lock_);
        if (!changed_.wait_for(guard, std::chrono::seconds(60), [&] { return done_; })) {
            return false;
        }
        name = name_;
        result = result_;
        return true;
    }

private:
    std::mutex lock_;
    std::condition_variable changed_;
    bool done_ = false;
    std::wstring name_;
    std::wstring result_;
};

class ThreadDownloadTest : public DownloadSite {
protected:
    int Count(uint32_t message) {
        int n = 0;
        for (const auto& m : sink_.Messages()) {
            n += m.message == message ? 1 : 0;
        }
        return n;
    }
};

TEST_F(ThreadDownloadTest, InstallerArrivesWholeWithProgressMessages) {
    const std::string bytes = GeneratedBytes(700 * 1024 + 17, 11);
    WriteFileBytes(Root() / "media" / "setup.bin", bytes);
    const fs::path target = folder_ / "qrv_installer.bin";
    FinishedObserver observer;
    DThreadManager manager;
    auto link = std::make_shared<MessageSinkLink>(&sink_);
    auto* thread =
        new ThreadDownload(nullptr, server_.WideUrl("/media/setup.bin"), FromPath(target), link);
    thread->name = L"installer";
    thread->observer = &observer;
    StartedThread started;
    ASSERT_TRUE(manager.StartThread(thread, &started));
    std::wstring name;
    std::wstring result;
    ASSERT_TRUE(observer.Wait(name, result));
    ASSERT_TRUE(started.handle->Wait(10000));
    EXPECT_EQ(started.handle->ExitCode(), 1u);
    EXPECT_EQ(name, L"installer");
    EXPECT_EQ(result, L"");
    EXPECT_EQ(ReadFileBytes(target), bytes);

    auto messages = sink_.Messages();
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.front().message, kMsgDownloadSize);
    EXPECT_EQ(messages.front().wParam, bytes.size());
    EXPECT_EQ(messages.back().message, kMsgDownloadComplete);
    // The start report, one per 200 KiB and the last one.
    EXPECT_GE(Count(kMsgDownloadProgress), 4);
    EXPECT_EQ(Count(kMsgDownloadError), 0);
}

TEST_F(ThreadDownloadTest, MissingFileIsReportedAsFailed) {
    const fs::path target = folder_ / "qrv_installer.bin";
    FinishedObserver observer;
    DThreadManager manager;
    auto* thread = new ThreadDownload(nullptr, server_.WideUrl("/media/none.bin"), FromPath(target),
                                      std::make_shared<MessageSinkLink>(&sink_));
    thread->observer = &observer;
    StartedThread started;
    ASSERT_TRUE(manager.StartThread(thread, &started));
    std::wstring name;
    std::wstring result;
    ASSERT_TRUE(observer.Wait(name, result));
    EXPECT_EQ(result, L"Failed");
    ASSERT_TRUE(started.handle->Wait(10000));
    EXPECT_EQ(started.handle->ExitCode(), 0u);
    EXPECT_FALSE(fs::exists(target));
}

TEST_F(ThreadDownloadTest, StoppedDownloadEndsAndLeavesNoFile) {
    WriteFileBytes(Root() / "media" / "big.bin", GeneratedBytes(4 * 1024 * 1024, 12));
    const fs::path target = folder_ / "qrv_installer.bin";
    DThreadManager manager;
    auto link = std::make_shared<MessageSinkLink>(&sink_);
    auto* thread =
        new ThreadDownload(nullptr, server_.WideUrl("/slow/media/big.bin"), FromPath(target), link);
    StartedThread started;
    ASSERT_TRUE(manager.StartThread(thread, &started));
    ASSERT_TRUE(WaitUntil([&] { return Count(kMsgDownloadProgress) >= 2; }));
    ASSERT_TRUE(manager.StopThread(started.threadId));
    // The dialog goes away: later messages are dropped, not sent to a dead window.
    link->Detach();
    const size_t seen = sink_.Messages().size();
    ASSERT_TRUE(started.handle->Wait(30000));
    EXPECT_EQ(started.handle->ExitCode(), 0u);
    EXPECT_EQ(sink_.Messages().size(), seen);
    EXPECT_FALSE(fs::exists(target));
}

}  // namespace
}  // namespace talvex::test
