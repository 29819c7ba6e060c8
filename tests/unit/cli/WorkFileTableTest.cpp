#include "cli/WorkFileTable.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "support/TestHome.h"

namespace talvex::cli {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::WriteFileBytes;

TEST(WorkFileTable, RemovesTheFilesStillAnnouncedAndNothingElse) {
    TempDir dir;
    auto table = std::make_unique<WorkFileTable>();  // too big for a thread's stack
    const fs::path download = dir.Path() / "~qrv1A2B.tmp";
    const fs::path reservation = dir.Path() / "~qrv00FF.tmp";
    const fs::path work = dir.Path() / "~qrv00FF.tmp.mp3";
    const fs::path stored = dir.Path() / "Holiday.mp4";
    const fs::path mine = dir.Path() / "notes.txt";
    for (const fs::path& file : {download, reservation, work, mine}) {
        WriteFileBytes(file, "x");
        table->WorkFileMade(file);
    }
    // The download is stored under its title, the user's file was never a work file.
    fs::rename(download, stored);
    table->WorkFileGone(download);
    table->WorkFileGone(mine);
    // Releasing what is not known changes nothing.
    table->WorkFileGone(dir.Path() / "~qrv9999.tmp");
    table->WorkFileGone(download);
    // A path longer than the longest Linux path is not kept.
    table->WorkFileMade(dir.Path() / std::string(WorkFileTable::kPathBytes, 'a'));
    EXPECT_EQ(table->Count(), 2u);

    EXPECT_EQ(table->RemoveAll(), 2);
    EXPECT_FALSE(fs::exists(reservation));
    EXPECT_FALSE(fs::exists(work));
    EXPECT_TRUE(fs::exists(stored));
    EXPECT_TRUE(fs::exists(mine));
    EXPECT_EQ(table->Count(), 0u);
}

TEST(WorkFileTable, ItemsOnManyThreadsKeepTheirOwnEntries) {
    auto table = std::make_unique<WorkFileTable>();
    std::vector<std::thread> workers;
    for (int t = 0; t < 8; ++t) {
        workers.emplace_back([&table, t] {
            for (int n = 0; n < 2000; ++n) {
                const fs::path path =
                    "/nonexistent/" + std::to_string(t) + "/~qrv" + std::to_string(n) + ".tmp";
                table->WorkFileMade(path);
                if (n % 100 != 99) {
                    table->WorkFileGone(path);
                }
            }
        });
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
    EXPECT_EQ(table->Count(), 8u * 20u);
    EXPECT_EQ(table->RemoveAll(), 0);  // none of them exists
    EXPECT_EQ(table->Count(), 0u);
}

}  // namespace
}  // namespace talvex::cli
