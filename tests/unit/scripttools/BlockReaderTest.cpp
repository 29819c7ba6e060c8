// The checker and the trace's line numbers read blocks with rules of their own; they must file
// every block under the key, and with the lines, that the program's loader does.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Utf8.h"
#include "scripts/ScriptTable.h"
#include "scripttools/ScriptBlocks.h"
#include "scripttools/ScriptPacking.h"
#include "support/TestHome.h"

namespace talvex::scripttools {
namespace {

TEST(BlockReader, FilesEveryBlockAsTheLoaderDoes) {
    const std::vector<std::string> texts = {
        // A stray END; takes the script away from the last key.
        "SITE \"a\"\nBEGIN\nX1\nEND;\nEND;\nSITE \"b\"\nBEGIN\nX2\nEND;\n",
        // A SITE line inside a block is a statement and refiles the block.
        "SITE \"a\"\nBEGIN\nSITE \"b\"\nX2\nEND;\n",
        // BEGIN without SITE is ignored, and its END; files the last key without a script.
        "SITE \"a\"\nBEGIN\nA\nEND;\nBEGIN\nB\nEND;\nSITE \"c\"\nBEGIN\nC\nEND;\n",
        // BEGIN inside a block starts it over; a later block of a key replaces it.
        "SITE \"c\"\nBEGIN\nY\nBEGIN\nZ\nEND;\nSITE \"c\"\nBEGIN\n  Z2  \n\nEND;\n",
        // Keys that contain each other, an empty key, a block never ended.
        "SITE \"ab\"\nBEGIN\nP\nEND;\nSITE \"abc\"\nBEGIN\nQ\nEND;\nSITE x\nBEGIN\nR\nEND;\n"
        "SITE \"open\"\nBEGIN\nS\n",
    };
    for (const std::string& text : texts) {
        SCOPED_TRACE(text);
        test::TempDir dir;
        const std::filesystem::path file = dir.Path() / "s.qrs";
        ASSERT_TRUE(WriteFileReplacing(file, PackSources("1", {text}).value()));
        ScriptTable table;
        ASSERT_TRUE(table.LoadScriptsFrom(file, true));

        const ScriptBlocks blocks = ReadBlocks(SourceFileLines("s.txt", text));
        std::vector<std::wstring> keys;
        for (const TableEntry& entry : blocks.table) {
            keys.push_back(entry.key);
        }
        ASSERT_EQ(keys, table.Keys());
        for (const TableEntry& entry : blocks.table) {
            SCOPED_TRACE(WideToUtf8(entry.key));
            const auto script = entry.key.empty() ? nullptr : table.GetScript(entry.key);
            ASSERT_EQ(script != nullptr, entry.key.empty() ? false : entry.block != nullptr);
            if (script) {
                EXPECT_EQ(script->siteKey, entry.block->openingKey);
                std::vector<std::wstring> lines;
                for (const SourceLine& line : entry.block->statements) {
                    lines.push_back(line.text);
                }
                EXPECT_EQ(script->lines, lines);
            }
        }
    }
}

}  // namespace
}  // namespace talvex::scripttools
