// talvex-scripts run against the fixture video site: every bundled script, run from its sources
// as an author would, finds what the program's own runs find; the trace shows where a page that
// changed stops matching; the program's statement budget applies.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "integration/scripttool/ToolProcess.h"
#include "integration/sitescripts/FixtureSite.h"
#include "support/NginxServer.h"
#include "support/TestHome.h"

namespace talvex::test {
namespace {

namespace fs = std::filesystem;

const fs::path kSources = fs::path(TALVEX_SOURCE_DIR) / "data" / "sitescripts";

// "--script" before every bundled source.
std::vector<std::string> BundledScriptArgs() {
    std::vector<std::string> files;
    for (const auto& entry : fs::directory_iterator(kSources)) {
        files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    std::vector<std::string> args;
    for (const std::string& file : files) {
        args.insert(args.end(), {"--script", file});
    }
    return args;
}

std::string Stream(const std::string& id, int itag) {
    return "http://media.youtube.test/videoplayback?id=" + id + "&itag=" + std::to_string(itag) +
           "&sparams=id%2Citag";
}

// The number of the first line of a bundled source that is exactly text.
int SourceLineOf(const std::string& file, const std::string& text) {
    std::ifstream in(kSources / file);
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (line == text) {
            return number;
        }
    }
    return 0;
}

// The trace line of youtube.com.txt:line, empty when the run did not get there.
std::string TraceLine(const std::string& err, int line) {
    const std::string where = "youtube.com.txt:" + std::to_string(line) + "  ";
    std::istringstream in(err);
    std::string text;
    while (std::getline(in, text)) {
        if (text.rfind(where, 0) == 0) {
            return text;
        }
    }
    return {};
}

class RunTool : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(site_.Start()) << site_.LastError(); }

    TestHome home_;
    FixtureSite site_;
};

struct RunCase {
    std::string url;
    std::vector<std::string> options;
    std::string password;  // with --login in options: standard input
    int exitCode;
    std::string media;  // or, when the run fails, the error text
    std::string ids;
};

TEST_F(RunTool, EveryBundledScriptRunsFromItsSourceOnTheFixtureSite) {
    const std::string ageError =
        "This video is only shown to signed-in users who have confirmed their age. Sign in to "
        "YouTube to download it.";
    const std::vector<RunCase> cases = {
        {"http://www.youtube.com/watch?v=aHDtour2011", {}, "", 0, Stream("aHDtour2011", 37), ""},
        {"http://www.youtube.com/watch?v=aHDtour2011",
         {"-q", "480p"},
         "",
         0,
         Stream("aHDtour2011", 35),
         ""},
        {"http://youtu.be/sd360only01?t=1m",
         {"-q", "360p-mp4"},
         "",
         0,
         Stream("sd360only01", 18),
         ""},
        {"http://www.youtube.com/watch?v=mp4only1818&list=PLtravel2011",
         {},
         "",
         0,
         Stream("mp4only1818", 18),
         "aHDtour2011,sd360only01,mp4only1818,oldplayer05,ageRestrict"},
        {"http://www.youtube.com/user/TravelNotes",
         {},
         "",
         0,
         Stream("sd360only01", 34),
         "aHDtour2011,sd360only01,liveEvent01,removedClip"},
        {"http://www.youtube.com/watch?v=removedClip",
         {},
         "",
         1,
         "This video is not available any more: it has been removed or made private.",
         ""},
        {"http://www.youtube.com/watch?v=ageRestrict", {}, "", 1, ageError, ""},
        {"http://www.youtube.com/watch?v=ageRestrict",
         {"--login", "viewer@example.com"},
         "open sesame&1\n",
         0,
         Stream("ageRestrict", 22),
         ""},
        {"http://www.youtube.com/watch?v=ageRestrict",
         {"--login", "viewer@example.com"},
         "wrong\n",
         1,
         "YouTube did not accept the user name or password.",
         ""},
        {"http://www.facebook.com/video/video.php?v=1020304050",
         {},
         "",
         0,
         "http://video.fbcdn.test/facebook/1020304050_hq.mp4",
         ""},
        {"http://www.facebook.com/video.php?v=2030405060",
         {"--login", "fan@example.org"},
         "p@ss w\xC3\xB6rd\n",
         0,
         "http://video.fbcdn.test/facebook/2030405060_hq.mp4",
         ""},
    };
    for (const RunCase& c : cases) {
        SCOPED_TRACE(c.url + " " + (c.options.empty() ? "" : c.options[0]));
        std::vector<std::string> args = {"run", "--trace"};
        const std::vector<std::string> scripts = BundledScriptArgs();
        args.insert(args.end(), scripts.begin(), scripts.end());
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.push_back(c.url);
        const ToolResult result = RunScriptsTool(args, c.password);
        EXPECT_EQ(result.exitCode, c.exitCode) << result.out << result.err;
        EXPECT_EQ(ResultLine(result.out, c.exitCode == 0 ? "media" : "error"), c.media)
            << result.out;
        EXPECT_EQ(ResultLine(result.out, "ids"), c.ids);
        // Checked together, the sources have no mistake to report.
        EXPECT_EQ(result.err.find("check finds"), std::string::npos) << result.err;
        if (c.exitCode == 0) {
            // The download's size query: the fixture serves every medium with byte ranges.
            EXPECT_TRUE(std::regex_match(ResultLine(result.out, "size"),
                                         std::regex("[1-9][0-9]* bytes, ranges: yes")))
                << result.out;
        }
        // The trace never shows the password, raw or URL-encoded.
        if (c.password.size() > 1) {
            const std::string password = c.password.substr(0, c.password.size() - 1);
            EXPECT_EQ(result.err.find(password), std::string::npos);
            EXPECT_NE(result.err.find("(hidden, "), std::string::npos);
            EXPECT_EQ(result.err.find("p%40ss"), std::string::npos);
            EXPECT_EQ(result.err.find("open%20sesame"), std::string::npos);
        }
    }
}

