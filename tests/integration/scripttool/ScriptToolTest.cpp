#include <algorithm>
// Runs the built talvex-scripts as a process: pack, verify and unpack, and the file it packs
// loads in the program.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scripts/ScriptTable.h"
#include "support/TestHome.h"

extern char** environ;

namespace talvex::test {
namespace {

namespace fs = std::filesystem;

struct RunResult {
    int exitCode = -1;
    std::string out;
};

RunResult RunTool(const std::vector<std::string>& args) {
    const std::string tool = std::string(TALVEX_BINARY_DIR) + "/bin/talvex-scripts";
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(tool.c_str()));
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);

    RunResult result;
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        return result;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, tool.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (spawned == 0) {
        char buffer[4096];
        ssize_t n;
        while ((n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0) {
            result.out.append(buffer, static_cast<size_t>(n));
        }
        int status = 0;
        if (::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
            result.exitCode = WEXITSTATUS(status);
        }
    }
    ::close(pipeFds[0]);
    return result;
}

class ScriptToolTest : public ::testing::Test {
protected:
    fs::path Source(const std::string& name, const std::string& text) {
        const fs::path path = dir_.Path() / name;
        WriteFileBytes(path, text);
        return path;
    }
    TempDir dir_;
    fs::path packed_ = dir_.Path() / "scripts.qrs";
};

TEST_F(ScriptToolTest, PackVerifyUnpackRoundTrip) {
    // Mixed line ends, a byte order mark, a last line without its line end.
    const fs::path a =
        Source("a.txt", "\xEF\xBB\xBFSITE \"a.example\"\nBEGIN\nVAR X=\"\xC3\xA9\";\nEND;\n");
    const fs::path b = Source("b.txt", "SITE \"b.example\"\r\nBEGIN\r\nVIDURL=X;\rEND;");
    ASSERT_EQ(RunTool({"pack", "--version", "1.0", "-o", packed_.string(), a.string(), b.string()})
                  .exitCode,
              0);
    EXPECT_EQ(RunTool({"verify", packed_.string()}).exitCode, 0);

    const RunResult unpacked = RunTool({"unpack", packed_.string()});
    ASSERT_EQ(unpacked.exitCode, 0);
    const std::string covered =
        "SCRIPTVER =1.0;\r\n"
        "SITE \"a.example\"\r\nBEGIN\r\nVAR X=\"\xC3\xA9\";\r\nEND;\r\n"
        "SITE \"b.example\"\r\nBEGIN\r\nVIDURL=X;\r\nEND;\r\n";
    ASSERT_EQ(unpacked.out.size(), 34 + covered.size());
    EXPECT_EQ(unpacked.out.substr(34), covered);
    EXPECT_EQ(unpacked.out.substr(32, 2), "\r\n");
    EXPECT_EQ(unpacked.out.find_first_not_of("0123456789abcdef"), 32u);

    ScriptTable table;
    ASSERT_TRUE(table.LoadScriptsFrom(packed_, true));
    EXPECT_EQ(table.ScriptVersion(), L"1.0");
    auto script = table.GetScript(L"http://b.example/v");
    ASSERT_TRUE(script);
    EXPECT_EQ(script->lines, std::vector<std::wstring>{L"VIDURL=X;"});
    EXPECT_EQ(table.GetScript(L"a.example")->lines,
              std::vector<std::wstring>{L"VAR X=\"\u00E9\";"});
}

TEST_F(ScriptToolTest, CorruptedFileFailsVerify) {
    const fs::path a = Source("a.txt", "SITE \"a\"\r\nBEGIN\r\nVAR X=\"1\";\r\nEND;\r\n");
    ASSERT_EQ(RunTool({"pack", "--version", "2.5", "-o", packed_.string(), a.string()}).exitCode,
              0);
    std::string bytes = ReadFileBytes(packed_);
    ASSERT_EQ(bytes.size() % 8, 0u);
    bytes[bytes.size() - 9] ^= 0x40;
    WriteFileBytes(packed_, bytes);
    EXPECT_EQ(RunTool({"verify", packed_.string()}).exitCode, 1);
    EXPECT_EQ(RunTool({"verify", (dir_.Path() / "missing.qrs").string()}).exitCode, 1);
    EXPECT_EQ(RunTool({"unpack", (dir_.Path() / "missing.qrs").string()}).exitCode, 1);
}

TEST_F(ScriptToolTest, BadArgumentsWriteNothing) {
    const fs::path a = Source("a.txt", "SITE \"a\"\r\n");
    const std::string out = packed_.string();
    EXPECT_EQ(RunTool({}).exitCode, 2);
    EXPECT_EQ(RunTool({"pack", "-o", out, a.string()}).exitCode, 2);
    EXPECT_EQ(RunTool({"pack", "--version", "1.0", a.string()}).exitCode, 2);
    EXPECT_EQ(RunTool({"pack", "--version", "1.0", "-o", out}).exitCode, 2);
    EXPECT_EQ(RunTool({"pack", "--version", "1;0", "-o", out, a.string()}).exitCode, 2);
    EXPECT_EQ(RunTool({"pack", "--version", "1.0", "--level", "3", "-o", out, a.string()}).exitCode,
              2);
    EXPECT_EQ(
        RunTool({"pack", "--version", "1.0", "-o", out, (dir_.Path() / "none").string()}).exitCode,
        1);
    EXPECT_EQ(RunTool({"pack", "--version", "1.0", "-o", out,
                       Source("zero.txt", std::string("SITE \"a\0\"\r\n", 11)).string()})
                  .exitCode,
              1);
    EXPECT_EQ(RunTool({"frobnicate", out}).exitCode, 2);
    EXPECT_FALSE(fs::exists(packed_));
    // Nothing but the sources is left in the folder: no temporary file either.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_.Path()), fs::directory_iterator()), 2);
}

// The site script sources shipped with the program pack into a file the program loads.
TEST_F(ScriptToolTest, ShippedSourcesPackAndLoad) {
    std::vector<std::string> args = {"pack", "--version", "1.0", "-o", packed_.string()};
    const fs::path sources = fs::path(TALVEX_SOURCE_DIR) / "data" / "sitescripts";
    for (const auto& entry : fs::directory_iterator(sources)) {
        args.push_back(entry.path().string());
    }
    ASSERT_GT(args.size(), 5u);
    ASSERT_EQ(RunTool(args).exitCode, 0);
    ScriptTable table;
    ASSERT_TRUE(table.LoadScriptsFrom(packed_, true));
    auto script = table.GetScript(L"http://youtu.be/abcdefghijk");
    ASSERT_TRUE(script);
    // The short-link script hands its page over to the main site's script.
    EXPECT_NE(std::find_if(script->lines.begin(), script->lines.end(),
                           [](const std::wstring& line) {
                               return line.rfind(L"CALLSCRIPT(\"youtube.com\"", 0) == 0;
                           }),
              script->lines.end());
    EXPECT_TRUE(table.GetScript(L"http://www.youtube.com/watch?v=abcdefghijk"));
}

}  // namespace
}  // namespace talvex::test
