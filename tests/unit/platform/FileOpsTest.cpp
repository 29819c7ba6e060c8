#include <gtest/gtest.h>

#include <set>
#include <thread>
#include <vector>

#include "platform/FileOps.h"
#include "support/TestHome.h"

namespace talvex {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

TEST(TempFile, NamesAreUniqueUnderConcurrencyAndCarryThePrefix) {
    TempDir dir;
    std::vector<std::vector<fs::path>> made(4);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 50; ++i) {
                auto p = CreateUniqueTempFile(dir.Path(), "~qrv");
                if (p) {
                    made[t].push_back(*p);
                }
            }
        });
    }
    for (auto& th : threads) {
        th.join();
    }
    std::set<fs::path> all;
    for (auto& v : made) {
        all.insert(v.begin(), v.end());
    }
    EXPECT_EQ(all.size(), 200u);
    for (const auto& p : all) {
        EXPECT_EQ(p.filename().string().rfind("~qrv", 0), 0u);
        EXPECT_EQ(p.extension(), ".tmp");
        EXPECT_TRUE(fs::is_regular_file(p));
    }
}

TEST(TempFile, UnwritableFolderGivesNothing) {
    EXPECT_FALSE(CreateUniqueTempFile("/nonexistent/folder", "~qrv").has_value());
}

TEST(MoveNoReplace, MovesButNeverOverwrites) {
    TempDir dir;
    WriteFileBytes(dir.Path() / "a", "new");
    WriteFileBytes(dir.Path() / "b", "old");
    EXPECT_FALSE(MoveNoReplace(dir.Path() / "a", dir.Path() / "b"));
    EXPECT_EQ(ReadFileBytes(dir.Path() / "b"), "old");
    EXPECT_TRUE(fs::exists(dir.Path() / "a"));
    EXPECT_TRUE(MoveNoReplace(dir.Path() / "a", dir.Path() / "c"));
    EXPECT_EQ(ReadFileBytes(dir.Path() / "c"), "new");
    EXPECT_FALSE(fs::exists(dir.Path() / "a"));
}

TEST(RemoveRegularFile, NeverRemovesAFolder) {
    TempDir dir;
    fs::create_directories(dir.Path() / "folder");
    WriteFileBytes(dir.Path() / "file", "x");
    EXPECT_FALSE(RemoveRegularFile(dir.Path() / "folder"));
    EXPECT_TRUE(fs::is_directory(dir.Path() / "folder"));
    EXPECT_TRUE(RemoveRegularFile(dir.Path() / "file"));
    EXPECT_FALSE(fs::exists(dir.Path() / "file"));
}

TEST(File, PresizesAndWritesAtOffsetsBeyondFourGiB) {
    TempDir dir;
    File f = File::OpenReadWrite(dir.Path() / "sparse", true);
    ASSERT_TRUE(f.IsOpen());
    const uint64_t size = (5ull << 30) + 10;  // sparse: takes no real space
    ASSERT_TRUE(f.Resize(size));
    EXPECT_EQ(f.Size(), size);
    const uint64_t offset = (4ull << 30) + 3;
    ASSERT_TRUE(f.WriteAt(offset, "abc", 3));
    ASSERT_TRUE(f.WriteAt(0, "z", 1));
    char buf[3] = {};
    ASSERT_EQ(::pread(f.Descriptor(), buf, 3, static_cast<off_t>(offset)), 3);
    EXPECT_EQ(std::string(buf, 3), "abc");
    EXPECT_EQ(f.Size(), size);
}

}  // namespace talvex
