// talvex-cli's answers that need no site: usage errors, version, help, the script file's sites.
#include <gtest/gtest.h>

#include "integration/cli/CliProcess.h"
#include "support/TestHome.h"

namespace talvex::test {
namespace {

TEST(CliUsage, UsageErrorsExitWithTwoAndExplain) {
    TestHome home;
    TempDir folder;
    const std::vector<std::vector<std::string>> cases = {
        {"download", "--bogus", "http://www.youtube.com/watch?v=aHDtour2011"},
        {"download", "-q", "4k", "http://www.youtube.com/watch?v=aHDtour2011"},
        {"download", "-o", folder.Path().string()},
        {"download", "-o", (folder.Path() / "missing").string(),
         "http://www.youtube.com/watch?v=aHDtour2011"},
        {"convert", "clip.mp4"},
        {"nonsense"},
        {},
    };
    for (const auto& args : cases) {
        const CliResult result = RunCli(args, 30);
        std::string shown;
        for (const auto& a : args) {
            shown += " " + a;
        }
        EXPECT_EQ(result.exitCode, 2) << shown << "\n" << result.err;
        EXPECT_NE(result.err.find("talvex-cli: "), std::string::npos) << shown;
        EXPECT_EQ(result.out, "") << shown;
    }
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / "missing"));
}

TEST(CliUsage, VersionHelpAndSitesAnswerOnStandardOutput) {
    TestHome home;
    CliResult result = RunCli({"--version"}, 30);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out.rfind("talvex-cli ", 0), 0u);

    result = RunCli({"--help"}, 30);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.out.find("--playlists all|single|skip"), std::string::npos);

    result = RunCli({"sites"}, 30);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto lines = Lines(result.out);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_FALSE(lines[0].empty());  // the script file's version
    for (const char* key : {"youtube.com", "youtu.be", "facebook.com"}) {
        EXPECT_NE(std::find(lines.begin() + 1, lines.end(), key), lines.end()) << key;
    }
}

}  // namespace
}  // namespace talvex::test
