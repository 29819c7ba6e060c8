#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "net/NetworkState.h"
#include "unit/interpreter/InterpreterFixture.h"

namespace talvex {
namespace {

using test::ScriptBook;

// The site script shows what REQUESTLOGIN left in its three variables as its media address:
// "remembered|user|password".
std::vector<std::wstring> ShowLoginVariables() {
    return {L"REQUESTLOGIN(user, pwd, remembered);",
            L"VAR sep = \"|\";",
            L"VAR r = ADDSTR(remembered, sep);",
            L"VAR r = ADDSTR(r, user);",
            L"VAR r = ADDSTR(r, sep);",
            L"VAR r = ADDSTR(r, pwd);",
            L"VIDURL = r;"};
}

// A login script that accepts the password "secret" only.
std::vector<std::wstring> CheckPassword() {
    return {L"VAR good = \"secret\";", L"IF pwd != good THEN", L"VAR ERRMSGID = \"msg.err.login\";",
            L"VAR ERRMSG = \"Login failed\";", L"ENDIF;"};
}

class Login : public ::testing::Test {
protected:
    void SetUp() override {
        SetConnectionState(ConnectionState::kOffline);
        parser.SetLoginPrompt(&prompt);
        target.pageUrl = L"http://www.youtube.com/watch?v=1";
        target.ownerWindow = &prompt;  // any distinct pointer
    }
    void TearDown() override { SetConnectionState(ConnectionState::kConnected); }

    void Load(ScriptBook& book) { ASSERT_TRUE(test::LoadBook(parser, book, home.Root())); }
    void LoadStandard() {
        ScriptBook book;
        book.Site(L"youtube.com", ShowLoginVariables())
            .Site(L"youtubelogin", CheckPassword())
            .Site(L"facebook.com", ShowLoginVariables())
            .Site(L"facebooklogin", CheckPassword())
            .Site(L"example.com", ShowLoginVariables());
        Load(book);
    }

