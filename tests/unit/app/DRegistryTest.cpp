#include <gtest/gtest.h>

#include <string>

#include "app/DRegistry.h"
#include "app/SettingsStore.h"
#include "support/TestHome.h"

namespace talvex {

using test::ScopedEnv;
using test::TestHome;
using test::WriteFileBytes;

TEST(DRegistry, ReadsPlainAndExpandableTextFromTheSettingsFile) {
    TestHome home;
    ScopedEnv videos("TALVEX_TEST_VIDEOS", "/srv/v");
    WriteFileBytes(home.SettingsFile(), R"({
        "MruDir1": "/plain/$HOME",
        "MruDir2": {"expand": "$HOME/Videos"},
        "MruDir3": {"expand": "${TALVEX_TEST_VIDEOS}x/$TALVEX_TEST_VIDEOS_/y"},
        "MruDir4": 5,
        "MruDir5": {"other": "z"}
    })");
    DRegistry reg;
    ASSERT_TRUE(reg.Open());
    std::wstring value;
    ASSERT_TRUE(reg.ReadString(L"MruDir1", value));
    EXPECT_EQ(value, L"/plain/$HOME");
    ASSERT_TRUE(reg.ReadString(L"MruDir2", value));
    EXPECT_EQ(value, home.Home().wstring() + L"/Videos");
    ASSERT_TRUE(reg.ReadString(L"MruDir3", value));
    EXPECT_EQ(value, L"/srv/vx/$TALVEX_TEST_VIDEOS_/y");  // unset variable stays as written
    EXPECT_FALSE(reg.ReadString(L"MruDir4", value));
    EXPECT_FALSE(reg.ReadString(L"MruDir5", value));
    EXPECT_FALSE(reg.ReadString(L"MruDir6", value));

    // The settings store reads the expandable text as stored.
    EXPECT_EQ(SettingsStore().GetString(L"MruDir2", L""), L"$HOME/Videos");

    reg.Close();
    EXPECT_FALSE(reg.ReadString(L"MruDir1", value));
}

TEST(DRegistry, OpenFailsWithoutAUsableFile) {
    TestHome home;
    DRegistry reg;
    EXPECT_FALSE(reg.Open());
    WriteFileBytes(home.SettingsFile(), "{\"MruDir1\": \"/x\"");
    EXPECT_FALSE(reg.Open());
    std::wstring value;
    EXPECT_FALSE(reg.ReadString(L"MruDir1", value));
}

TEST(DRegistry, ExpansionLeavesWhatIsNotAReferenceAlone) {
    ScopedEnv a("TALVEX_TEST_A", "1");
    ScopedEnv empty("TALVEX_TEST_EMPTY", "");
    EXPECT_EQ(ExpandEnvironmentVariables(L"$TALVEX_TEST_A$TALVEX_TEST_A"), L"11");
    EXPECT_EQ(ExpandEnvironmentVariables(L"a${TALVEX_TEST_EMPTY}b"), L"ab");
    EXPECT_EQ(ExpandEnvironmentVariables(L"$ $1 ${} ${TALVEX_TEST_A ${1x} $"),
              L"$ $1 ${} ${TALVEX_TEST_A ${1x} $");
    EXPECT_EQ(ExpandEnvironmentVariables(L"cost: 5$"), L"cost: 5$");
    EXPECT_EQ(ExpandEnvironmentVariables(L"${TALVEX_TEST_A}_${TALVEX_TEST_A}"), L"1_1");
}

}  // namespace talvex
