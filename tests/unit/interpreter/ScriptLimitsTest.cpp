// What no script file can make a run do: call blocks inside one another without end, rewrite
// huge texts for hours, keep a worker past a stop, or spend hours on the title at its end.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "net/NetworkState.h"
#include "scripts/LoginService.h"
#include "unit/interpreter/InterpreterFixture.h"

namespace talvex {
namespace {

using test::ScriptBook;
using Clock = std::chrono::steady_clock;

// Lines that double X, starting from start, the given number of times.
std::vector<std::wstring> DoubleX(const std::wstring& start, int times) {
    return {L"VAR X = \"" + start + L"\";",
            L"VAR N = \"\";",
            L"VAR ONE = \"1\";",
            L"VAR TIMES = \"" + std::wstring(times, L'1') + L"\";",
            L"MARK grow:",
            L"VAR X = ADDSTR(X, X);",
            L"VAR N = ADDSTR(N, ONE);",
            L"IF N != TIMES THEN",
            L"GOTO grow;",
            L"ENDIF;"};
}

std::vector<std::wstring> Joined(std::vector<std::wstring> lines,
                                 const std::vector<std::wstring>& more) {
    lines.insert(lines.end(), more.begin(), more.end());
    return lines;
}

class ScriptLimitsTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Nothing here reaches the network: the end-of-run extension probe fails at once.
        SetConnectionState(ConnectionState::kOffline);
        parser.SetLoginPrompt(&prompt);
        target.pageUrl = L"http://limits.test/watch";
    }
    void TearDown() override { SetConnectionState(ConnectionState::kConnected); }

    void Load(const ScriptBook& book) { ASSERT_TRUE(test::LoadBook(parser, book, home.Root())); }

    // Runs the block for target with its own run, so that the test can look at how it ended.
    ScriptRunEnd RunWith(const ScriptLimits& limits, ScriptRun** seen = nullptr) {
        run_ = std::make_unique<ScriptRun>(limits);
        run_->variables.Set(L"ORGURL", target.pageUrl);
        auto script = parser.GetScript(target.pageUrl);
        EXPECT_TRUE(script);
        if (script) {
            parser.Execute2(*script, target, *run_, false);
        }
        if (seen != nullptr) {
            *seen = run_.get();
        }
        return run_->ended;
    }

    test::TestHome home;
    StringTable strings;
    SiteParser parser{&strings};
    test::FakeLoginPrompt prompt;
    ScriptTargetRecord target;
    std::unique_ptr<ScriptRun> run_;
};

TEST_F(ScriptLimitsTest, LoginBlockThatAsksForTheLoginAgainEndsAtTheNestingLimit) {
    // The second block is filed under the login key (its inner SITE line) but keeps the site's
    // key, so REQUESTLOGIN works inside it: once a login is remembered it runs itself again
    // and again without asking anybody.
    ScriptBook book;
    book.Site(L"youtube.com",
              {L"REQUESTLOGIN(user, pwd, remembered);", L"VAR u = \"rtmp://m/v\";", L"VIDURL = u;"})
        .Site(L"youtube.com",
              {L"SITE \"youtubelogin\"", L"VAR ONE = \"1\";", L"VAR DEPTH = ADDSTR(DEPTH, ONE);",
               L"REQUESTLOGIN(user, pwd, remembered);"});
    Load(book);
    {
        std::lock_guard lock(parser.Login().Lock());
        LoginMemory& memory = parser.Login().Memory(kLoginServiceYouTube);
        memory.userName = L"alice";
        memory.password = L"secret";
        memory.loginSucceeded = true;
    }
    target.pageUrl = L"http://www.youtube.com/watch?v=1";
    ASSERT_EQ(parser.GetScript(L"youtubelogin")->siteKey, L"youtube.com");

    ASSERT_EQ(ScriptLimits().nesting, 16);
    ScriptRun* run = nullptr;
    EXPECT_EQ(RunWith(ScriptLimits(), &run), ScriptRunEnd::kNesting);
    // The site's block and fifteen login blocks inside it; the sixteenth is refused.
    EXPECT_EQ(run->variables.Get(L"DEPTH"), std::wstring(15, L'1'));
    EXPECT_EQ(run->depth, 0);
    EXPECT_EQ(target.errorText, std::wstring(SiteParser::kNestingErrorText));
    EXPECT_TRUE(prompt.Calls().empty());

    // The same through Execute1, with the text from the language file; and the login lock is
    // free again for a run on another thread.
    test::LoadStrings(strings, home.Root(), {"msg.err.script.too.deep=Too deep"});
    bool result = true;
    std::thread([&] { result = parser.Execute1(target); }).join();
    EXPECT_FALSE(result);
    EXPECT_EQ(target.errorText, L"Too deep");
}

