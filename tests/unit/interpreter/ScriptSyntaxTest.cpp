#include <gtest/gtest.h>

#include <limits>

#include "scripts/ScriptSyntax.h"

namespace talvex {
namespace {

TEST(ScriptSyntax, SplitTakesTrimmedHeadAndLeavesTrimmedRest) {
    std::wstring text = L"  name  =  value ; ";
    EXPECT_EQ(SplitAt(text, L'='), L"name");
    EXPECT_EQ(text, L"value ;");
    EXPECT_EQ(SplitAt(text, L';'), L"value");
    EXPECT_EQ(text, L"");
}

TEST(ScriptSyntax, SplitAtAbsentOrLeadingSeparatorLeavesTextUnchanged) {
    std::wstring absent = L"abc";
    EXPECT_EQ(SplitAt(absent, L'='), L"");
    EXPECT_EQ(absent, L"abc");
    std::wstring leading = L"=abc";
    EXPECT_EQ(SplitAt(leading, L'='), L"");
    EXPECT_EQ(leading, L"=abc");
}

TEST(ScriptSyntax, SplitWithBlankHeadStillMovesOn) {
    std::wstring text = L"  =rest";
    EXPECT_EQ(SplitAt(text, L'='), L"");
    EXPECT_EQ(text, L"rest");
}

TEST(ScriptSyntax, ArgumentsAreSplitAtCommasAndTheClosingParenthesis) {
    const auto arguments = ParseArguments(L"FUNC( a ,b,  c );", 3);
    ASSERT_TRUE(arguments);
    EXPECT_EQ(*arguments, (std::vector<std::wstring>{L"a", L"b", L"c"}));
}

TEST(ScriptSyntax, AnEmptyOrMissingArgumentFailsTheList) {
    EXPECT_FALSE(ParseArguments(L"FUNC(a,,c);", 3));
    EXPECT_FALSE(ParseArguments(L"FUNC(a,b);", 3));
    EXPECT_FALSE(ParseArguments(L"FUNC(a,b", 2));
    EXPECT_FALSE(ParseArguments(L"FUNC();", 1));
    // The last argument runs to the first ")", so a comma in it stays part of its name.
    const auto extra = ParseArguments(L"FUNC(a,b,c);", 2);
    ASSERT_TRUE(extra);
    EXPECT_EQ((*extra)[1], L"b,c");
}

TEST(ScriptSyntax, DecimalIntegersReadLikeAtoiAndClamp) {
    EXPECT_EQ(ReadDecimalInt(L"  -42abc"), -42);
    EXPECT_EQ(ReadDecimalInt(L"+7"), 7);
    EXPECT_EQ(ReadDecimalInt(L"x7"), 0);
    EXPECT_EQ(ReadDecimalInt(L""), 0);
    EXPECT_EQ(ReadDecimalInt(L"99999999999999999999"), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(ReadDecimalInt(L"-2147483648"), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(ReadDecimalInt(L"-99999999999999999999"), std::numeric_limits<int32_t>::min());
}

}  // namespace
}  // namespace talvex
