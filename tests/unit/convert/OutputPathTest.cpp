// An item's output path is renamed by its worker while front ends show it: it is reachable only
// through the locked accessor.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "app/threads/RefPtr.h"
#include "convert/ConversionProfiles.h"
#include "convert/ConvertItem.h"
#include "download/DownloadItem.h"

namespace talvex {

namespace {

template <class Item>
concept HasOpenOutputField = requires(Item& item) {
    item.outputPath;
};

}  // namespace

TEST(OutputPath, NoKindOfItemOpensTheFieldToUnlockedUse) {
    EXPECT_FALSE(HasOpenOutputField<ActivityItem>);
    EXPECT_FALSE(HasOpenOutputField<ConvertItem>);
    EXPECT_FALSE(HasOpenOutputField<DownloadItem>);
}

TEST(OutputPath, ReadersSeeOneWholeNameWhileTheItemIsRenamed) {
    auto item = MakeRef<ConvertItem>(kProfileMp3, ConversionQuality::kLow);
    // Names longer than any short-string buffer, so a torn copy could not pass for either.
    const std::wstring folder = L"/videos/" + std::wstring(40, L'f') + L"/";
    const std::wstring first = std::wstring(60, L'a') + L".mp3";
    const std::wstring second = std::wstring(90, L'b') + L".mp3";
    item->SetOutputPath(folder + first);
    std::atomic<bool> done{false};
    std::atomic<int> bad{0};
    std::thread reader([&] {
        while (!done.load()) {
            const std::wstring path = item->OutputPath();
            const std::wstring name = item->GetFileName();
            if ((path != folder + first && path != folder + second) ||
                (name != first && name != second)) {
                ++bad;
            }
        }
    });
    for (int i = 0; i < 20000; ++i) {
        EXPECT_TRUE(item->SetFileName(i % 2 == 0 ? second : first));
    }
    done = true;
    reader.join();
    EXPECT_EQ(bad.load(), 0);
    EXPECT_EQ(item->OutputPath(), folder + first);
}

}  // namespace talvex
