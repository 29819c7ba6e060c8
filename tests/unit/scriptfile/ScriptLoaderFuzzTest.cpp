// Random and mutated script files must never crash or hang the loader. Seeded, so a failure
// reproduces; bounded in count.
#include <gtest/gtest.h>

#include <random>

#include "ScriptFileFixtures.h"
#include "scripts/ScriptLoader.h"
#include "scripts/ScriptTable.h"

namespace talvex::test {
namespace {

constexpr unsigned kSeed = 20240611;
constexpr int kRounds = 1500;

const char* const kFragments[] = {
    "SITE \"",     "SITE ",
    "\"",          "BEGIN",
    "END;",        "\r\n",
    "\n",          "\r",
    " ",           "\t",
    "VAR X=\"",    "key",
    "SCRIPTVER =", ";",
    "=",           "\xEF\xBB\xBF",
    "\xC3",        "\xA9",
    "\xFF",        "",
    "//",          "CALLSCRIPT(\"k\",ORGURL)",
};

std::string RandomText(std::mt19937& rng, size_t maxPieces) {
    std::uniform_int_distribution<size_t> pieces(0, maxPieces);
    std::uniform_int_distribution<size_t> pick(0, std::size(kFragments));
    std::uniform_int_distribution<int> byte(0, 255);
    std::string text;
    for (size_t n = pieces(rng); n > 0; --n) {
        const size_t choice = pick(rng);
        if (choice == std::size(kFragments)) {
            text += static_cast<char>(byte(rng));
        } else if (kFragments[choice][0] == '\0') {  // "" stands for a zero byte
            text += '\0';
        } else {
            text += kFragments[choice];
        }
    }
    return text;
}

std::string Mutate(std::mt19937& rng, std::string bytes) {
    std::uniform_int_distribution<int> kind(0, 4);
    std::uniform_int_distribution<int> byte(0, 255);
    const int mutations = 1 + static_cast<int>(rng() % 8);
    for (int i = 0; i < mutations; ++i) {
        const size_t at = bytes.empty() ? 0 : rng() % bytes.size();
        switch (kind(rng)) {
            case 0:
                if (!bytes.empty()) {
                    bytes[at] = static_cast<char>(byte(rng));
                }
                break;
            case 1:
                bytes.resize(at);  // truncated download
                break;
            case 2:
                bytes.insert(at, 1, static_cast<char>(byte(rng)));
                break;
            case 3:
                bytes.erase(at, rng() % 16);
                break;
            default:
                bytes.insert(at, bytes.substr(0, rng() % 64));
                break;
        }
    }
    return bytes;
}

// What every load must give whatever the input: trimmed, non-empty statements.
void ExpectWellFormed(const ScriptFileContents& contents) {
    for (const ScriptFileEntry& entry : contents.entries) {
        if (!entry.script) {
            continue;
        }
        for (const std::wstring& line : entry.script->lines) {
            ASSERT_FALSE(line.empty());
            ASSERT_NE(line.front(), L' ');
            ASSERT_NE(line.back(), L' ');
        }
    }
}

TEST(ScriptLoaderFuzzTest, RandomPlainTextsEnciphered) {
    std::mt19937 rng(kSeed);
    for (int round = 0; round < kRounds; ++round) {
        const std::string plain = RandomText(rng, 200);
        QRV::Encryption reader;
        reader.LoadBytes(reader.Encipher(plain));
        ASSERT_EQ(reader.Decipher(), 0);
        if (auto contents = ReadScriptLines(reader)) {
            ExpectWellFormed(*contents);
        }
    }
}

TEST(ScriptLoaderFuzzTest, RandomBytesAndMutatedFilesThroughTheFile) {
    TempDir dir;
    const auto file = dir.Path() / "scripts0.qrs";
    std::mt19937 rng(kSeed + 1);
    const std::string valid = PlainScriptText(
        "SITE \"a.example\"\r\nBEGIN\r\nVAR X=\"1\";\r\nVIDURL=X;\r\nEND;\r\n"
        "SITE \"b.example\"\r\nBEGIN\r\nCALLSCRIPT(\"a.example\",ORGURL)\r\nEND;\r\nEND;\r\n");
    ScriptTable table;
    for (int round = 0; round < kRounds / 3; ++round) {
        std::string bytes;
        switch (round % 3) {
            case 0:  // noise
                bytes.resize(rng() % 4096);
                for (char& c : bytes) {
                    c = static_cast<char>(rng());
                }
                break;
            case 1:  // a valid file damaged after enciphering
                bytes = Mutate(rng, Enciphered(valid));
                break;
            default:  // a damaged text, enciphered
                bytes = Enciphered(Mutate(rng, valid));
                break;
        }
        WriteFileBytes(file, bytes);
        const bool verified = VerifyScriptFile(file);
        for (bool check : {true, false}) {
            auto contents = ReadScriptFile(file, check);
            if (check && contents) {
                EXPECT_TRUE(verified);
            }
            if (contents) {
                ExpectWellFormed(*contents);
            }
        }
        table.LoadScriptsFrom(file, false);
        table.FindSiteKey(L"http://a.example/");
        table.GetScript(L"http://b.example/");
        if (round % 50 == 0) {
            table.ClearScripts();
        }
    }
}

// The format's 4095-byte line limit is not enforced: longer lines are read whole.
TEST(ScriptLoaderFuzzTest, VeryLongLines) {
    TempDir dir;
    const auto file = dir.Path() / "scripts0.qrs";
    const std::string longStatement = "VAR X=\"" + std::string(70000, 'x') + "\";";
    const std::string longKey(5000, 'k');
    WriteScriptFile(file, "SITE \"" + longKey + "\"\r\nBEGIN\r\n" + longStatement + "\r\nEND;\r\n" +
                              std::string(10000, ' ') + "\r\n");
    ScriptTable table;
    ASSERT_TRUE(table.LoadScriptsFrom(file, true));
    auto script = table.GetScript(std::wstring(longKey.begin(), longKey.end()));
    ASSERT_TRUE(script);
    ASSERT_EQ(script->Count(), 1u);
    EXPECT_EQ(script->lines[0].size(), longStatement.size());
}

}  // namespace
}  // namespace talvex::test
