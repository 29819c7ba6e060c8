// Names that step aside: the walk every caller shares, the forms of the names, and the numbered
// work files both downloads and conversions make with it.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <vector>

#include "platform/CollisionName.h"
#include "platform/FileOps.h"
#include "support/TestHome.h"

namespace talvex {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::WriteFileBytes;

TEST(CollisionName, TheWalkTakesTheFirstFreeAndStopsOnGivingUpOrAtTheLimit) {
    std::vector<int> offered;
    auto record = [&](int freeFrom, int giveUpAt) {
        offered.clear();
        return [&offered, freeFrom, giveUpAt](int n) {
            offered.push_back(n);
            return n == giveUpAt ? NameTry::GiveUp : n >= freeFrom ? NameTry::Done : NameTry::Taken;
        };
    };
    EXPECT_EQ(TakeFirstFree(20, record(0, -1)), 0);
    EXPECT_EQ(offered, std::vector<int>{0});
    EXPECT_EQ(TakeFirstFree(20, record(3, -1)), 3);
    EXPECT_EQ(offered, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(TakeFirstFree(20, record(5, 2)), std::nullopt);
    EXPECT_EQ(offered, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(TakeFirstFree(4, record(4, -1)), std::nullopt);
    EXPECT_EQ(offered, (std::vector<int>{0, 1, 2, 3}));
}

TEST(CollisionName, FormsOfTheTries) {
    EXPECT_EQ(NumberMark(0), L"");
    EXPECT_EQ(NumberMark(1), L"[1]");
    EXPECT_EQ(NumberMark(19), L"[19]");
    EXPECT_EQ(SuffixedName(L"/d/clip", L"(ipod)", 0, L".mov"), L"/d/clip.mov");
    EXPECT_EQ(SuffixedName(L"/d/clip", L"(ipod)", 2, L".mov"), L"/d/clip(ipod)(ipod).mov");
    EXPECT_EQ(SuffixedName(L"/d/.hidden", L"(mp3)", 1, L""), L"/d/.hidden(mp3)");
}

TEST(CollisionName, NumberedWorkFilesWalkOnFromTheStartPastFFFFAndNeverUseZero) {
    TempDir dir;
    // Only the low 16 bits of the start count.
    EXPECT_EQ(CreateUniqueTempFile(dir.Path(), "~qrv", 0x1FFFEu), dir.Path() / "~qrvFFFE.tmp");
    WriteFileBytes(dir.Path() / "~qrvFFFF.tmp", "someone else's");
    EXPECT_EQ(CreateUniqueTempFile(dir.Path(), "~qrv", 0xFFFEu), dir.Path() / "~qrv0001.tmp");
    EXPECT_EQ(CreateUniqueTempFile(dir.Path(), "~qrv", 0u), dir.Path() / "~qrv0002.tmp");
    EXPECT_FALSE(fs::exists(dir.Path() / "~qrv0000.tmp"));
    // A folder that takes no file ends the walk at once, errno telling why (the download's
    // error text is chosen by it).
    errno = 0;
    EXPECT_FALSE(CreateUniqueTempFile(dir.Path() / "missing", "~qrv", 1u));
    EXPECT_EQ(errno, ENOENT);
}

}  // namespace
}  // namespace talvex
