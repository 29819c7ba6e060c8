// Random statement lines must never crash the interpreter or keep it running: every run ends
// (the statement budget stops loops), and what it hands to the target stays well-formed.
#include <gtest/gtest.h>

#include <random>

#include "net/NetworkState.h"
#include "platform/Utf8.h"
#include "unit/interpreter/InterpreterFixture.h"

namespace talvex {
namespace {

class ScriptGenerator {
public:
    explicit ScriptGenerator(uint32_t seed) : random_(seed) {}

    std::vector<std::wstring> Script() {
        std::vector<std::wstring> lines(1 + Below(40));
        for (std::wstring& line : lines) {
            line = Line();
        }
        return lines;
    }

    std::wstring Line() {
        std::wstring line;
        switch (Below(12)) {
            case 0:
                line = L"VAR " + Name() + L" = \"" + Text(Below(8) == 0 ? 5000 : 12) + L"\";";
                break;
            case 1:
            case 2:
                line = L"VAR " + Name() + L" = " + Pick(kFunctions) + Arguments();
                break;
            case 3:
                line = Pick({L"VIDURL", L"VIDNAME", L"RTMP_PLAYPATH", L"RTMP_SWFURL",
                             L"RTMP_PAGEURL"}) +
                       L" = " + Name() + L";";
                break;
            case 4:
                line = L"IF " + Name() + Pick({L" == ", L" != ", L"==", L" = "}) + Name() +
                       Pick({L" THEN", L"THEN", L""});
                break;
            case 5:
                line = L"ENDIF;";
                break;
            case 6:
                line = L"GOTO " + Pick(kLabels) + L";";
                break;
            case 7:
                line = L"MARK " + Pick(kLabels) + L":";
                break;
            case 8:
                line = L"CALLSCRIPT(\"" + Pick({L"callee.net", L"", L"fuzz.org", L"youtube.com"}) +
                       L"\", " + Name() + L");";
                break;
            case 9:
                line = Pick({L"REQUESTLOGIN", L"SETCOOKIE"}) + Arguments();
                break;
            case 10:
                // Unstructured: tokens and characters in any order, sometimes very long.
                for (size_t n = Below(6) == 0 ? 3000 : 1 + Below(12); n > 0; --n) {
                    line += Below(2) == 0 ? Pick(kTokens) : Text(1);
                }
                break;
            default:
                line = L"VAR " + Name() + L" = ADDSTR(" + Name() + L", " + Name() + L");";
                break;
        }
        return line;
    }

private:
    static inline const std::vector<std::wstring> kFunctions = {
        L"ISURLALIVE", L"GETHTML2",   L"GETHTML",    L"GETFILE",     L"POST",
        L"SUBSTR",     L"REPLACE",    L"ADDSTR",     L"URLDCD",      L"URLENC",
        L"JSDCD",      L"JSUDCD",     L"GETTITLE",   L"HEX",         L"FINDSTR",
        L"STRFROMARR", L"HTMLDECODE", L"GETCOOKIE",  L"GETYOUTUBEQ", L"MEGAVIDEODECRYPT",
        L"MD5",        L"DATEDIFF",   L"UNKNOWNFUNC"};
    static inline const std::vector<std::wstring> kNames = {
        L"a",         L"b",      L"c",        L"ORGHTML",     L"VIDURL",
        L"VIDNAME",   L"ERRMSG", L"ERRMSGID", L"PLAYLISTIDS", L"EMPTY",
        L"USERAGENT", L"ORGURL", L"FWD",      L"REV",         L"\"lit\""};
    static inline const std::vector<std::wstring> kLabels = {L"a", L"b", L"", L"c d"};
    static inline const std::vector<std::wstring> kTokens = {
        L"VAR ", L"IF ", L"ENDIF;", L"GOTO ", L"MARK ", L"THEN", L"==", L"!=",         L"(",
        L")",    L",",   L";",      L"=",     L"\"",    L"//",   L" ",  L"CALLSCRIPT", L"VIDURL"};
    static inline const std::wstring kAlphabet =
        L"abcXYZ0123456789 ,;|=()\"'%&#<>/\\:?*.!+-_xu\u00e9\u4e2d\U0001F600\t";

    size_t Below(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(random_); }
    std::wstring Pick(const std::vector<std::wstring>& items) { return items[Below(items.size())]; }
    std::wstring Name() { return Pick(kNames); }
    std::wstring Text(size_t maxLength) {
        std::wstring text;
        for (size_t n = Below(maxLength + 1); n > 0; --n) {
            if (Below(10) == 0) {
                text += Pick({L"&amp;", L"&#65;", L"%41", L"\\x41", L"\\u0041", L"http://",
                              L"rtmp://", L"<title>", L"</title>", L"5|", L"18|"});
            } else {
                text += kAlphabet[Below(kAlphabet.size())];
            }
        }
        return text;
    }
    std::wstring Arguments() {
        std::wstring text = Below(10) == 0 ? L"" : L"(";
        for (size_t n = Below(6); n > 0; --n) {
            text += Below(8) == 0 ? L"" : Name();
            if (n > 1) {
                text += L",";
            }
        }
        return text + Pick({L");", L")", L";", L""});
    }

