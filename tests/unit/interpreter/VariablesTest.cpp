#include <gtest/gtest.h>

#include "scripts/ScriptVariables.h"

namespace talvex {
namespace {

TEST(ScriptVariables, UnsetNamesReadEmptyAndNamesAreCaseSensitive) {
    ScriptVariables variables;
    EXPECT_EQ(variables.Get(L"a"), L"");
    EXPECT_TRUE(variables.Contains(L"a"));
    EXPECT_TRUE(variables.Set(L"A", L"upper"));
    EXPECT_EQ(variables.Get(L"a"), L"");
    EXPECT_EQ(variables.Get(L"A"), L"upper");
}

TEST(ScriptVariables, ValuesAndTheirTotalAreBounded) {
    ScriptVariables variables(10, 40);
    const std::wstring largest(10, L'x');
    EXPECT_FALSE(variables.Set(L"big", largest + L"x"));
    EXPECT_EQ(variables.Get(L"big"), L"");
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(variables.Set(L"v" + std::to_wstring(i), largest));
    }
    EXPECT_EQ(variables.TotalLength(), 40u);
    EXPECT_FALSE(variables.Set(L"one more", L"x"));
    // Replacing a value counts only the difference.
    EXPECT_TRUE(variables.Set(L"v0", L"small"));
    EXPECT_TRUE(variables.Set(L"one more", L"x"));
    EXPECT_EQ(variables.TotalLength(), 36u);
}

}  // namespace
}  // namespace talvex
