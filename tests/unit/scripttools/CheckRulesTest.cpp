// The checker of talvex-scripts: each rule on a small script that breaks it (and nothing else),
// and a script that uses every statement and function correctly without a finding.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scripttools/ScriptChecker.h"

namespace talvex::scripttools {
namespace {

struct Expected {
    int line;
    const char* fragment;
};

struct RuleCase {
    const char* rule;
    std::string text;
    std::vector<Expected> findings;
};

// A block whose line 3 sets A and whose body starts at line 4.
std::string Block(const std::string& body) {
    return "SITE \"t.example\"\nBEGIN\nVAR A=\"a\";\n" + body + "VIDURL=A;\nEND;\n";
}

std::vector<CheckFinding> Check(const std::string& text) {
    return CheckScriptText(SourceFileLines("case.txt", text));
}

const std::vector<RuleCase>& Cases() {
    static const std::vector<RuleCase> cases = {
        // Statements and functions.
        {"unknown statement", Block("FOO BAR;\n"), {{4, "unknown statement"}}},
        {"statement in small letters", Block("var B=\"b\";\n"), {{4, "written in capitals"}}},
        {"ENDIF without its semicolon",
         Block("IF A == EMPTY THEN\nENDIF\n"),
         {{4, "IF without ENDIF;"}, {5, "write ENDIF; with the semicolon"}}},
        {"unknown function", Block("VAR B=FETCH(A);\n"), {{4, "\"FETCH\" is neither"}}},
        {"function name with a tail", Block("VAR B=GETHTMLX(A);\n"), {{4, "runs as GETHTML"}}},
        {"bare variable", Block("VAR B=A;\n"), {{4, "ADDSTR(A,EMPTY)"}}},
        {"bare number", Block("VAR B=7;\n"), {{4, "VAR NAME=\"7\";"}}},
        {"too few arguments",
         Block("VAR B=SUBSTR(FWD,A,A);\n"),
         {{4, "SUBSTR takes 4 arguments, not 3: SUBSTR fails"}}},
        {"too many arguments",
         Block("VAR B=ADDSTR(A,A,A);\n"),
         {{4, "ADDSTR takes 2 arguments, not 3: the last ones"}}},
        {"empty argument", Block("VAR B=FINDSTR(A,,A);\n"), {{4, "argument 2 is empty"}}},
        {"no closing parenthesis", Block("VAR B=URLENC(A;\n"), {{4, "no closing \")\""}}},
        {"no opening parenthesis", Block("VAR B=URLENC A;\n"), {{4, "no \"(\" after URLENC"}}},
        {"SUBSTR mode", Block("VAR B=SUBSTR(fwd,A,A,A);\n"), {{4, "FWD or REV"}}},
        {"GETTITLE with an argument",
         Block("VAR ORGHTML=\"<title>t</title>\";\nVAR B=GETTITLE(A);\n"),
         {{5, "takes no arguments: it reads the page from ORGHTML"}}},
        {"GETFILE", Block("VAR B=GETFILE(A);\n"), {{4, "GETFILE does nothing"}}},
        {"HEX text without its quote", Block("VAR B=HEX(\"%41);\n"), {{4, "closing quote"}}},
        {"text without its closing quote",
         Block("VAR B=\"abc;\n"),
         {{4, "no closing double quote"}}},
        {"VAR without a name", Block("VAR =\"abc\";\n"), {{4, "write VAR NAME=VALUE;"}}},
        {"VAR VIDURL", Block("VAR VIDURL=ADDSTR(A,EMPTY);\n"), {{4, "sets only the variable"}}},
        {"VIDNAME without its semicolon", Block("VIDNAME=A\n"), {{4, "write VIDNAME=NAME;"}}},
        {"RTMP statement without =",
         Block("RTMP_PLAYPATH A;\n"),
         {{4, "reads the variable \"RTMP_PLAYPATH A\""}}},
        {"text after a call", Block("VAR B=URLENC(A) A;\n"), {{4, "after \")\" is ignored"}}},
        // Conditions and jumps.
        {"IF without ENDIF", Block("IF A == EMPTY THEN\n"), {{4, "IF without ENDIF;"}}},
        {"ENDIF without IF", Block("ENDIF;\n"), {{4, "ENDIF; without an IF"}}},
        {"unreadable condition", Block("IF A = A THEN\nENDIF;\n"), {{4, "cannot be read"}}},
        {"condition without THEN", Block("IF A == A\nENDIF;\n"), {{4, "cannot be read"}}},
        {"one name on both sides",
         Block("IF A == A THEN\nENDIF;\n"),
         {{4, "compares a variable with itself"}}},
        {"a name that ends the other",
         Block("VAR VIDEOID=\"b\";\nVAR ID=\"a\";\nIF ID == VIDEOID THEN\nENDIF;\n"),
         {{6, "one operand holds the other"}}},
        {"missing operand", Block("IF == A THEN\nENDIF;\n"), {{4, "an operand is missing"}}},
        {"text after THEN", Block("IF A == EMPTY THEN VIDURL=A;\nENDIF;\n"), {{4, "after THEN"}}},
        {"GOTO to a missing MARK",
         Block("GOTO THERE;\nMARK HERE:\n"),
         {{4, "no line MARK THERE: in this block"}}},
        {"GOTO to a MARK of another block",
         Block("GOTO THERE;\n") + "SITE \"u.example\"\nBEGIN\nMARK THERE:\nEND;\n",
         {{4, "no line MARK THERE:"}}},
        {"GOTO without its semicolon",
         Block("GOTO THERE\nMARK THERE:\n"),
         {{4, "write GOTO LABEL;"}}},
        {"MARK without its colon", Block("MARK THERE\n"), {{4, "with the colon"}}},
        {"MARK twice", Block("MARK AGAIN:\nMARK AGAIN:\n"), {{5, "marked already at line 4"}}},
        // Variables.
        {"variable never set",
         Block("VAR B=ADDSTR(A,TYPO);\n"),
         {{4, "\"TYPO\" is read but never set"}}},
        {"text as an operand",
         Block("IF A == \"a\" THEN\nENDIF;\n"),
         {{4, "put a text in a variable"}}},
        {"number as an argument",
         Block("VAR B=FINDSTR(A,A,0);\n"),
         {{4, "\"0\" is read but never set"}}},
        {"GETTITLE without ORGHTML", Block("VAR B=GETTITLE;\n"), {{4, "\"ORGHTML\" is read"}}},
        // Blocks and keys.
        {"block without a key", "SITE example.test\nBEGIN\nEND;\n", {{1, "a block without a key"}}},
        {"key not in plain quotes",
         "SITE  \"a.example\"\nBEGIN\nEND;\n",
         {{1, "the key is read as"}}},
        {"two blocks with one key",
         "SITE \"a.example\"\nBEGIN\nEND;\n// again\nSITE \"a.example\"\nBEGIN\nEND;\n",
         {{5, "already at case.txt:1: this later one replaces it"}}},
        {"stray END;", Block("") + "END;\n", {{6, "filed again without a script"}}},
        {"line outside a block", "VAR X=\"1\";\n" + Block(""), {{1, "outside a block"}}},
        {"BEGIN without SITE", "BEGIN\nVAR X=\"1\";\nEND;\n", {{1, "BEGIN without a SITE line"}}},
        {"block without END;", "SITE \"a.example\"\nBEGIN\nVAR X=\"1\";\n", {{2, "has no END;"}}},
        {"SITE without BEGIN", "SITE \"a.example\"\n" + Block(""), {{1, "no BEGIN follows"}}},
        {"SITE inside a block",
         "SITE \"a.example\"\nBEGIN\nSITE \"b.example\"\nEND;\n",
         {{3, "SITE inside a block"}, {3, "unknown statement"}}},
        {"BEGIN inside a block",
         "SITE \"a.example\"\nBEGIN\nVAR X=\"1\";\nBEGIN\nEND;\n",
         {{4, "starts it over"}}},
        {"CALLSCRIPT to a missing key",
         Block("CALLSCRIPT(\"elsewhere.example\",A)\n"),
         {{4, "no block has the key \"elsewhere.example\""}}},
        {"CALLSCRIPT to a key of a block without key",
         Block("CALLSCRIPT(\"elsewhere.example\",A)\n") + "SITE elsewhere.example\nBEGIN\nEND;\n",
         {{4, "no block has the key"}, {7, "a block without a key"}}},
        {"CALLSCRIPT key without quotes",
         Block("CALLSCRIPT(t.example,A)\n"),
         {{4, "in double quotes"}}},
        {"CALLSCRIPT with one argument",
         Block("CALLSCRIPT(\"t.example\")\n"),
         {{4, "CALLSCRIPT takes 2 arguments, not 1: CALLSCRIPT does nothing"}}},
        {"REQUESTLOGIN in another site's block",
         Block("REQUESTLOGIN(U,P,R);\n"),
         {{4, "not youtube.com or facebook.com"}}},
        {"REQUESTLOGIN without the login block",
         "SITE \"youtube.com\"\nBEGIN\nREQUESTLOGIN(U,P,R);\nVIDURL=U;\nEND;\n",
         {{3, "runs the block \"youtubelogin\""}}},
    };
    return cases;
}

TEST(CheckRules, EachRuleFindsItsMistakeAndNothingElse) {
    for (const RuleCase& c : Cases()) {
        SCOPED_TRACE(c.rule);
        const std::vector<CheckFinding> findings = Check(c.text);
        std::string all;
        for (const CheckFinding& finding : findings) {
            all += FormatFinding(finding) + "\n";
        }
        if (findings.size() != c.findings.size()) {
            ADD_FAILURE() << "expected " << c.findings.size() << " findings, got:\n" << all;
            continue;
        }
        for (size_t i = 0; i < findings.size(); ++i) {
            EXPECT_EQ(findings[i].file, "case.txt");
            EXPECT_EQ(findings[i].line, c.findings[i].line) << all;
            EXPECT_NE(findings[i].message.find(c.findings[i].fragment), std::string::npos) << all;
        }
    }
}

TEST(CheckRules, EveryStatementAndFunctionWrittenRightPasses) {
    const std::string text =
        "// comments may stand anywhere\n"
        "SITE \"youtube.com\"\n"
        "BEGIN\n"
        "VAR PAGEURL=\"http://www.youtube.com/watch?v=x\";\n"
        "VAR ORGHTML=GETHTML(PAGEURL);\n"
        "VAR HEADERS=HEX(\"Accept: */*%0D%0A\");\n"
        "VAR PAGE2=GETHTML2(PAGEURL,HEADERS);\n"
        "VAR ALIVE=ISURLALIVE(PAGEURL);\n"
        "VAR ANSWER=POST(PAGEURL,PAGE2,HEADERS);\n"
        "VAR COOKIENAME=\"sid\";\n"
        "VAR COOKIE=GETCOOKIE(PAGEURL,COOKIENAME);\n"
        "SETCOOKIE(PAGEURL,COOKIENAME,COOKIE);\n"
        "VAR START=\"<b>\";\n"
        "VAR T=SUBSTR(REV,ORGHTML,START,EMPTY);\n"
        "VAR T=REPLACE(T,START,EMPTY);\n"
        "VAR T=ADDSTR(T,START);\n"
        "VAR T=URLDCD(T);\n"
        "VAR T=URLENC(T);\n"
        "VAR T=JSDCD(T);\n"
        "VAR T=JSUDCD(T);\n"
        "VAR T=HTMLDECODE(T);\n"
        "VAR T=HEX(T);\n"
        "VAR TITLE=GETTITLE;\n"
        "VAR ZERO=\"0\";\n"
        "VAR AT=FINDSTR(ORGHTML,START,ZERO);\n"
        "VAR PART=STRFROMARR(ORGHTML,START,ZERO);\n"
        "VAR KEY=MEGAVIDEODECRYPT(T,ZERO,ZERO);\n"
        "VAR SUM=MD5(T);\n"
        "VAR NOW=DATEDIFF;\n"
        "VAR MEDIA=GETYOUTUBEQ(T);\n"
        "IF AT != ZERO THEN\n"
        "IF SUM == EMPTY THEN\n"
        "GOTO LOGIN;\n"
        "ENDIF;\n"
        "ENDIF;\n"
        "MARK LOGIN:\n"
        "REQUESTLOGIN(USER,PASSWORD,REMEMBERED);\n"
        "VIDNAME=TITLE;\n"
        "RTMP_PLAYPATH=PART;\n"
        "RTMP_SWFURL=PAGEURL;\n"
        "RTMP_PAGEURL=PAGEURL;\n"
        "VIDURL=MEDIA;\n"
        "END;\n"
        "SITE \"youtubelogin\"\n"
        "BEGIN\n"
        "VAR BODY=ADDSTR(USER,PASSWORD);\n"
        "VAR ERRMSGID=\"msg.err.script.yt.login.failed\";\n"
        "END;\n"
        "SITE \"youtu.be\"\n"
        "BEGIN\n"
        "VAR WATCH=ADDSTR(ORGURL,EMPTY);\n"
        "CALLSCRIPT(\"youtube.com\",WATCH)\n"
        "CALLSCRIPT(\"\",WATCH)\n"
        "END;\n";
    const std::vector<CheckFinding> findings = Check(text);
    for (const CheckFinding& finding : findings) {
        ADD_FAILURE() << FormatFinding(finding);
    }
}

}  // namespace
}  // namespace talvex::scripttools
