#include <gtest/gtest.h>

#include <stdexcept>

#include "app/SettingsStore.h"
#include "net/NetworkState.h"
#include "support/TestHome.h"
#include "unit/interpreter/InterpreterFixture.h"

namespace talvex {
namespace {

using test::ScriptBook;

class Interpreter : public ::testing::Test {
protected:
    void SetUp() override {
        // No test here touches the network: the end-of-run extension probe fails at once.
        SetConnectionState(ConnectionState::kOffline);
        target.pageUrl = L"http://example.com/watch?v=1";
    }
    void TearDown() override { SetConnectionState(ConnectionState::kConnected); }

    // Loads one script under "example.com" (plus any extra blocks) and runs it for target.
    bool Run(std::initializer_list<std::wstring> lines, ScriptBook book = {}) {
        book.Site(L"example.com", lines);
        EXPECT_TRUE(test::LoadBook(parser, book, home.Root()));
        return parser.Execute1(target);
    }

    test::TestHome home;
    StringTable strings;
    SiteParser parser{&strings};
    ScriptTargetRecord target;
};

TEST_F(Interpreter, MediaAddressWithoutMessageSucceeds) {
    EXPECT_TRUE(Run({L"VAR u = \"http://media.example/v.mp4\";", L"VIDURL = u;"}));
    EXPECT_EQ(target.mediaUrl, L"http://media.example/v.mp4");
    EXPECT_EQ(target.errorText, L"");
}

TEST_F(Interpreter, AnErrorMessageFailsEvenWithAMediaAddress) {
    EXPECT_FALSE(Run({L"VAR u = \"http://m/v\";", L"VIDURL = u;", L"VAR ERRMSG = \"Gone\";"}));
    EXPECT_EQ(target.mediaUrl, L"http://m/v");  // item fields stay written
    EXPECT_EQ(target.errorText, L"Gone");
}

TEST_F(Interpreter, NoMediaAddressAndNoMessageFailsWithEmptyText) {
    target.errorText = L"old";
    EXPECT_FALSE(Run({L"VAR x = \"1\";"}));
    EXPECT_EQ(target.errorText, L"");
}

TEST_F(Interpreter, ErrorTextIsLocalizedThroughErrMsgId) {
    test::LoadStrings(strings, home.Root(), {"msg.err.private=Private\\nvideo", "msg.err.blank="});
    ScriptBook book;
    book.Site(L"blank.com", {L"VAR ERRMSGID = \"msg.err.blank\";", L"VAR ERRMSG = \"a\\nb\";"})
        .Site(L"unknown.com", {L"VAR ERRMSGID = \"msg.err.unknown\";", L"VAR ERRMSG = \"c\\nd\";"});
    EXPECT_FALSE(Run({L"VAR ERRMSGID = \"msg.err.private\";", L"VAR ERRMSG = \"builtin\";"}, book));
    EXPECT_EQ(target.errorText, L"Private\nvideo");
    // A key with an empty text gives the built-in text (escapes turned into characters); an
    // unknown key gives the built-in text as it is.
    target.pageUrl = L"http://blank.com/";
    EXPECT_FALSE(parser.Execute1(target));
    EXPECT_EQ(target.errorText, L"a\nb");
    target.pageUrl = L"http://unknown.com/";
    EXPECT_FALSE(parser.Execute1(target));
    EXPECT_EQ(target.errorText, L"c\\nd");
}

TEST_F(Interpreter, AddressWithoutScriptFailsWithoutTouchingTheTarget) {
    target.pageUrl = L"http://unknown.org/";
    target.errorText = L"unchanged";
    EXPECT_FALSE(Run({L"VAR u = \"x\";", L"VIDURL = u;"}));
    EXPECT_EQ(target.errorText, L"unchanged");
    EXPECT_EQ(target.mediaUrl, L"");
}

TEST_F(Interpreter, ValueStatementsNeedTheirSemicolon) {
    EXPECT_FALSE(Run({L"VAR u = \"http://m/v\";", L"VIDURL = u", L"RTMP_PLAYPATH = u",
                      L"RTMP_SWFURL = ;", L"RTMP_PAGEURL = u"}));
    EXPECT_EQ(target.mediaUrl, L"");
    EXPECT_EQ(target.rtmpPlayPath, L"");
    EXPECT_EQ(target.rtmpSwfUrl, L"");
    EXPECT_EQ(target.rtmpPageUrl, L"");
}

TEST_F(Interpreter, RtmpDetailsAndSchemeExtension) {
    EXPECT_TRUE(
        Run({L"VAR u = \"RTMPE://media/app\";", L"VAR p = \"mp4:clip\";",
             L"VAR s = \"http://site/player.swf\";", L"VAR g = \"http://site/page\";",
             L"VIDURLX = u;", L"RTMP_PLAYPATH = p;", L"RTMP_SWFURL = s;", L"RTMP_PAGEURL = g;"}));
    EXPECT_EQ(target.mediaUrl, L"RTMPE://media/app");
    EXPECT_EQ(target.extension, L"flv");
    EXPECT_EQ(target.rtmpPlayPath, L"mp4:clip");
    EXPECT_EQ(target.rtmpSwfUrl, L"http://site/player.swf");
    EXPECT_EQ(target.rtmpPageUrl, L"http://site/page");
}

TEST_F(Interpreter, LiteralsKeepInnerTextVerbatim) {
    EXPECT_TRUE(Run({L"VAR a = \"x, \"y\"; z\";;", L"VAR b = \"\";", L"VAR c = \";",
                     L"VAR d = \"abc\" ;", L"VAR e = \"keep\";", L"VAR e = a;", L"VAR f = 42;",
                     L"VAR r = ADDSTR(a, b);", L"VAR r = ADDSTR(r, c);", L"VAR r = ADDSTR(r, d);",
                     L"VAR r = ADDSTR(r, e);", L"VAR r = ADDSTR(r, f);", L"VIDURL = r;"}));
    // a, then empty b and c, then d keeping its closing quote, e unchanged by the bare name.
    EXPECT_EQ(target.mediaUrl, L"x, \"y\"; zabc\"keep");
}

TEST_F(Interpreter, TitleChainRunsAtTheEnd) {
    EXPECT_TRUE(Run({L"VAR n = \" A &amp; B: c/d &#65; \";", L"VIDNAME = n;", L"VIDURL = n;"}));
    EXPECT_EQ(target.title, L" A & B_ c_d A ");
}

TEST_F(Interpreter, EqualityOfUnsetVariablesHoldsAndInequalitySkips) {
    EXPECT_TRUE(Run({L"VAR r = \"start\";", L"IF a == b THEN", L"VAR r = ADDSTR(r, r);", L"ENDIF;",
                     L"IF a != EMPTY THEN", L"VAR r = \"skipped\";", L"ENDIF;", L"VIDURL = r;"}));
    EXPECT_EQ(target.mediaUrl, L"startstart");
}

TEST_F(Interpreter, NestedIfSkipsToTheMatchingEndif) {
    EXPECT_TRUE(Run({L"VAR x = \"1\";", L"VAR r = \"a\";", L"IF x == EMPTY THEN",
                     L"IF x != EMPTY THEN", L"VAR r = \"inner\";", L"ENDIF;", L"VAR r = \"outer\";",
                     L"ENDIF;", L"VAR t = \"b\";", L"VAR r = ADDSTR(r, t);", L"VIDURL = r;"}));
    EXPECT_EQ(target.mediaUrl, L"ab");
}

TEST_F(Interpreter, MalformedConditionsLetTheBodyRun) {
    EXPECT_TRUE(Run({L"VAR x = \"1\";", L"VAR r = \"\";", L"VAR one = \"1\";",
                     // no THEN, no operator, identical operands, two operators
                     L"IF x == EMPTY", L"VAR r = ADDSTR(r, one);", L"ENDIF;", L"IF x EMPTY THEN",
                     L"VAR r = ADDSTR(r, one);", L"ENDIF;", L"IF x != x THEN",
                     L"VAR r = ADDSTR(r, one);", L"ENDIF;", L"IF x == EMPTY == x THEN",
                     L"VAR r = ADDSTR(r, one);", L"ENDIF;", L"VIDURL = r;"}));
    EXPECT_EQ(target.mediaUrl, L"1111");
}

TEST_F(Interpreter, FailingConditionWithoutEndifEndsTheRun) {
    EXPECT_FALSE(Run(
        {L"VAR x = \"1\";", L"IF x == EMPTY THEN", L"VAR u = \"http://m/v\";", L"VIDURL = u;"}));
    EXPECT_EQ(target.mediaUrl, L"");
}

TEST_F(Interpreter, GotoJumpsBackwardsAndIgnoresMissingLabels) {
    EXPECT_TRUE(Run({L"VAR r = \"\";", L"VAR x = \"x\";", L"VAR done = \"xxxx\";", L"GOTO nowhere;",
                     L"GOTO skip", L"MARK loop:", L"VAR r = ADDSTR(r, x);", L"IF r != done THEN",
                     L"GOTO loop;", L"ENDIF;", L"VIDURL = r;"}));
    EXPECT_EQ(target.mediaUrl, L"xxxx");
}

TEST_F(Interpreter, FailedFunctionsLeaveTheirTargetUnchanged) {
    EXPECT_TRUE(
        Run({L"VAR src = \"aXb\";", L"VAR m = \"X\";", L"VAR r = \"kept\";",
             L"VAR r = SUBSTR(fwd, src, m, EMPTY);", L"VAR r = REPLACE(src, , m);",
             L"VAR r = GETFILE(src);", L"VAR r = MEGAVIDEODECRYPT(src, m, m);",
             L"VAR s = SUBSTR(FWD, src, m, EMPTY);", L"VAR r = ADDSTR(r, s);", L"VIDURL = r;"}));
    EXPECT_EQ(target.mediaUrl, L"keptb");
}

TEST_F(Interpreter, TextFunctionsReadTheirArgumentsAsVariables) {
    EXPECT_TRUE(
        Run({L"VAR ORGHTML = \"<title> T </title>\";", L"VAR t = GETTITLE;",
             L"VAR h = HEX(\"%41%2Bb+c\");", L"VAR code = \"%44\";", L"VAR h2 = HEX(code);",
             L"VAR c = \",\";", L"VAR list = \"p,q,r\";", L"VAR i = \"3\";",
             L"VAR piece = STRFROMARR(list, c, i);", L"VAR zero = \"0\";",
             L"VAR pos = FINDSTR(list, c, zero);", L"VAR md = MD5(t);", L"VAR all = ADDSTR(t, h);",
             L"VAR all = ADDSTR(all, h2);", L"VAR all = ADDSTR(all, piece);",
             L"VAR all = ADDSTR(all, pos);", L"VIDURL = all;", L"VIDNAME = md;"}));
    EXPECT_EQ(target.mediaUrl, L"TA+b cDr1");
    EXPECT_EQ(target.title, L"b9ece18c950afbfa6b0fdbfa4ff731d3");  // MD5 of "T"
}

TEST_F(Interpreter, FormatChoiceComesFromTheTarget) {
    target.formatChoice = DownloadQuality::kHd720;
    EXPECT_TRUE(Run(
        {L"VAR f = \"5|http://m/5,22|http://m/22\";", L"VAR u = GETYOUTUBEQ(f);", L"VIDURL = u;"}));
    EXPECT_EQ(target.mediaUrl, L"http://m/22");
}

TEST_F(Interpreter, PlaylistIdsOnlyForListParents) {
    target.isListParent = true;
    EXPECT_TRUE(Run({L"VAR PLAYLISTIDS = \",a,,b,\";", L"VAR u = \"rtmp://m\";", L"VIDURL = u;"}));
    EXPECT_EQ(target.idList, (std::vector<std::wstring>{L"a", L"b"}));
    target.isListParent = false;
    target.idList = {L"old"};
    EXPECT_TRUE(parser.Execute1(target));
    EXPECT_EQ(target.idList, (std::vector<std::wstring>{L"old"}));
}

TEST_F(Interpreter, CallScriptReturnsTheCalledRunsResult) {
    ScriptBook book;
    book.Site(L"called.net", {L"VAR u = \"rtmp://called\";", L"VIDURL = u;",
                              L"VAR n = \"called title\";", L"VIDNAME = n;"});
    EXPECT_TRUE(Run({L"VAR addr = \"http://called.net/x\";", L"CALLSCRIPT(\"called.net\", addr);",
                     L"VAR ERRMSG = \"never reached\";"},
                    book));
    EXPECT_EQ(target.mediaUrl, L"rtmp://called");
    EXPECT_EQ(target.title, L"called title");
    EXPECT_EQ(target.errorText, L"");
}

TEST_F(Interpreter, CallScriptWithEmptyKeyFindsTheScriptOfTheAddress) {
    ScriptBook book;
    book.Site(L"called.net", {L"VIDURL = ORGURL;"});
    EXPECT_TRUE(Run({L"VAR addr = \"rtmp://called.net/live\";", L"CALLSCRIPT(\"\", addr);"}, book));
    EXPECT_EQ(target.mediaUrl, L"rtmp://called.net/live");
}

TEST_F(Interpreter, CallScriptWithAnEmptyAddressUsesThePageAddress) {
    ScriptBook book;
    book.Site(L"called.net", {L"VIDURL = ORGURL;"});
    EXPECT_TRUE(Run({L"CALLSCRIPT(\"called.net\", unset);"}, book));
    EXPECT_EQ(target.mediaUrl, target.pageUrl);
}

TEST_F(Interpreter, CallScriptInsideACalledScriptEndsIt) {
    ScriptBook book;
    book.Site(L"called.net", {L"VAR u = \"rtmp://first\";", L"VIDURL = u;",
                              L"CALLSCRIPT(\"third.org\", u);", L"VAR ERRMSG = \"not reached\";"})
        .Site(L"third.org", {L"VAR ERRMSG = \"third ran\";"});
    EXPECT_TRUE(Run({L"CALLSCRIPT(\"called.net\", x);"}, book));
    EXPECT_EQ(target.mediaUrl, L"rtmp://first");
}

TEST_F(Interpreter, CallScriptFailures) {
    EXPECT_FALSE(Run({L"VAR u = \"rtmp://x\";", L"VIDURL = u;", L"CALLSCRIPT(\"none.org\", u);"}));
    EXPECT_EQ(target.mediaUrl, L"rtmp://x");
    ScriptRun run(10);
    EXPECT_FALSE(parser.ExecCallScript(L"", target, run));
    EXPECT_FALSE(parser.ExecCallScript(L"CALLSCRIPT(, x)", target, run));
    EXPECT_FALSE(parser.ExecCallScript(L"CALLSCRIPT(\"example.com\", )", target, run));
    EXPECT_FALSE(parser.ExecCallScript(L"OTHER(\"example.com\", x)", target, run));
}

TEST_F(Interpreter, EndlessScriptStopsAtTheStatementBudget) {
    parser.SetStatementBudget(1000);
    EXPECT_FALSE(Run({L"VAR u = \"rtmp://m\";", L"VIDURL = u;", L"MARK top:", L"GOTO top;"}));
    EXPECT_EQ(target.errorText, std::wstring(SiteParser::kBudgetErrorText));
    // The end-of-run steps did not run.
    EXPECT_EQ(target.extension, L"");
}

TEST_F(Interpreter, BudgetCountsEveryStatementOfNestedRuns) {
    ScriptBook book;
    book.Site(L"called.net", {L"VAR u = \"rtmp://m\";", L"VIDURL = u;"});
    book.Site(L"example.com", {L"VAR x = \"1\";", L"CALLSCRIPT(\"called.net\", x);"});
    ASSERT_TRUE(test::LoadBook(parser, book, home.Root()));
    parser.SetStatementBudget(4);
    EXPECT_TRUE(parser.Execute1(target));
    parser.SetStatementBudget(3);
    EXPECT_FALSE(parser.Execute1(target));
    EXPECT_EQ(target.errorText, std::wstring(SiteParser::kBudgetErrorText));
}

// A target that fails while a statement hands it a value.
struct ThrowingTarget : ScriptTargetRecord {
    void SetRtmpPlayPath(const std::wstring&) override { throw std::runtime_error("boom"); }
};

TEST_F(Interpreter, AnExceptionInAStatementSkipsTheEndOfRunSteps) {
    ThrowingTarget throwing;
    throwing.pageUrl = target.pageUrl;
    ScriptBook book;
    book.Site(L"example.com", {L"VAR u = \"rtmp://m\";", L"VIDURL = u;", L"VIDNAME = u;",
                               L"RTMP_PLAYPATH = u;", L"VAR ERRMSG = \"not reached\";"});
    ASSERT_TRUE(test::LoadBook(parser, book, home.Root()));
    EXPECT_TRUE(parser.Execute1(throwing));
    EXPECT_EQ(throwing.extension, L"");      // no extension step
    EXPECT_EQ(throwing.title, L"rtmp://m");  // only the VIDNAME statement's trimmed copy
}

struct ThrowingPageTarget : ScriptTargetRecord {
    std::wstring PageUrl() const override { throw std::runtime_error("no page"); }
};

TEST_F(Interpreter, AnExceptionBeforeTheRunFailsIt) {
    ThrowingPageTarget throwing;
    EXPECT_TRUE(Run({L"VAR u = \"rtmp://m\";", L"VIDURL = u;"}));
    EXPECT_FALSE(parser.Execute1(throwing));
}

TEST_F(Interpreter, LogLinesTraceTheRun) {
    ScriptBook book;
    book.Site(L"called.net", {L"VAR u = \"rtmp://m\";", L"VIDURL = u;"})
        .Site(L"example.com", {L"VAR x = y;", L"RTMP_PAGEURL = x;", L"RTMP_PAGEURL = ;",
                               L"CALLSCRIPT(\"called.net\", x);"});
    ASSERT_TRUE(test::LoadBook(parser, book, home.Root()));
    ASSERT_TRUE(SettingsStore().SetNumber(setting::kDebugLogging, 1));
    std::filesystem::create_directories(home.DataFolder());
    EXPECT_TRUE(parser.Execute1(target));
    const std::string log = test::ReadFileBytes(home.DataFolder() / "Log.txt");
    EXPECT_EQ(log,
              "Enter SiteParser::Execute1\n"
              "Exit SiteParser::Execute1 (success)\n"
              "Enter SiteParser::Execute2\n"
              "Enter SiteParser::ExecuteStatement:x = y;\n"
              "Exit SiteParser::ExecuteStatement\n"
              "Enter SiteParser::ExecRTMP_SetPageUrl\n"
              "Exit SiteParser::ExecRTMP_SetPageUrl (success)\n"
              "Enter SiteParser::ExecRTMP_SetPageUrl\n"
              "Exit SiteParser::ExecRTMP_SetPageUrl (fails)\n"
              "Enter SiteParser::ExecCallScript:CALLSCRIPT(\"called.net\", x);\n"
              "Enter SiteParser::Execute2\n"
              "Enter SiteParser::ExecuteStatement:u = \"rtmp://m\";\n"
              "Exit SiteParser::Execute2\n"
              "Enter SiteParser::ExecCallScript (success)\n");
}

}  // namespace
}  // namespace talvex