TEST_F(RunTool, RunsTheScriptFileTheProgramLoadsByDefault) {
    const ToolResult result = RunScriptsTool({"run", "http://youtu.be/mp4only1818"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    // A fresh data folder is seeded from the resource folder, as at the program's first start.
    EXPECT_EQ(ResultLine(result.out, "script"),
              "youtu.be (" + (home_.DataFolder() / "scripts0.qrs").string() + ")");
    EXPECT_EQ(ResultLine(result.out, "title"),
              "Caf\xC3\xA9 \xC3\x96lberg \xE2\x80\x93 Live Session");
    EXPECT_EQ(ResultLine(result.out, "extension"), "mp4");
    EXPECT_EQ(ResultLine(result.out, "media"), Stream("mp4only1818", 18));

    const ToolResult unsupported = RunScriptsTool({"run", "http://vimeo.com/1234"});
    EXPECT_EQ(unsupported.exitCode, 1);
    EXPECT_EQ(ResultLine(unsupported.out, "error"), "no site script handles this address");
}

TEST_F(RunTool, TraceShowsWhereAChangedPageStopsMatching) {
    // The watch page as the site might change it: the format map under a new name.
    std::string page =
        ReadFileBytes(FixtureSiteFolder() / "www.youtube.com" / "watch" / "aHDtour2011.html");
    const size_t map = page.find("\"fmt_url_map\"");
    ASSERT_NE(map, std::string::npos);
    page.replace(map, 13, "\"url_encoded_fmt_stream_map\"");
    TempDir changedSite;
    WriteFileBytes(changedSite.Path() / "watch", page);
    NginxServer changed;
    changed.AddVirtualHost("www.youtube.com", changedSite.Path());
    ASSERT_TRUE(changed.Start()) << changed.LastError();

    const std::string url = "http://www.youtube.com/watch?v=aHDtour2011";
    const std::vector<std::string> args = {"run", "--trace", "--script",
                                           (kSources / "youtube.com.txt").string(), url};
    const ToolResult before = RunScriptsTool(args);
    ScopedEnv proxy("http_proxy", changed.ProxyAddress());
    const ToolResult after = RunScriptsTool(args);
    EXPECT_EQ(before.exitCode, 0) << before.err;
    EXPECT_EQ(after.exitCode, 1);
    EXPECT_EQ(ResultLine(after.out, "error"),
              "The video page offers no stream that can be downloaded.");

    const int cut =
        SourceLineOf("youtube.com.txt", "VAR FORMATMAP=SUBSTR(FWD,ORGHTML,MAPMARK,QUOTE);");
    ASSERT_GT(cut, 0);
    // Where the old page gave the format map, the changed one gives nothing, and from there the
    // run takes the error branch.
    EXPECT_NE(TraceLine(before.err, cut).find("-> FORMATMAP = \"37|http:"), std::string::npos)
        << TraceLine(before.err, cut);
    EXPECT_NE(TraceLine(after.err, cut).find("-> FORMATMAP = \"\""), std::string::npos)
        << TraceLine(after.err, cut);
    const int errorLine =
        SourceLineOf("youtube.com.txt",
                     "VAR ERRMSG=\"The video page offers no stream that can be downloaded.\";");
    EXPECT_NE(TraceLine(after.err, errorLine), "");
    EXPECT_EQ(TraceLine(before.err, errorLine), "");
}

TEST_F(RunTool, TheProgramsStatementBudgetStopsAScriptThatNeverEnds) {
    TempDir dir;
    const fs::path loop = dir.Path() / "loop.txt";
    WriteFileBytes(loop, "SITE \"loop.example\"\nBEGIN\nMARK AGAIN:\nGOTO AGAIN;\nEND;\n");
    const ToolResult result =
        RunScriptsTool({"run", "--script", loop.string(), "http://loop.example/"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(ResultLine(result.out, "error"),
              "The site script did not finish in time and was stopped.");
}

}  // namespace
}  // namespace talvex::test
