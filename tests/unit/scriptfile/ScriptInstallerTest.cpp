#include "scripts/ScriptInstaller.h"

#include <gtest/gtest.h>

#include "ScriptFileFixtures.h"
#include "scripts/Md5.h"

namespace talvex::test {
namespace {

namespace fs = std::filesystem;

class ScriptInstallerTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteScriptFile(Numbered(0), "SITE \"old\"\r\nBEGIN\r\nOLD\r\nEND;\r\n", "1.0");
        ASSERT_TRUE(table_.LoadScripts(true));
        WriteScriptFile(download_, "SITE \"new\"\r\nBEGIN\r\nNEW\r\nEND;\r\n", "2.16");
    }
    fs::path Numbered(int n) const {
        return home_.DataFolder() / ("scripts" + std::to_string(n) + ".qrs");
    }

    TestHome home_;
    TempDir resources_;
    ScopedEnv resourceEnv_{"TALVEX_RESOURCE_DIR", resources_.Path().string()};
    ScriptTable table_;
    fs::path download_ = home_.DataFolder() / "scripts0.2.16";
};

TEST_F(ScriptInstallerTest, VerifiedFileReplacesTheCurrentOneAndIsLoaded) {
    auto running = table_.GetScript(L"old");
    const ScriptInstallOutcome outcome = InstallScriptFile(download_, table_);
    EXPECT_EQ(outcome.result, ScriptInstallResult::kReplaced);
    EXPECT_TRUE(outcome.reloaded);
    EXPECT_FALSE(fs::exists(download_));
    EXPECT_FALSE(fs::exists(Numbered(1)));
    EXPECT_TRUE(VerifyScriptFile(Numbered(0)));
    EXPECT_EQ(table_.ScriptVersion(), L"2.16");
    EXPECT_EQ(table_.Keys(), std::vector<std::wstring>{L"new"});
    // A run that held the old script still has it.
    ASSERT_TRUE(running);
    EXPECT_EQ(running->lines, std::vector<std::wstring>{L"OLD"});
}

TEST_F(ScriptInstallerTest, FileThatFailsVerificationIsDeleted) {
    std::string bytes = ReadFileBytes(download_);
    bytes[bytes.size() / 2] ^= 1;
    WriteFileBytes(download_, bytes);
    const ScriptInstallOutcome outcome = InstallScriptFile(download_, table_);
    EXPECT_EQ(outcome.result, ScriptInstallResult::kRejected);
    EXPECT_FALSE(outcome.reloaded);
    EXPECT_FALSE(fs::exists(download_));
    EXPECT_EQ(table_.ScriptVersion(), L"1.0");
    EXPECT_NE(table_.GetScript(L"old"), nullptr);
}

TEST_F(ScriptInstallerTest, CurrentNameThatCannotBeReplacedGivesTheNextNumber) {
    // A folder under the name of the newest file cannot be renamed over; the scan still counts
    // it, so the new file goes to the first free number and becomes the one loaded.
    WriteScriptFile(Numbered(1), "SITE \"one\"\r\n");
    fs::remove(Numbered(1));
    fs::create_directories(Numbered(1) / "occupied");
    const ScriptInstallOutcome outcome = InstallScriptFile(download_, table_);
    EXPECT_EQ(outcome.result, ScriptInstallResult::kAddedAsNext);
    EXPECT_TRUE(outcome.reloaded);
    EXPECT_TRUE(fs::is_directory(Numbered(1)));
    EXPECT_TRUE(VerifyScriptFile(Numbered(2)));
    EXPECT_EQ(table_.ScriptVersion(), L"2.16");
    EXPECT_EQ(table_.Keys(), std::vector<std::wstring>{L"new"});
}

TEST_F(ScriptInstallerTest, ReloadFailureLeavesAnEmptyTable) {
    // Verified, but its version line is missing: it installs, and the reload finds nothing.
    const std::string covered = "NOT A VERSION LINE\r\n";
    WriteFileBytes(download_, Enciphered(Md5Hex(covered).value() + "\r\n" + covered));
    const ScriptInstallOutcome outcome = InstallScriptFile(download_, table_);
    EXPECT_EQ(outcome.result, ScriptInstallResult::kReplaced);
    EXPECT_FALSE(outcome.reloaded);
    EXPECT_EQ(table_.Size(), 0u);
}

}  // namespace
}  // namespace talvex::test
