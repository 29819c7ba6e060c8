// talvex-cli with script files of its own in the data folder: Ctrl-C ends a download whose
// script is busy or whose page stalls at once, and a script file that cannot be used is named
// with the reason while an older one takes its place.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <string>
#include <thread>
#include <vector>

#include "integration/cli/CliProcess.h"
#include "integration/net/NetTestSupport.h"
#include "support/FaultServer.h"
#include "unit/interpreter/InterpreterFixture.h"

namespace talvex::test {
namespace {

using Clock = std::chrono::steady_clock;

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

void WriteScripts(const std::filesystem::path& file, const ScriptBook& book,
                  const std::string& version) {
    WriteFileBytes(file, QRV::Encryption().Encipher(*ComposeScriptText(version, book.Body())));
}

class CliScriptStop : public ::testing::Test {
protected:
    void SetUp() override {
        ScriptBook book;
        // Searches a 4 Mi text for what it does not hold, without end: within every limit but
        // the time limit, which is half a minute.
        book.Site(L"/loop.test/",
                  {L"VAR X = \"abcdefgh\";", L"VAR N = \"\";", L"VAR ONE = \"1\";",
                   L"VAR TIMES = \"1111111111111111111\";", L"MARK grow:", L"VAR X = ADDSTR(X, X);",
                   L"VAR N = ADDSTR(N, ONE);", L"IF N != TIMES THEN", L"GOTO grow;", L"ENDIF;",
                   L"VAR MISSING = \"z\";", L"VAR ZERO = \"0\";", L"MARK again:",
                   L"VAR AT = FINDSTR(X, MISSING, ZERO);", L"GOTO again;"});
        book.Site(L"/stall.test/", {L"VAR PAGE = GETHTML(ORGURL);", L"VIDURL = PAGE;"});
        WriteScripts(home_.DataFolder() / "scripts0.qrs", book, "1.0");
    }

    // Starts a download of url, interrupts it once ready() holds, and returns how long the
    // program took to end after the interrupt.
    template <class Ready>
    Clock::duration InterruptDownload(const std::string& url, Ready ready, CliResult& result) {
        CliProcess cli;
        EXPECT_TRUE(cli.Start({"download", "-o", folder_.Path().string(), url}));
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        while (!ready() && Clock::now() < deadline) {
            cli.WaitForError([](const std::string&) { return false; }, 50);
        }
        EXPECT_TRUE(ready());
        EXPECT_TRUE(cli.Signal(SIGINT));
        const auto interrupted = Clock::now();
        result = cli.Finish(60);
        return Clock::now() - interrupted;
    }

    NoProxyEnv noProxy_;
    TestHome home_;
    TempDir folder_;
};

TEST_F(CliScriptStop, InterruptEndsABusyScriptAtOnce) {
    const auto started = Clock::now();
    CliResult result;
    const auto took = InterruptDownload(
        "http://127.0.0.1:9/loop.test/watch",
        [&] { return Clock::now() - started > std::chrono::milliseconds(1500); }, result);
    EXPECT_EQ(result.exitCode, 130) << result.out << result.err;
    EXPECT_LT(took, std::chrono::milliseconds(2500));
    EXPECT_TRUE(Contains(result.out, "Canceled: ")) << result.out;
    EXPECT_FALSE(Contains(result.out, "Failed: ")) << result.out;
    EXPECT_TRUE(FilesIn(folder_.Path()).empty());
}

TEST_F(CliScriptStop, InterruptAbandonsAStalledPageFetch) {
    FaultServer server(FaultServer::NeverAnswers());
    ASSERT_TRUE(server.IsListening());
    CliResult result;
    const auto took = InterruptDownload(
        server.Url("/stall.test/watch"), [&] { return !server.Requests().empty(); }, result);
    server.Stop();
    EXPECT_EQ(result.exitCode, 130) << result.out << result.err;
    EXPECT_LT(took, std::chrono::milliseconds(2500));
    EXPECT_TRUE(Contains(result.out, "Canceled: ")) << result.out;
    EXPECT_FALSE(Contains(result.out, "Failed: ")) << result.out;
}

TEST_F(CliScriptStop, DamagedNewestScriptFileIsNamedAndTheOlderOneServes) {
    ScriptBook newer;
    newer.Site(L"newer.example", {L"VAR x = \"1\";"});
    const std::filesystem::path damaged = home_.DataFolder() / "scripts1.qrs";
    WriteScripts(damaged, newer, "1.1");
    std::string bytes = ReadFileBytes(damaged);
    bytes[40] = static_cast<char>(bytes[40] ^ 0x5a);
    WriteFileBytes(damaged, bytes);

    const CliResult result = RunCli({"sites"}, 60);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(Contains(result.err, "the script file " + damaged.string() +
                                         " cannot be used: its check sum does not match"))
        << result.err;
    EXPECT_TRUE(Contains(
        result.err, "using " + (home_.DataFolder() / "scripts0.qrs").string() + " (version 1.0)"))
        << result.err;
    EXPECT_TRUE(Contains(result.out, "/loop.test/")) << result.out;
    EXPECT_FALSE(Contains(result.out, "newer.example")) << result.out;
}

}  // namespace
}  // namespace talvex::test