TEST_F(ScriptLimitsTest, RewritingHugeTextsEndsAtTheCharacterLimit) {
    // X grows to 1 Mi characters, then every round rewrites it whole: far more than a site
    // script ever needs, long before the statement limit.
    ScriptBook book;
    book.Site(L"limits.test",
              Joined(DoubleX(L"xxxxxxxx", 17), {L"MARK again:", L"VAR X = REPLACE(X, X, X);",
                                                L"VAR Y = ADDSTR(X, X);", L"GOTO again;"}));
    Load(book);
    ScriptLimits limits;
    limits.statements = 3000;
    limits.characters = 64u << 20;
    ScriptRun* run = nullptr;
    EXPECT_EQ(RunWith(limits, &run), ScriptRunEnd::kCharacters);
    EXPECT_EQ(run->variables.Get(L"X").size(), 1u << 20);
    // About seven rounds of nine Mi characters each, not a thousand rounds.
    EXPECT_GT(run->statementsLeft, 2800u);
    EXPECT_EQ(target.errorText, std::wstring(SiteParser::kCharactersErrorText));

    // A decoder that would go over a text once per character code is refused before it starts.
    ScriptBook decoder;
    decoder.Site(L"limits.test", Joined(DoubleX(L"\\x\\x\\x\\x", 16), {L"VAR Y = JSDCD(X);"}));
    Load(decoder);
    EXPECT_EQ(RunWith(limits, &run), ScriptRunEnd::kCharacters);
    EXPECT_FALSE(run->variables.Contains(L"Y"));
}

TEST_F(ScriptLimitsTest, SearchLoopEndsAtTheTimeLimit) {
    // Searching a long text for what it does not hold produces nothing, so only the clock
    // stops the loop before its statement limit (here one it reaches after seconds).
    ScriptBook book;
    book.Site(L"limits.test", Joined(DoubleX(L"abcdefgh", 19),
                                     {L"VAR MISSING = \"z\";", L"VAR ZERO = \"0\";", L"MARK again:",
                                      L"VAR AT = FINDSTR(X, MISSING, ZERO);", L"GOTO again;"}));
    Load(book);
    ScriptLimits limits;
    limits.statements = 20'000;
    limits.busyTime = std::chrono::milliseconds(300);
    const auto started = Clock::now();
    ScriptRun* run = nullptr;
    EXPECT_EQ(RunWith(limits, &run), ScriptRunEnd::kBusyTime);
    EXPECT_LT(Clock::now() - started, std::chrono::seconds(5));
    EXPECT_EQ(run->variables.Get(L"AT"), L"-1");
    EXPECT_EQ(target.errorText, std::wstring(SiteParser::kBudgetErrorText));
}

TEST_F(ScriptLimitsTest, TimeTheUserTakesToAnswerTheLoginIsNotTheScripts) {
    ScriptBook book;
    book.Site(L"youtube.com", {L"REQUESTLOGIN(user, pwd, remembered);", L"VIDURL = pwd;"})
        .Site(L"youtubelogin", {L"VAR fine = \"yes\";"});
    Load(book);
    prompt.holdMilliseconds = 1200;
    ScriptLimits limits;
    limits.busyTime = std::chrono::milliseconds(500);
    parser.SetLimits(limits);
    target.pageUrl = L"http://www.youtube.com/watch?v=1";
    EXPECT_TRUE(parser.Execute1(target)) << target.errorText;
    EXPECT_EQ(target.mediaUrl, L"secret");
    EXPECT_EQ(prompt.Calls().size(), 1u);
}

TEST_F(ScriptLimitsTest, StopFromAnotherThreadEndsABusyLoopAtOnce) {
    ScriptBook book;
    book.Site(L"limits.test",
              {L"VAR a = \"a\";", L"MARK again:", L"VAR b = ADDSTR(a, a);", L"GOTO again;"});
    Load(book);
    // Limits far away: only the stop can end the loop in time.
    ScriptLimits limits;
    limits.statements = 1'000'000'000;
    limits.busyTime = std::chrono::seconds(20);
    parser.SetLimits(limits);
    std::atomic<bool> stop{false};
    target.stopFlag = &stop;
    target.errorText = L"left from an earlier run";
    auto running = std::async(std::launch::async, [&] { return parser.Execute1(target); });
    ASSERT_EQ(running.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);
    const auto stopped = Clock::now();
    stop.store(true);
    ASSERT_EQ(running.wait_for(std::chrono::seconds(25)), std::future_status::ready);
    EXPECT_LT(Clock::now() - stopped, std::chrono::seconds(1));
    EXPECT_FALSE(running.get());
    // Stopped is no failure: no error text.
    EXPECT_EQ(target.errorText, L"");
}

TEST_F(ScriptLimitsTest, HugeTitleIsReadOnlyAsFarAsTheFileNameNeeds) {
    // A megabyte of direction marks, each of which the file-name rules shorten one at a time.
    ScriptBook book;
    book.Site(L"limits.test",
              Joined(DoubleX(L"&#x200e;", 17),
                     {L"VIDNAME = X;", L"VAR u = \"rtmp://m/v\";", L"VIDURL = u;"}));
    Load(book);
    auto running = std::async(std::launch::async, [&] { return parser.Execute1(target); });
    const bool ended = running.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
    EXPECT_TRUE(ended) << "the end of the run went over the whole title";
    EXPECT_TRUE(running.get());
    EXPECT_EQ(target.title, std::wstring(235, L'_'));
}

}  // namespace
}  // namespace talvex
