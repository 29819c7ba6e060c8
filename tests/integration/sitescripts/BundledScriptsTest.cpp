// The script file the build packs from data/sitescripts: what it holds, how a fresh
// installation gets it, and the language keys its error messages name.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "app/StringTable.h"
#include "platform/Folders.h"
#include "platform/Utf8.h"
#include "scripts/ScriptTable.h"
#include "support/TestHome.h"

namespace talvex {
namespace {

namespace fs = std::filesystem;

const fs::path kSources = fs::path(TALVEX_SOURCE_DIR) / "data" / "sitescripts";

std::vector<std::string> SourceLines() {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(kSources)) {
        files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    std::vector<std::string> lines;
    for (const fs::path& file : files) {
        std::istringstream in(test::ReadFileBytes(file));
        std::string line;
        while (std::getline(in, line)) {
            const size_t first = line.find_first_not_of(" \t\r");
            const size_t last = line.find_last_not_of(" \t\r");
            lines.push_back(first == std::string::npos ? "" : line.substr(first, last - first + 1));
        }
    }
    return lines;
}

// The blocks of the sources: site key to statement lines (trimmed, empty ones dropped).
std::map<std::wstring, std::vector<std::wstring>> SourceBlocks() {
    std::map<std::wstring, std::vector<std::wstring>> blocks;
    std::wstring key;
    bool inside = false;
    for (const std::string& line : SourceLines()) {
        if (!inside && line.rfind("SITE \"", 0) == 0) {
            key = Utf8ToWide(line.substr(6, line.rfind('"') - 6));
        } else if (!inside && line == "BEGIN") {
            inside = true;
            blocks[key];
        } else if (inside && line == "END;") {
            inside = false;
        } else if (inside && !line.empty()) {
            blocks[key].push_back(Utf8ToWide(line));
        }
    }
    return blocks;
}

// key=text lines of a language file.
std::map<std::string, std::string> LanguageEntries(const std::string& file) {
    std::map<std::string, std::string> entries;
    std::istringstream in(
        test::ReadFileBytes(fs::path(TALVEX_SOURCE_DIR) / "data" / "Lang" / file));
    std::string line;
    while (std::getline(in, line)) {
        const size_t eq = line.find('=');
        if (eq != std::string::npos && line[0] != '[') {
            entries[line.substr(0, eq)] = line.substr(eq + 1);
        }
    }
    return entries;
}

TEST(BundledScripts, TheResourceFolderHoldsEverySourceBlockUnchanged) {
    ScriptTable table;
    ASSERT_TRUE(table.LoadScriptsFrom(ResourceFolder() / "scripts.qrs", true));
    EXPECT_EQ(table.ScriptVersion(), L"1.0");

    const auto blocks = SourceBlocks();
    std::vector<std::wstring> keys;
    for (const auto& [key, lines] : blocks) {
        keys.push_back(key);
    }
    std::vector<std::wstring> packed = table.Keys();
    std::sort(packed.begin(), packed.end());
    EXPECT_EQ(packed, keys);
    for (const wchar_t* key :
         {L"youtube.com", L"youtu.be", L"youtubelogin", L"facebook.com", L"facebooklogin"}) {
        const auto script = table.GetScript(key);
        ASSERT_NE(script, nullptr) << WideToUtf8(key);
        EXPECT_EQ(script->siteKey, key);
        EXPECT_EQ(script->lines, blocks.at(key)) << WideToUtf8(key);
    }

    // Page addresses find their site's script, and only that one.
    EXPECT_EQ(table.FindSiteKey(L"http://www.youtube.com/watch?v=aHDtour2011"), L"youtube.com");
    EXPECT_EQ(table.FindSiteKey(L"https://youtube.com/user/TravelNotes"), L"youtube.com");
    EXPECT_EQ(table.FindSiteKey(L"http://youtu.be/aHDtour2011"), L"youtu.be");
    EXPECT_EQ(table.FindSiteKey(L"http://www.facebook.com/video/video.php?v=1"), L"facebook.com");
    EXPECT_EQ(table.FindSiteKey(L"http://vimeo.com/1234"), L"");
}

TEST(BundledScripts, AFreshInstallationIsSeededWithThem) {
    test::TestHome home;
    ScriptTable table;
    ASSERT_TRUE(table.LoadScripts(true));
    EXPECT_TRUE(fs::exists(home.DataFolder() / "scripts0.qrs"));
    EXPECT_EQ(table.Size(), SourceBlocks().size());
    EXPECT_NE(table.GetScript(L"http://www.youtube.com/watch?v=x"), nullptr);
}

TEST(BundledScripts, EveryErrorKeyIsInEveryLanguageFileWithTheBuiltInEnglishText) {
    // Scripts name an error as a key line followed by its built-in English text.
    static const std::regex keyLine(R"re(^VAR ERRMSGID="([^"]+)";$)re");
    static const std::regex textLine(R"re(^VAR ERRMSG="(.+)";$)re");
    const std::vector<std::string> lines = SourceLines();
    std::map<std::string, std::string> messages;
    for (size_t i = 0; i < lines.size(); ++i) {
        std::smatch key;
        if (!std::regex_match(lines[i], key, keyLine)) {
            continue;
        }
        std::smatch text;
        ASSERT_TRUE(i + 1 < lines.size() && std::regex_match(lines[i + 1], text, textLine))
            << "no built-in text after " << lines[i];
        const auto [at, added] = messages.emplace(key[1].str(), text[1].str());
        EXPECT_EQ(at->second, text[1].str()) << key[1] << " has two built-in texts";
    }
    ASSERT_GE(messages.size(), 8u);

    const auto english = LanguageEntries("res1033.ini");
    for (const auto& [key, text] : messages) {
        ASSERT_TRUE(english.count(key)) << "res1033.ini lacks " << key;
        EXPECT_EQ(english.at(key), text) << key;
    }
    for (const char* file : {"res1031.ini", "res3082.ini"}) {
        const auto translated = LanguageEntries(file);
        for (const auto& [key, text] : messages) {
            ASSERT_TRUE(translated.count(key)) << file << " lacks " << key;
            EXPECT_NE(translated.at(key), text) << file << " leaves " << key << " untranslated";
        }
    }
}

}  // namespace
}  // namespace talvex
