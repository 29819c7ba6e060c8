// A download folder that cannot take the file says so in words: a full device, a read-only
// folder. The folder is a small tmpfs mounted for the test (the tests run as root); where
// mounting is not permitted the tests are skipped.
#include <gtest/gtest.h>

#include <sys/mount.h>

#include <cerrno>
#include <cstring>

#include "integration/download/DownloadSite.h"

namespace talvex::test {
namespace {

// A tmpfs of 1 MiB mounted over a folder for the life of the object.
class ScopedSmallTmpfs {
public:
    ScopedSmallTmpfs(const fs::path& folder, bool readOnly) : folder_(folder) {
        mounted_ =
            ::mount("tmpfs", folder.c_str(), "tmpfs", readOnly ? MS_RDONLY : 0, "size=1m") == 0;
        error_ = mounted_ ? 0 : errno;
    }
    ~ScopedSmallTmpfs() { Unmount(); }
    void Unmount() {
        if (mounted_) {
            ::umount2(folder_.c_str(), MNT_DETACH);
            mounted_ = false;
        }
    }
    ScopedSmallTmpfs(const ScopedSmallTmpfs&) = delete;
    ScopedSmallTmpfs& operator=(const ScopedSmallTmpfs&) = delete;
    bool Mounted() const { return mounted_; }
    std::string Why() const { return std::strerror(error_); }

private:
    fs::path folder_;
    bool mounted_ = false;
    int error_ = 0;
};

class FolderProblemsTest : public DownloadSite {
protected:
    RefPtr<DownloadItem> RunToTheEnd(const std::wstring& page) {
        auto item = NewItem(page);
        EXPECT_TRUE(item->Run());
        EXPECT_TRUE(sink_.WaitFinished(item.get(), 1));
        EXPECT_TRUE(WorkersDone(item));
        return item;
    }
};

TEST_F(FolderProblemsTest, FullDeviceSaysNoSpaceIsLeft) {
    ScopedSmallTmpfs small(folder_, false);
    if (!small.Mounted()) {
        GTEST_SKIP() << "no tmpfs can be mounted here: " << small.Why();
    }
    const std::wstring expected =
        L"No space left on the device that holds " + FromPath(folder_) + L".";
    // Ranged segments into a file of the full size, then one stream that grows its file.
    RefPtr<DownloadItem> item;
    for (const std::string location : {"", "/norange"}) {
        SCOPED_TRACE(location);
        item = RunToTheEnd(AddVideo("big.bin", "Big", 3 << 20, location));
        EXPECT_EQ(item->state.load(), ActivityState::Failed);
        EXPECT_EQ(item->IsMultiStream(), location.empty());
        EXPECT_EQ(item->FailedCode(), kNetWriteFailed);
        EXPECT_EQ(item->ErrorText(), expected);
        EXPECT_TRUE(FolderNames().empty());
    }
    // Room again: the next run completes, and the old message goes with the old run.
    small.Unmount();
    ASSERT_TRUE(item->Run());
    ASSERT_TRUE(sink_.WaitFinished(item.get(), 2));
    ASSERT_TRUE(WorkersDone(item));
    EXPECT_EQ(item->state.load(), ActivityState::Completed);
    EXPECT_TRUE(item->ErrorText().empty());
    EXPECT_EQ(ReadFileBytes(folder_ / "Big.bin"), Served("big.bin"));
}

TEST_F(FolderProblemsTest, ReadOnlyFolderSaysItCannotBeWritten) {
    ScopedSmallTmpfs readOnly(folder_, true);
    if (!readOnly.Mounted()) {
        GTEST_SKIP() << "no tmpfs can be mounted here: " << readOnly.Why();
    }
    auto item = RunToTheEnd(AddVideo("clip.bin", "Clip", 64 * 1024));
    EXPECT_EQ(item->state.load(), ActivityState::Failed);
    EXPECT_EQ(item->ErrorText(), L"Cannot write to " + FromPath(folder_) + L".");
    EXPECT_TRUE(FolderNames().empty());
}

}  // namespace
}  // namespace talvex::test
