// Conversions sharing an output folder, with the real encoder: each keeps its own work file
// from naming to the end, even when every one of them starts its search for a free name at
// the same number.
#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "MediaFixtures.h"
#include "app/threads/RefPtr.h"
#include "convert/ConversionProfiles.h"
#include "convert/ConvertItem.h"
#include "platform/Utf8.h"
#include "support/TestHome.h"

namespace talvex {

namespace fs = std::filesystem;

namespace {

fs::path P(const std::wstring& w) {
    return fs::path(WideToUtf8(w));
}

// Every item tries this name first, so without reservations they would all collide.
unsigned SameStart() {
    return 0x1234;
}

}  // namespace

class WorkNameTest : public ::testing::Test {
protected:
    RefPtr<ConvertItem> NewItem(int profile, const fs::path& source) {
        auto item = MakeRef<ConvertItem>(profile, ConversionQuality::kLow);
        item->ownerWindow = &sink_;
        item->sourcePath = Utf8ToWide(source.string());
        item->workNameStart = SameStart;
        return item;
    }

    // A clip of the given length in the test's folder.
    fs::path Clip(const std::string& name, double seconds) {
        const fs::path file = dir_.Path() / name;
        EXPECT_TRUE(test::MakeClip(file, 160, 90, seconds)) << name;
        return file;
    }

    test::TempDir dir_;
    test::FinishSink sink_;
};

TEST_F(WorkNameTest, ManyConversionsIntoOneFolderEachKeepTheirOwnWorkFile) {
    // Sources of different lengths: an output made from another item's work file shows it.
    constexpr int kItems = 6;
    std::vector<RefPtr<ConvertItem>> items;
    std::set<std::wstring> workPaths;
    for (int i = 0; i < kItems; ++i) {
        auto item = NewItem(kProfileMp3, Clip("part" + std::to_string(i) + ".mp4", 1 + i));
        ASSERT_TRUE(item->Prepare());
        workPaths.insert(item->workPath);
        items.push_back(item);
    }
    EXPECT_EQ(workPaths.size(), static_cast<size_t>(kItems));
    for (const auto& item : items) {
        ASSERT_TRUE(item->Run());
    }
    for (int i = 0; i < kItems; ++i) {
        SCOPED_TRACE(i);
        const auto& item = items[i];
        ASSERT_TRUE(sink_.WaitFinished(item.get()));
        ASSERT_EQ(item->state.load(), ActivityState::Completed) << WideToUtf8(item->LastMessage());
        const fs::path output = P(item->OutputPath());
        EXPECT_EQ(output, dir_.Path() / ("part" + std::to_string(i) + ".mp3"));
        const test::MediaInfo info = test::Probe(output);
        ASSERT_TRUE(info.hasAudio);
        EXPECT_NEAR(info.duration, 1.0 + i, 0.3);
    }
    EXPECT_TRUE(test::WorkFilesIn(dir_.Path()).empty());
}

TEST_F(WorkNameTest, AFileAlreadyUnderTheWorkNameIsNeitherWrittenNorRemoved) {
    // Left by something else: not under a reservation, yet never this item's to touch.
    const fs::path stray = dir_.Path() / "~qrv1234.tmp.mp3";
    test::WriteFileBytes(stray, "not a conversion's");
    auto item = NewItem(kProfileMp3, Clip("s.mp4", 1));
    ASSERT_TRUE(item->Run());
    ASSERT_TRUE(sink_.WaitFinished(item.get()));
    ASSERT_EQ(item->state.load(), ActivityState::Completed) << WideToUtf8(item->LastMessage());
    EXPECT_EQ(test::ReadFileBytes(stray), "not a conversion's");
    EXPECT_TRUE(test::Probe(P(item->OutputPath())).hasAudio);
    EXPECT_EQ(test::WorkFilesIn(dir_.Path()), std::vector<fs::path>{stray});
}

TEST_F(WorkNameTest, TheNameIsHeldFromNamingUntilTheOutputIsInPlace) {
    auto item = NewItem(kProfileIpod, Clip("held.mp4", 20));
    ASSERT_TRUE(item->Prepare());
    const fs::path reservation = dir_.Path() / "~qrv1234.tmp";
    EXPECT_TRUE(fs::exists(reservation));
    EXPECT_EQ(P(item->workPath), dir_.Path() / "~qrv1234.tmp.mov");

    // Meanwhile another item is handed the next name; canceled while queued, it gives it up.
    auto other = NewItem(kProfileIpod, Clip("other.mp4", 1));
    ASSERT_TRUE(other->Prepare());
    EXPECT_EQ(P(other->workPath), dir_.Path() / "~qrv1235.tmp.mov");
    ASSERT_TRUE(other->Stop());
    EXPECT_FALSE(fs::exists(dir_.Path() / "~qrv1235.tmp"));

    ASSERT_TRUE(item->Run());
    bool heldWhileRunning = false;
    for (int i = 0; i < 6000 && sink_.FinishedCount(item.get()) == 0; ++i) {
        if (item->state.load() == ActivityState::Running && fs::exists(reservation) &&
            fs::exists(dir_.Path() / "~qrv1234.tmp.mov")) {
            heldWhileRunning = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(heldWhileRunning);
    ASSERT_TRUE(sink_.WaitFinished(item.get()));
    ASSERT_EQ(item->state.load(), ActivityState::Completed);
    EXPECT_TRUE(fs::exists(dir_.Path() / "held.mov"));
    EXPECT_TRUE(test::WorkFilesIn(dir_.Path()).empty());
}

}  // namespace talvex
