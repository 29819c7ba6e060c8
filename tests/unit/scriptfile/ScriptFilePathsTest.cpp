#include "scripts/ScriptFilePaths.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include "ScriptFileFixtures.h"
#include "scripts/ScriptTable.h"

namespace talvex::test {
namespace {

namespace fs = std::filesystem;

class ScriptFilePathsTest : public ::testing::Test {
protected:
    fs::path Numbered(int n) const {
        return home_.DataFolder() / ("scripts" + std::to_string(n) + ".qrs");
    }
    fs::path Seed() const { return resources_.Path() / "scripts.qrs"; }

    TestHome home_;
    TempDir resources_;
    ScopedEnv resourceEnv_{"TALVEX_RESOURCE_DIR", resources_.Path().string()};
};

TEST_F(ScriptFilePathsTest, TheHighestNumberBeforeTheFirstGapIsLoaded) {
    WriteScriptFile(Numbered(0), "SITE \"zero\"\r\nBEGIN\r\nX\r\nEND;\r\n");
    WriteScriptFile(Numbered(1), "SITE \"one\"\r\nBEGIN\r\nX\r\nEND;\r\n");
    WriteScriptFile(Numbered(3), "SITE \"three\"\r\nBEGIN\r\nX\r\nEND;\r\n");
    auto files = FindNumberedScriptFiles();
    ASSERT_TRUE(files);
    EXPECT_EQ(files->lastExisting, Numbered(1));
    EXPECT_EQ(files->firstFree, Numbered(2));
    EXPECT_EQ(ChooseScriptPath(), Numbered(1));
    ScriptTable table;
    ASSERT_TRUE(table.LoadScripts(true));
    EXPECT_EQ(table.Keys(), std::vector<std::wstring>{L"one"});
}

TEST_F(ScriptFilePathsTest, SeedIsCopiedToTheNameForZero) {
    WriteScriptFile(Seed(), "SITE \"seed\"\r\nBEGIN\r\nX\r\nEND;\r\n", "0.5");
    EXPECT_EQ(ChooseScriptPath(), Numbered(0));
    EXPECT_EQ(ReadFileBytes(Numbered(0)), ReadFileBytes(Seed()));
    // Once there, the copy is used; the seed is not copied again.
    WriteScriptFile(Seed(), "SITE \"newer seed\"\r\n");
    ScriptTable table;
    ASSERT_TRUE(table.LoadScripts(true));
    EXPECT_EQ(table.ScriptVersion(), L"0.5");
    EXPECT_NE(table.GetScript(L"seed"), nullptr);
    // No temporary file is left beside the copy.
    std::vector<fs::path> names;
    for (const auto& entry : fs::directory_iterator(home_.DataFolder())) {
        names.push_back(entry.path());
    }
    EXPECT_EQ(names, std::vector<fs::path>{Numbered(0)});
}

TEST_F(ScriptFilePathsTest, NumberedFileAfterAGapDoesNotCount) {
    // Only file 1 exists: no numbered file counts, and the seed goes to the name for 0; from
    // then on 0 and 1 exist and file 1 is the one loaded.
    WriteScriptFile(Numbered(1), "SITE \"one\"\r\n");
    WriteScriptFile(Seed(), "SITE \"seed\"\r\n", "0.5");
    auto files = FindNumberedScriptFiles();
    ASSERT_TRUE(files);
    EXPECT_EQ(files->lastExisting, Numbered(0));
    EXPECT_EQ(files->firstFree, Numbered(0));
    EXPECT_EQ(ChooseScriptPath(), Numbered(0));
    EXPECT_EQ(ReadFileBytes(Numbered(0)), ReadFileBytes(Seed()));
    EXPECT_EQ(ChooseScriptPath(), Numbered(1));
}

TEST_F(ScriptFilePathsTest, DataFolderIsCreatedForTheSeed) {
    fs::remove_all(home_.DataFolder());
    WriteScriptFile(Seed(), "SITE \"seed\"\r\n");
    EXPECT_EQ(ChooseScriptPath(), Numbered(0));
    EXPECT_TRUE(fs::is_regular_file(Numbered(0)));
}

TEST_F(ScriptFilePathsTest, NoFileAndNoSeedFails) {
    EXPECT_EQ(ChooseScriptPath(), std::nullopt);
    ScriptTable table;
    EXPECT_FALSE(table.LoadScripts(true));
    EXPECT_FALSE(table.LoadScripts(false));
    EXPECT_FALSE(fs::exists(Numbered(0)));
    // A folder in the seed's place is no seed.
    fs::create_directories(Seed());
    EXPECT_EQ(ChooseScriptPath(), std::nullopt);
}

TEST_F(ScriptFilePathsTest, UnwritableDataFolderFails) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "permissions do not bind root";
    }
    WriteScriptFile(Seed(), "SITE \"seed\"\r\n");
    fs::permissions(home_.DataHome(), fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(ChooseScriptPath(), std::nullopt);
    fs::permissions(home_.DataHome(), fs::perms::owner_all);
}

TEST_F(ScriptFilePathsTest, DataFolderInPlaceOfAFileFails) {
    fs::remove_all(home_.DataFolder());
    WriteFileBytes(home_.DataFolder(), "a file where the folder should be");
    WriteScriptFile(Seed(), "SITE \"seed\"\r\n");
    EXPECT_EQ(ChooseScriptPath(), std::nullopt);
}

}  // namespace
}  // namespace talvex::test