    test::TestHome home;
    StringTable strings;
    SiteParser parser{&strings};
    test::FakeLoginPrompt prompt;
    ScriptTargetRecord target;
};

TEST_F(Login, FirstRequestAsksAndASuccessfulLoginIsReused) {
    LoadStandard();
    EXPECT_TRUE(parser.Execute1(target));
    EXPECT_EQ(target.mediaUrl, L"|alice|secret");
    ASSERT_EQ(prompt.Calls().size(), 1u);
    EXPECT_EQ(prompt.Calls()[0].service, kLoginServiceYouTube);
    EXPECT_EQ(prompt.Calls()[0].owner, &prompt);
    EXPECT_EQ(prompt.Calls()[0].initialUser, L"");
    EXPECT_EQ(prompt.Calls()[0].initialPassword, L"");

    EXPECT_TRUE(parser.Execute1(target));
    EXPECT_EQ(target.mediaUrl, L"TRUE|alice|secret");
    EXPECT_EQ(prompt.Calls().size(), 1u);
}

TEST_F(Login, FailedLoginAsksAgainNextTime) {
    LoadStandard();
    prompt.password = L"wrong";
    EXPECT_FALSE(parser.Execute1(target));
    EXPECT_EQ(target.errorText, L"Login failed");
    EXPECT_FALSE(parser.Execute1(target));
    EXPECT_EQ(prompt.Calls().size(), 2u);
    std::lock_guard lock(parser.Login().Lock());
    EXPECT_EQ(parser.Login().Memory(kLoginServiceYouTube).password, L"wrong");
    EXPECT_FALSE(parser.Login().Memory(kLoginServiceYouTube).loginSucceeded);
}

TEST_F(Login, CancelTouchesNeitherVariablesNorMemory) {
    LoadStandard();
    prompt.answer = kLoginPromptCancel;
    EXPECT_TRUE(parser.Execute1(target));
    EXPECT_EQ(target.mediaUrl, L"||");
    std::lock_guard lock(parser.Login().Lock());
    EXPECT_EQ(parser.Login().Memory(kLoginServiceYouTube).userName, L"");
    EXPECT_FALSE(parser.Login().Memory(kLoginServiceYouTube).loginSucceeded);
}

TEST_F(Login, WithoutAPromptNothingIsAsked) {
    LoadStandard();
    parser.SetLoginPrompt(nullptr);
    EXPECT_TRUE(parser.Execute1(target));
    EXPECT_EQ(target.mediaUrl, L"||");
}

TEST_F(Login, OtherSitesNeverAsk) {
    LoadStandard();
    target.pageUrl = L"http://example.com/v";
    EXPECT_TRUE(parser.Execute1(target));
    EXPECT_EQ(target.mediaUrl, L"||");
    EXPECT_TRUE(prompt.Calls().empty());
}

TEST_F(Login, FacebookHasItsOwnMemory) {
    LoadStandard();
    target.pageUrl = L"http://www.facebook.com/video/1";
    EXPECT_TRUE(parser.Execute1(target));
    ASSERT_EQ(prompt.Calls().size(), 1u);
    EXPECT_EQ(prompt.Calls()[0].service, kLoginServiceFacebook);
    EXPECT_TRUE(parser.Execute1(target));
    EXPECT_EQ(target.mediaUrl, L"TRUE|alice|secret");
    // YouTube still has to ask.
    target.pageUrl = L"http://www.youtube.com/watch?v=2";
    EXPECT_TRUE(parser.Execute1(target));
    EXPECT_EQ(target.mediaUrl, L"|alice|secret");
    EXPECT_EQ(prompt.Calls().size(), 2u);
}

TEST_F(Login, OnlyYouTubeLocalizesTheLoginScriptsMessage) {
    test::LoadStrings(strings, home.Root(), {"msg.err.login=Anmeldung fehlgeschlagen"});
    // After the login the site script clears ERRMSGID, so its error text is ERRMSG as it stands.
    std::vector<std::wstring> site = ShowLoginVariables();
    site.insert(site.begin() + 1, L"VAR ERRMSGID = ADDSTR(EMPTY, EMPTY);");
    ScriptBook book;
    book.Site(L"youtube.com", site)
        .Site(L"youtubelogin", CheckPassword())
        .Site(L"facebook.com", site)
        .Site(L"facebooklogin", CheckPassword());
    Load(book);
    prompt.password = L"wrong";
    EXPECT_FALSE(parser.Execute1(target));
    EXPECT_EQ(target.errorText, L"Anmeldung fehlgeschlagen");
    target.pageUrl = L"http://www.facebook.com/video/1";
    EXPECT_FALSE(parser.Execute1(target));
    EXPECT_EQ(target.errorText, L"Login failed");
}

TEST_F(Login, MissingLoginScriptIsAFailedLogin) {
    ScriptBook book;
    book.Site(L"youtube.com", ShowLoginVariables());
    Load(book);
    EXPECT_TRUE(parser.Execute1(target));
    EXPECT_TRUE(parser.Execute1(target));
    EXPECT_EQ(prompt.Calls().size(), 2u);
}

// The login script's run fails by its own rule (no media address) yet leaves no error text: a
// text left by an earlier run must not count against it.
TEST_F(Login, StaleErrorTextDoesNotFailAGoodLogin) {
    ScriptBook book;
    std::vector<std::wstring> site = {L"VAR u = \"media\";", L"VIDURL = u;"};
    for (const std::wstring& line : ShowLoginVariables()) {
        site.push_back(line);
    }
    book.Site(L"youtube.com", site).Site(L"youtubelogin", CheckPassword());
    Load(book);
    target.errorText = L"left over";
    EXPECT_TRUE(parser.Execute1(target));
    EXPECT_TRUE(parser.Execute1(target));
    EXPECT_EQ(target.mediaUrl, L"TRUE|alice|secret");
    EXPECT_EQ(prompt.Calls().size(), 1u);
}

TEST_F(Login, EndlessLoginScriptFailsTheRunAndReleasesTheLock) {
    ScriptBook book;
    book.Site(L"youtube.com", ShowLoginVariables())
        .Site(L"youtubelogin", {L"MARK again:", L"GOTO again;"});
    Load(book);
    parser.SetStatementBudget(500);
    EXPECT_FALSE(parser.Execute1(target));
    EXPECT_EQ(target.errorText, std::wstring(SiteParser::kBudgetErrorText));
    // The next run (on another thread) can log in again.
    bool result = true;
    std::thread([&] { result = parser.Execute1(target); }).join();
    EXPECT_FALSE(result);
    EXPECT_EQ(prompt.Calls().size(), 2u);
}

TEST_F(Login, ConcurrentRequestsShowOnePromptAtATime) {
    LoadStandard();
    prompt.password = L"wrong";  // every run asks again
    prompt.holdMilliseconds = 5;
    constexpr int kRuns = 6;
    std::vector<std::thread> threads;
    std::vector<ScriptTargetRecord> targets(kRuns, target);
    for (int i = 0; i < kRuns; ++i) {
        threads.emplace_back([&, i] { parser.Execute1(targets[i]); });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(prompt.Calls().size(), static_cast<size_t>(kRuns));
    EXPECT_EQ(prompt.MaxConcurrent(), 1);
    for (const ScriptTargetRecord& done : targets) {
        EXPECT_EQ(done.errorText, L"Login failed");
    }
}

}  // namespace
}  // namespace talvex