    std::mt19937 random_;
};

bool HasUnsafeFileNameCharacter(const std::wstring& name) {
    for (wchar_t c : name) {
        if (c < 32 || c == 127 || std::wstring_view(L"\"<>|/\\:*?").find(c) != std::wstring::npos) {
            return true;
        }
    }
    return false;
}

class InterpreterFuzz : public ::testing::Test {
protected:
    void SetUp() override {
        // Whatever addresses the scripts build, no request leaves the process.
        SetConnectionState(ConnectionState::kOffline);
        parser.SetLoginPrompt(&prompt);
        test::ScriptBook book;
        ScriptGenerator generator(7);
        book.Site(L"callee.net", generator.Script())
            .Site(L"youtubelogin", generator.Script())
            .Site(L"fuzz.org", {L"VIDURL = ORGURL;"});
        ASSERT_TRUE(test::LoadBook(parser, book, home.Root()));
    }
    void TearDown() override { SetConnectionState(ConnectionState::kConnected); }

    test::TestHome home;
    SiteParser parser;
    test::FakeLoginPrompt prompt;
};

TEST_F(InterpreterFuzz, RandomStatementsNeverCrashOrHang) {
    ScriptGenerator generator(20240611);
    constexpr int kRounds = 400;
    for (int round = 0; round < kRounds; ++round) {
        SiteScript script;
        script.siteKey = round % 3 == 0 ? L"youtube.com" : L"random.org";
        script.lines = generator.Script();
        ScriptTargetRecord target;
        target.pageUrl = L"http://random.org/page";
        target.isListParent = round % 2 == 0;
        ScriptRun run(5000);
        run.variables.Set(L"ORGURL", target.pageUrl);
        const bool result = parser.Execute2(script, target, run, false);

        SCOPED_TRACE("round " + std::to_string(round));
        if (result) {
            EXPECT_FALSE(run.variables.Get(L"VIDURL").empty());
            EXPECT_TRUE(run.variables.Get(L"ERRMSG").empty());
            EXPECT_TRUE(run.variables.Get(L"ERRMSGID").empty());
        }
        if (!run.Ended()) {
            // The end-of-run steps ran: the title went through the file-name chain.
            EXPECT_FALSE(HasUnsafeFileNameCharacter(target.title));
        }
        EXPECT_FALSE(HasUnsafeFileNameCharacter(target.extension));
        EXPECT_LE(WideToUtf8(target.extension).size(), 15u);
        EXPECT_LE(run.variables.TotalLength(), ScriptVariables::kMaxTotalLength);
        EXPECT_LE(run.statementsLeft, 5000u);
    }
}

TEST_F(InterpreterFuzz, LinesLongerThan4095BytesLoadAndRun) {
    const std::wstring longText(10000, L'\u00e9');  // 20000 bytes in the file
    test::ScriptBook book;
    book.Site(L"long.org", {L"VAR v = \"" + longText + L"\";", L"VIDURL = v;",
                            L"// " + std::wstring(9000, L'x'), L"VIDNAME = v;"});
    ASSERT_TRUE(test::LoadBook(parser, book, home.Root()));
    ScriptTargetRecord target;
    target.pageUrl = L"http://long.org/";
    EXPECT_TRUE(parser.Execute1(target));
    EXPECT_EQ(target.mediaUrl, longText);
}

TEST_F(InterpreterFuzz, DoublingATextInALoopStaysBounded) {
    test::ScriptBook book;
    // v doubles each time round; REPLACE of its every "a" by v squares it.
    book.Site(L"grow.org",
              {L"VAR v = \"ab\";", L"VAR a = \"a\";", L"VIDURL = v;", L"MARK again:",
               L"VAR v = ADDSTR(v, v);", L"VAR w = REPLACE(v, a, v);", L"GOTO again;"});
    ASSERT_TRUE(test::LoadBook(parser, book, home.Root()));
    // Enough for v to reach the limit (24 doublings) and two rounds more.
    parser.SetStatementBudget(3 + 3 * 26);
    ScriptTargetRecord target;
    target.pageUrl = L"http://grow.org/";
    EXPECT_FALSE(parser.Execute1(target));
    EXPECT_EQ(target.errorText, std::wstring(SiteParser::kBudgetErrorText));
}

}  // namespace
}  // namespace talvex
