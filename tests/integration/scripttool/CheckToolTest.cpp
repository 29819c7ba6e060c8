// talvex-scripts check and pack as a user runs them: the bundled sources pass, mistakes come out
// as FILE:LINE: message with exit status 1, and pack refuses what check rejects.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "integration/scripttool/ToolProcess.h"
#include "scripts/ScriptTable.h"
#include "support/TestHome.h"

namespace talvex::test {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> BundledSources() {
    std::vector<std::string> files;
    for (const auto& entry :
         fs::directory_iterator(fs::path(TALVEX_SOURCE_DIR) / "data" / "sitescripts")) {
        files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

class CheckTool : public ::testing::Test {
protected:
    std::string Source(const std::string& name, const std::string& text) {
        const fs::path path = dir_.Path() / name;
        WriteFileBytes(path, text);
        return path.string();
    }
    TempDir dir_;
};

TEST_F(CheckTool, BundledSourcesPass) {
    std::vector<std::string> args = {"check"};
    const std::vector<std::string> sources = BundledSources();
    ASSERT_GE(sources.size(), 5u);
    args.insert(args.end(), sources.begin(), sources.end());
    const ToolResult result = RunScriptsTool(args);
    EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
    EXPECT_EQ(result.out, "");
}

TEST_F(CheckTool, ReportsEachMistakeAsFileLineMessage) {
    // Checked together: the CALLSCRIPT in a.txt finds the block of b.txt, the typo does not.
    const std::string a = Source("a.txt",
                                 "SITE \"a.example\"\nBEGIN\nVAR U=\"http://b.example/\";\n"
                                 "CALLSCRIPT(\"b.example\",U)\nEND;\n");
    const std::string b = Source("b.txt",
                                 "SITE \"b.example\"\r\nBEGIN\r\nVAR P=GETHTML(U);\r\n"
                                 "VAR M=SUBSTR(FWD,P,MARKER);\r\nVIDURL=M;\r\nEND;\r\n");
    const ToolResult result = RunScriptsTool({"check", a, b});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, b + ":4: SUBSTR takes 4 arguments, not 3: SUBSTR fails and assigns "
                              "nothing\n");

    const ToolResult alone = RunScriptsTool({"check", a});
    EXPECT_EQ(alone.exitCode, 1);
    EXPECT_EQ(alone.out.rfind(a + ":4: no block has the key \"b.example\"", 0), 0u) << alone.out;

    const std::string missing = (dir_.Path() / "none.txt").string();
    EXPECT_EQ(RunScriptsTool({"check", missing}).out, missing + ":0: cannot be read\n");
    EXPECT_EQ(RunScriptsTool({"check"}).exitCode, 2);
}

TEST_F(CheckTool, PackRefusesWhatCheckRejectsUnlessForced) {
    const std::string bad = Source("bad.txt",
                                   "SITE \"a.example\"\nBEGIN\nVAR M=\"http://a.example/v.mp4\";\n"
                                   "IF M != EMPTY THEN\nVIDURL=M;\nEND;\n");
    const fs::path packed = dir_.Path() / "scripts.qrs";
    const ToolResult refused =
        RunScriptsTool({"pack", "--version", "1.0", "-o", packed.string(), bad});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find(bad + ":4: IF without ENDIF;"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("not packed"), std::string::npos);
    EXPECT_FALSE(fs::exists(packed));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_.Path()), fs::directory_iterator()), 1);

    const ToolResult forced =
        RunScriptsTool({"pack", "--force", "--version", "1.0", "-o", packed.string(), bad});
    EXPECT_EQ(forced.exitCode, 0) << forced.err;
    EXPECT_NE(forced.err.find(bad + ":4: IF without ENDIF;"), std::string::npos);
    ScriptTable table;
    ASSERT_TRUE(table.LoadScriptsFrom(packed, true));
    ASSERT_TRUE(table.GetScript(L"http://a.example/watch"));
    EXPECT_EQ(table.GetScript(L"http://a.example/watch")->lines.size(), 3u);
}

}  // namespace
}  // namespace talvex::test
