// A script file that cannot be used at start: the program says which file and why, loads the
// newest file it can use instead (an older numbered one, else its own seed), and still asks for
// an update.
#include <gtest/gtest.h>

#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "ScriptFileFixtures.h"
#include "engine/Engine.h"
#include "scripts/ScriptFilePaths.h"
#include "scripts/ScriptInstaller.h"
#include "scripts/ScriptLoader.h"
#include "scripts/ScriptTable.h"
#include "unit/download/RecordingSink.h"

namespace talvex::test {
namespace {

namespace fs = std::filesystem;

std::string Block(const std::string& key) {
    return "SITE \"" + key + "\"\r\nBEGIN\r\nVAR x = \"1\";\r\nEND;\r\n";
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// One enciphered block changed in the middle of the file: it deciphers to other bytes, so the
// digest no longer matches, as after a damaged download or a bad disk.
void Damage(const fs::path& file) {
    std::string bytes = ReadFileBytes(file);
    ASSERT_GT(bytes.size(), 48u);
    bytes[40] = static_cast<char>(bytes[40] ^ 0x5a);
    WriteFileBytes(file, bytes);
}

class ScriptFileFallback : public ::testing::Test {
protected:
    fs::path Numbered(int n) const {
        return home_.DataFolder() / ("scripts" + std::to_string(n) + ".qrs");
    }
    fs::path Seed() const { return resources_.Path() / kSeedScriptFileName; }

    TestHome home_;
    TempDir resources_;
    ScopedEnv resourceEnv_{"TALVEX_RESOURCE_DIR", resources_.Path().string()};
    ScriptTable table_;
};

TEST_F(ScriptFileFallback, DamagedNewestFileGivesWayToTheNewestGoodOneUntilAnUpdateReplacesIt) {
    WriteScriptFile(Numbered(0), Block("zero"), "0.9");
    WriteScriptFile(Numbered(1), Block("one"), "1.0");
    WriteScriptFile(Numbered(2), Block("two"), "1.1");
    Damage(Numbered(2));
    WriteScriptFile(Seed(), Block("seed"), "0.1");

    // False all the same: the caller asks for a new file.
    EXPECT_FALSE(table_.LoadScripts(true));
    EXPECT_EQ(table_.Keys(), std::vector<std::wstring>{L"one"});
    EXPECT_EQ(table_.ScriptVersion(), L"1.0");
    const std::vector<std::string> report = table_.LoadReport();
    ASSERT_EQ(report.size(), 2u);
    EXPECT_EQ(report[0], "the script file " + Numbered(2).string() +
                             " cannot be used: its check sum does not match (the file is "
                             "damaged, or it cannot be deciphered as a script file)");
    EXPECT_EQ(report[1], "using " + Numbered(1).string() +
                             " (version 1.0) until a new script file is "
                             "installed");
    // The damaged file stays where it is: the update takes its name.
    EXPECT_TRUE(fs::exists(Numbered(2)));
    const fs::path download = home_.DataFolder() / "scripts2.1.2";
    WriteScriptFile(download, Block("update"), "1.2");
    table_.ClearScripts();
    const ScriptInstallOutcome installed = InstallScriptFile(download, table_);
    EXPECT_EQ(installed.result, ScriptInstallResult::kReplaced);
    EXPECT_TRUE(VerifyScriptFile(Numbered(2)));
    ScriptTable restarted;
    EXPECT_TRUE(restarted.LoadScripts(true));
    EXPECT_EQ(restarted.Keys(), std::vector<std::wstring>{L"update"});
    EXPECT_TRUE(restarted.LoadReport().empty());
}

TEST_F(ScriptFileFallback, WithNoGoodNumberedFileTheSeedIsLoaded) {
    WriteScriptFile(Numbered(0), Block("zero"), "0.9");
    Damage(Numbered(0));
    WriteFileBytes(Numbered(1), "");
    WriteScriptFile(Seed(), Block("seed"), "0.5");

    EXPECT_FALSE(table_.LoadScripts(true));
    EXPECT_EQ(table_.Keys(), std::vector<std::wstring>{L"seed"});
    const std::vector<std::string> report = table_.LoadReport();
    ASSERT_EQ(report.size(), 3u);
    EXPECT_EQ(report[0],
              "the script file " + Numbered(1).string() + " cannot be used: it is empty");
    EXPECT_TRUE(Contains(report[1], Numbered(0).string() + " cannot be used: its check sum"))
        << report[1];
    EXPECT_EQ(report[2], "using " + Seed().string() + " (version 0.5) until a new script file " +
                             "is installed");
}

TEST_F(ScriptFileFallback, NothingUsableLeavesNoSiteAndSaysSo) {
    WriteScriptFile(Numbered(0), Block("zero"));
    Damage(Numbered(0));
    EXPECT_FALSE(table_.LoadScripts(true));
    EXPECT_EQ(table_.Size(), 0u);
    const std::vector<std::string> report = table_.LoadReport();
    ASSERT_EQ(report.size(), 2u);
    EXPECT_TRUE(Contains(report[0], Numbered(0).string())) << report[0];
    EXPECT_EQ(report[1],
              "none of the script files can be used: no site is supported until a new script "
              "file is installed");

    // No data folder file and no seed at all.
    fs::remove(Numbered(0));
    ScriptTable empty;
    EXPECT_FALSE(empty.LoadScripts(true));
    ASSERT_EQ(empty.LoadReport().size(), 2u);
    EXPECT_EQ(empty.LoadReport()[0], "no script file: the data folder " +
                                         home_.DataFolder().string() +
                                         " holds none, and the program's own copy " +
                                         Seed().string() + " is missing or cannot be copied there");
}

TEST_F(ScriptFileFallback, EachReasonANamedFileCannotBeUsedIsTold) {
    struct Case {
        std::string name;
        std::function<void(const fs::path&)> make;
        std::string reason;
    };
    const std::vector<Case> cases = {
        {"missing.qrs", [](const fs::path&) {}, "it does not exist"},
        {"folder.qrs", [](const fs::path& p) { fs::create_directories(p); },
         "it is not a regular file"},
        {"huge.qrs",
         [](const fs::path& p) {
             WriteFileBytes(p, "x");
             fs::resize_file(p, QRV::Encryption::kMaxFileSize + 1);
         },
         "it is too large to be a script file"},
        {"empty.qrs", [](const fs::path& p) { WriteFileBytes(p, ""); }, "it is empty"},
        {"plain.qrs", [](const fs::path& p) { WriteFileBytes(p, PlainScriptText(Block("plain"))); },
         "its check sum does not match (the file is damaged, or it cannot be deciphered as a "
         "script file)"},
        {"noversion.qrs",
         [](const fs::path& p) {
             WriteFileBytes(p, Enciphered("0123456789abcdef0123456789abcdef\r\nVERSION 1\r\n"));
         },
         "it has no version line (SCRIPTVER) after its check sum"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path file = resources_.Path() / c.name;
        c.make(file);
        // The digest check is off for the last case: the version line is what it lacks.
        EXPECT_FALSE(table_.LoadScriptsFrom(file, c.name != "noversion.qrs"));
        EXPECT_EQ(table_.LoadReport(), std::vector<std::string>{"the script file " + file.string() +
                                                                " cannot be used: " + c.reason});
    }
    if (::geteuid() != 0) {
        const fs::path locked = resources_.Path() / "locked.qrs";
        WriteScriptFile(locked, Block("locked"));
        fs::permissions(locked, fs::perms::none);
        EXPECT_FALSE(table_.LoadScriptsFrom(locked, true));
        EXPECT_EQ(table_.LoadReport(),
                  std::vector<std::string>{"the script file " + locked.string() +
                                           " cannot be used: it cannot be read"});
    }
    // A good file clears the report.
    const fs::path good = resources_.Path() / "good.qrs";
    WriteScriptFile(good, Block("good"));
    EXPECT_TRUE(table_.LoadScriptsFrom(good, true));
    EXPECT_TRUE(table_.LoadReport().empty());
}

TEST_F(ScriptFileFallback, EngineStartsWithTheOlderFileAndStillAsksForAnUpdate) {
    WriteScriptFile(Numbered(0), Block("older.example"), "1.0");
    WriteScriptFile(Numbered(1), Block("newer.example"), "1.1");
    Damage(Numbered(1));
    RecordingSink window;
    Engine engine;
    engine.Init(&window);
    const auto messages = window.Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].message, kMsgRunUpdateCheck);
    std::vector<std::wstring> urls = {L"http://older.example/v", L"http://newer.example/v"};
    EXPECT_TRUE(engine.FilterUnsupportedSites(urls));
    EXPECT_EQ(urls, std::vector<std::wstring>{L"http://older.example/v"});
}

}  // namespace
}  // namespace talvex::test
