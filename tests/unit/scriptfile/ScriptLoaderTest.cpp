#include "scripts/ScriptLoader.h"

#include <gtest/gtest.h>

#include "ScriptFileFixtures.h"
#include "scripts/Md5.h"
#include "scripts/ScriptTable.h"

namespace talvex::test {
namespace {

class ScriptLoaderTest : public ::testing::Test {
protected:
    std::filesystem::path Write(std::string_view body, std::string_view version = "1.0") {
        WriteScriptFile(file_, body, version);
        return file_;
    }
    // Loads the body as a script file with the digest checked.
    bool Load(std::string_view body, std::string_view version = "1.0") {
        return table_.LoadScriptsFrom(Write(body, version), true);
    }
    std::vector<std::wstring> LinesOf(std::wstring_view key) {
        auto script = table_.GetScript(key);
        return script ? script->lines : std::vector<std::wstring>{L"<no script>"};
    }

    TempDir dir_;
    std::filesystem::path file_ = dir_.Path() / "scripts0.qrs";
    ScriptTable table_;
};

TEST_F(ScriptLoaderTest, ReadsABlockTrimmedWithoutEmptyLines) {
    ASSERT_TRUE(
        Load("SITE \"example\"\r\nBEGIN\r\n   VAR A=\"x\";  \r\n\r\n \t \r\n"
             "\tVIDURL=A;\r\nEND;\r\n"));
    auto script = table_.GetScript(L"http://example.org/watch");
    ASSERT_TRUE(script);
    EXPECT_EQ(script->siteKey, L"example");
    EXPECT_EQ(script->lines, (std::vector<std::wstring>{L"VAR A=\"x\";", L"VIDURL=A;"}));
    EXPECT_EQ(script->Count(), 2u);
    EXPECT_EQ(table_.ScriptVersion(), L"1.0");
}

TEST_F(ScriptLoaderTest, VersionLine) {
    ASSERT_TRUE(Load("", "1.2.3"));
    EXPECT_EQ(table_.ScriptVersion(), L"1.2.3");

    // The version runs from the first "=" to the next ";", trimmed; either missing: empty.
    const auto versionOf = [this](std::string versionLine) -> std::optional<std::wstring> {
        const std::string covered = versionLine + "\r\n";
        WriteFileBytes(file_, Enciphered(Md5Hex(covered).value() + "\r\n" + covered));
        auto contents = ReadScriptFile(file_, true);
        return contents ? std::optional(contents->version) : std::nullopt;
    };
    EXPECT_EQ(versionOf("SCRIPTVER =1.2.3;"), L"1.2.3");
    EXPECT_EQ(versionOf("SCRIPTVER 1.2.3"), L"");
    EXPECT_EQ(versionOf("SCRIPTVER =1.2.3"), L"");
    EXPECT_EQ(versionOf("SCRIPTVER x = 2.0 ;="), L"2.0");
    EXPECT_EQ(versionOf("SCRIPTVER = \xC3\xA9t\xC3\xA9;"), L"\u00E9t\u00E9");
    EXPECT_EQ(versionOf("scriptver =1.0;"), std::nullopt);
    EXPECT_EQ(versionOf(" SCRIPTVER =1.0;"), std::nullopt);
    EXPECT_EQ(versionOf("SCRIPTVER=1.0;"), std::nullopt);
}

TEST_F(ScriptLoaderTest, FirstLineIsNeverInterpreted) {
    const std::string body = "SITE \"k\"\r\nBEGIN\r\nX\r\nEND;\r\n";
    // A script block in place of the digest, read with the check off.
    WriteFileBytes(file_, Enciphered("SITE \"a\"\r\nSCRIPTVER =9;\r\n" + body));
    auto contents = ReadScriptFile(file_, false);
    ASSERT_TRUE(contents);
    EXPECT_EQ(contents->version, L"9");
    ASSERT_EQ(contents->entries.size(), 1u);
    EXPECT_EQ(contents->entries[0].siteKey, L"k");
    EXPECT_FALSE(ReadScriptFile(file_, true));
}

TEST_F(ScriptLoaderTest, IntegrityCheck) {
    const std::string plain = PlainScriptText("SITE \"k\"\r\nBEGIN\r\nX\r\nEND;\r\n");
    WriteFileBytes(file_, Enciphered(plain));
    EXPECT_TRUE(VerifyScriptFile(file_));
    EXPECT_TRUE(ReadScriptFile(file_, true));

    // Every byte after the first CR LF is covered.
    const size_t covered = plain.find("\r\n") + 2;
    for (size_t i = covered; i < plain.size(); ++i) {
        std::string changed = plain;
        changed[i] = static_cast<char>(changed[i] ^ 0x20);
        WriteFileBytes(file_, Enciphered(changed));
        EXPECT_FALSE(VerifyScriptFile(file_)) << "byte " << i;
        EXPECT_FALSE(ReadScriptFile(file_, true)) << "byte " << i;
        EXPECT_FALSE(table_.LoadScriptsFrom(file_, true));
    }
    // The comparison with the stored digest is case-sensitive.
    std::string upper = plain;
    const size_t letter = upper.find_first_of("abcdef");
    ASSERT_LT(letter, 32u);
    upper[letter] = static_cast<char>(upper[letter] - 'a' + 'A');
    WriteFileBytes(file_, Enciphered(upper));
    EXPECT_FALSE(VerifyScriptFile(file_));
    // Without the check the same file loads.
    EXPECT_TRUE(ReadScriptFile(file_, false));
    EXPECT_EQ(table_.Size(), 0u);
}

TEST_F(ScriptLoaderTest, ByteOrderMarkIsOutsideTheDigest) {
    WriteFileBytes(file_, Enciphered("\xEF\xBB\xBF" + PlainScriptText("SITE \"k\"\r\n")));
    EXPECT_TRUE(VerifyScriptFile(file_));
    EXPECT_TRUE(ReadScriptFile(file_, true));
}

// Bytes after a zero byte are read by the loader but not covered by the digest; a file that
// holds any is refused rather than loaded unverified.
TEST_F(ScriptLoaderTest, TextHiddenAfterAZeroByteFailsTheCheck) {
    const std::string plain = PlainScriptText("SITE \"k\"\r\n");
    WriteFileBytes(file_, Enciphered(plain + std::string(1, '\0') +
                                     "\r\nSITE \"evil\"\r\nBEGIN\r\nX\r\nEND;\r\n"));
    EXPECT_FALSE(VerifyScriptFile(file_));
    EXPECT_FALSE(table_.LoadScriptsFrom(file_, true));
    // Zero padding after the text is fine.
    WriteFileBytes(file_, Enciphered(plain + std::string(20, '\0')));
    EXPECT_TRUE(VerifyScriptFile(file_));
}

TEST_F(ScriptLoaderTest, EarlyFailures) {
    EXPECT_FALSE(ReadScriptFile(dir_.Path() / "missing.qrs", false));
    WriteFileBytes(file_, Enciphered("digest only"));
    EXPECT_FALSE(ReadScriptFile(file_, false));  // no second line
    WriteFileBytes(file_, "");
    EXPECT_FALSE(ReadScriptFile(file_, false));
    EXPECT_FALSE(VerifyScriptFile(file_));
    // Not enciphered with our key: the text is noise.
    WriteFileBytes(file_, PlainScriptText("SITE \"k\"\r\n"));
    EXPECT_FALSE(ReadScriptFile(file_, false));
    EXPECT_FALSE(table_.LoadScriptsFrom(file_, false));
    EXPECT_EQ(table_.ScriptVersion(), L"");
}

TEST_F(ScriptLoaderTest, BlockRules) {
    ASSERT_TRUE(Load(
        // BEGIN without a SITE line opens no block; its END; is a stray one and enters the
        // current key (still empty) with no script.
        "BEGIN\r\nIGNORED\r\nEND;\r\n"
        // Prefix tests are case-sensitive.
        "site \"lower\"\r\nBEGIN\r\nX\r\nEND;\r\n"
        // Two blocks under one key: the later one wins.
        "SITE \"twice\"\r\nBEGIN\r\nFIRST\r\nEND;\r\n"
        "SITE \"twice\"\r\nBEGIN\r\nSECOND\r\nEND;\r\n"
        // A site whose block is followed by a stray END; ends up without a script.
        "SITE \"stray\"\r\nBEGIN\r\nLOST\r\nEND;\r\nEND;\r\n"
        // Lines outside blocks are ignored; the key is kept across them.
        "SITE \"kept\"\r\njunk\r\n// comment\r\nBEGIN\r\nKEPT\r\nEND;\r\n"
        // A SITE line inside a block is a statement and moves the block to its key.
        "SITE \"outer\"\r\nBEGIN\r\nA\r\nSITE \"inner\"\r\nB\r\nEND;\r\n"
        // BEGIN inside a block starts the block over.
        "SITE \"again\"\r\nBEGIN\r\nOLD\r\nBEGIN\r\nNEW\r\nEND;\r\n"
        // A block that never ends is not stored.
        "SITE \"open\"\r\nBEGIN\r\nX\r\n"));
    EXPECT_EQ(LinesOf(L"twice"), std::vector<std::wstring>{L"SECOND"});
    EXPECT_EQ(LinesOf(L"kept"), std::vector<std::wstring>{L"KEPT"});
    EXPECT_EQ(LinesOf(L"inner"), (std::vector<std::wstring>{L"A", L"SITE \"inner\"", L"B"}));
    EXPECT_EQ(LinesOf(L"again"), std::vector<std::wstring>{L"NEW"});
    EXPECT_EQ(table_.Keys(),
              (std::vector<std::wstring>{L"again", L"inner", L"stray", L"twice", L"kept", L""}));
    EXPECT_EQ(table_.FindSiteKey(L"http://stray.example/"), L"stray");
    EXPECT_EQ(table_.GetScript(L"http://stray.example/"), nullptr);
    EXPECT_EQ(table_.GetScript(L"outer"), nullptr);
    EXPECT_EQ(table_.GetScript(L"lower"), nullptr);
    EXPECT_EQ(table_.GetScript(L"open"), nullptr);
}

TEST_F(ScriptLoaderTest, MalformedSiteLinesGiveEmptyOrPartialKeys) {
    auto contents = ReadScriptFile(Write("SITE \"\"\r\nBEGIN\r\nE\r\nEND;\r\n"
                                         "SITE  \"spaced\"\r\nBEGIN\r\nS\r\nEND;\r\n"
                                         "SITE \"open\r\nBEGIN\r\nO\r\nEND;\r\n"
                                         "SITE \"a\"b\"\r\nBEGIN\r\nQ\r\nEND;\r\n"),
                                   true);
    ASSERT_TRUE(contents);
    std::vector<std::wstring> keys;
    for (const auto& entry : contents->entries) {
        keys.push_back(entry.siteKey);
    }
    EXPECT_EQ(keys, (std::vector<std::wstring>{L"", L"\"spaced", L"", L"a\"b"}));
}

TEST_F(ScriptLoaderTest, LfOnlyLineEndsLoseTheLastCharacter) {
    const std::string covered = "SCRIPTVER =1.0;\nSITE \"key\"\nBEGIN\nVIDURL=AB;\nEND;\n";
    WriteFileBytes(file_, Enciphered(Md5Hex(covered).value() + "\r\n" + covered));
    auto contents = ReadScriptFile(file_, true);
    ASSERT_TRUE(contents);
    // "SCRIPTVER =1.0;" lost its ";", so the version is empty; the SITE line lost its closing
    // quote, "BEGIN" became "BEGI" and no block was opened.
    EXPECT_EQ(contents->version, L"");
    EXPECT_TRUE(contents->entries.empty());
}

TEST_F(ScriptLoaderTest, LinesAreUtf8) {
    ASSERT_TRUE(
        Load("SITE \"caf\xC3\xA9.example\"\r\nBEGIN\r\nVAR T=\"\xE2\x82\xAC\";\r\nEND;\r\n"));
    EXPECT_EQ(LinesOf(L"caf\u00E9.example"), std::vector<std::wstring>{L"VAR T=\"\u20AC\";"});
}

TEST_F(ScriptLoaderTest, FindSiteKeyPrefersLongerKeysAndIgnoresEmptyOnes) {
    ASSERT_TRUE(
        Load("SITE \"\"\r\nBEGIN\r\nE\r\nEND;\r\n"
             "SITE \"video.example\"\r\nBEGIN\r\nV\r\nEND;\r\n"
             "SITE \"video.example/live\"\r\nBEGIN\r\nL\r\nEND;\r\n"
             "SITE \"other\"\r\nBEGIN\r\nO\r\nEND;\r\n"));
    EXPECT_EQ(table_.FindSiteKey(L"http://video.example/live/1"), L"video.example/live");
    EXPECT_EQ(table_.FindSiteKey(L"http://video.example/watch"), L"video.example");
    EXPECT_EQ(LinesOf(L"http://video.example/watch"), std::vector<std::wstring>{L"V"});
    // The empty key occurs in every address but stands for no site.
    EXPECT_EQ(table_.FindSiteKey(L"http://elsewhere.example/"), L"");
    EXPECT_EQ(table_.GetScript(L"http://elsewhere.example/"), nullptr);
    // Plain case-sensitive substring test, anywhere in the text.
    EXPECT_EQ(table_.FindSiteKey(L"HTTP://VIDEO.EXAMPLE/"), L"");
    EXPECT_EQ(table_.FindSiteKey(L"otherlogin"), L"other");
}

TEST_F(ScriptLoaderTest, LoadAddsToTheTableAndClearEmptiesIt) {
    ASSERT_TRUE(Load("SITE \"a\"\r\nBEGIN\r\nA1\r\nEND;\r\n"));
    ASSERT_TRUE(
        Load("SITE \"b\"\r\nBEGIN\r\nB\r\nEND;\r\nSITE \"a\"\r\nBEGIN\r\nA2\r\nEND;\r\n", "2.0"));
    EXPECT_EQ(table_.Size(), 2u);
    EXPECT_EQ(LinesOf(L"a"), std::vector<std::wstring>{L"A2"});
    EXPECT_EQ(table_.ScriptVersion(), L"2.0");
    auto held = table_.GetScript(L"b");
    table_.ClearScripts();
    EXPECT_EQ(table_.Size(), 0u);
    EXPECT_EQ(table_.GetScript(L"b"), nullptr);
    // A script a run still holds outlives the table entry.
    ASSERT_TRUE(held);
    EXPECT_EQ(held->lines, std::vector<std::wstring>{L"B"});
}

}  // namespace
}  // namespace talvex::test
