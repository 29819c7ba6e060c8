// The "ActivitySortCol" code, both ways.
#include <gtest/gtest.h>

#include "ui/ActivitySortSetting.h"

namespace talvex::test {
namespace {

using ui::ActivitySort;
using ui::FormatActivitySort;
using ui::ParseActivitySort;

TEST(ActivitySortSettingTest, WritesTheNameOfTheColumnToTheRight) {
    EXPECT_EQ(FormatActivitySort({0, false}), L"Video|Asc");
    EXPECT_EQ(FormatActivitySort({1, true}), L"Progress|Desc");
    EXPECT_EQ(FormatActivitySort({2, false}), L"Speed|Asc");
    EXPECT_EQ(FormatActivitySort({3, false}), L"Status|Asc");
    EXPECT_EQ(FormatActivitySort({4, true}), L"ETA|Desc");
    EXPECT_EQ(FormatActivitySort({5, false}), L"Video|Asc");
    EXPECT_EQ(FormatActivitySort({-1, true}), L"");
    EXPECT_EQ(FormatActivitySort({6, true}), L"");
}

TEST(ActivitySortSettingTest, ReadsBackEveryWrittenValueExceptEta) {
    for (int column = 0; column <= 4; ++column) {
        for (bool descending : {false, true}) {
            const ActivitySort read = ParseActivitySort(FormatActivitySort({column, descending}));
            EXPECT_EQ(read.column, column);
            EXPECT_EQ(read.descending, descending);
        }
    }
    EXPECT_EQ(ParseActivitySort(FormatActivitySort({5, true})).column, 0);
}

TEST(ActivitySortSettingTest, MalformedValuesLeaveTheListUnsorted) {
    for (const wchar_t* value : {L"", L"Speed", L"|Desc", L"Speed|", L"|"}) {
        EXPECT_EQ(ParseActivitySort(value).column, -1) << value;
    }
    // Names compare exactly; anything unknown is the Video column, and only "Desc" descends.
    EXPECT_EQ(ParseActivitySort(L"speed|Desc").column, 0);
    EXPECT_EQ(ParseActivitySort(L"Whatever|x").column, 0);
    EXPECT_FALSE(ParseActivitySort(L"ETA|desc").descending);
    // Split at the first bar only.
    const ActivitySort odd = ParseActivitySort(L"Status|Desc|Asc");
    EXPECT_EQ(odd.column, 3);
    EXPECT_FALSE(odd.descending);
}

}  // namespace
}  // namespace talvex::test
