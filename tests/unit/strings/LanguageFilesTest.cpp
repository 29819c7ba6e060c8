// Checks the shipped language files against each other and against the keys the code uses.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "app/StringTable.h"
#include "platform/Folders.h"
#include "platform/Utf8.h"
#include "support/TestHome.h"

namespace talvex {

namespace fs = std::filesystem;

namespace {

const fs::path kSourceLang = fs::path(TALVEX_SOURCE_DIR) / "data" / "Lang";

struct ParsedFile {
    std::map<std::string, std::string> entries;
    std::vector<std::string> problems;
};

// A stricter reading than the program's: every line must be empty, a [section] or key=text,
// keys must be unique, and the file must start with its two header lines.
ParsedFile ParseStrictly(const fs::path& file) {
    ParsedFile parsed;
    std::istringstream in(test::ReadFileBytes(file));
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        const std::string where = file.filename().string() + ":" + std::to_string(number);
        if (line.find('\r') != std::string::npos) {
            parsed.problems.push_back(where + " carriage return");
        }
        if (Utf8ToWide(line).find(L'\uFFFD') != std::wstring::npos) {
            parsed.problems.push_back(where + " is not UTF-8");
        }
        if (line.empty() || (line.front() == '[' && line.back() == ']')) {
            continue;
        }
        const size_t eq = line.find('=');
        if (eq == std::string::npos) {
            parsed.problems.push_back(where + " has no '='");
            continue;
        }
        const std::string key = line.substr(0, eq);
        if (!std::regex_match(key, std::regex("[a-z0-9]+(\\.[a-z0-9_]+)+"))) {
            parsed.problems.push_back(where + " malformed key '" + key + "'");
        }
        if (!parsed.entries.emplace(key, line.substr(eq + 1)).second) {
            parsed.problems.push_back(where + " repeats key " + key);
        }
        if (number == 1 && key != "lang.name") {
            parsed.problems.push_back(where + " must be lang.name");
        }
        if (number == 2 && key != "lang.id") {
            parsed.problems.push_back(where + " must be lang.id");
        }
    }
    return parsed;
}

std::vector<fs::path> ShippedFiles() {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(kSourceLang)) {
        if (entry.path().extension() == ".ini") {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

// What a translation must carry over unchanged: placeholders, link identifiers, line breaks
// and tabs.
std::multiset<std::string> Markers(const std::string& text) {
    static const std::regex marker(R"(%\d%?|<a ID="\d+">|\\n|\\t)");
    std::multiset<std::string> found;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), marker);
         it != std::sregex_iterator(); ++it) {
        found.insert(it->str());
    }
    return found;
}

// Language keys written as string literals anywhere in the program's sources.
std::set<std::string> KeysUsedInSources() {
    static const std::regex literal(
        R"re("((?:dlg|menu|tab|grid|msg)(?:\.[a-z0-9_]+){2,}|lang\.(?:name|id))")re");
    std::set<std::string> keys;
    for (const auto& entry :
         fs::recursive_directory_iterator(fs::path(TALVEX_SOURCE_DIR) / "src")) {
        const std::string ext = entry.path().extension().string();
        if (!entry.is_regular_file() || (ext != ".cpp" && ext != ".h")) {
            continue;
        }
        const std::string text = test::ReadFileBytes(entry.path());
        for (auto it = std::sregex_iterator(text.begin(), text.end(), literal);
             it != std::sregex_iterator(); ++it) {
            keys.insert((*it)[1].str());
        }
    }
    return keys;
}

}  // namespace

TEST(LanguageFiles, EnglishAndAtLeastTwoTranslationsParseWithMatchingHeaders) {
    const std::vector<fs::path> files = ShippedFiles();
    ASSERT_GE(files.size(), 3u);
    ASSERT_TRUE(fs::exists(kSourceLang / "res1033.ini"));
    std::set<std::string> names;
    for (const fs::path& file : files) {
        const ParsedFile parsed = ParseStrictly(file);
        EXPECT_TRUE(parsed.problems.empty()) << ::testing::PrintToString(parsed.problems);
        ASSERT_TRUE(parsed.entries.count("lang.id")) << file;
        EXPECT_EQ("res" + parsed.entries.at("lang.id") + ".ini", file.filename().string());
        EXPECT_TRUE(names.insert(parsed.entries.at("lang.name")).second)
            << "two files name the language " << parsed.entries.at("lang.name");

        StringTable table;
        EXPECT_TRUE(table.Load(file, false)) << file;
        EXPECT_TRUE(table.Load(file, true)) << file;
        for (const auto& [key, text] : parsed.entries) {
            EXPECT_FALSE(text.empty()) << file << " " << key;
            EXPECT_NE(table.GetText(Utf8ToWide(key), L"\x1"), L"\x1") << file << " " << key;
        }
    }
}

TEST(LanguageFiles, TranslationsHaveTheEnglishKeysAndKeepTheirMarkers) {
    const ParsedFile english = ParseStrictly(kSourceLang / "res1033.ini");
    for (const fs::path& file : ShippedFiles()) {
        const ParsedFile other = ParseStrictly(file);
        for (const auto& [key, text] : english.entries) {
            const auto it = other.entries.find(key);
            if (it == other.entries.end()) {
                ADD_FAILURE() << file.filename() << " lacks " << key;
                continue;
            }
            EXPECT_EQ(Markers(it->second), Markers(text)) << file.filename() << " " << key;
        }
        for (const auto& entry : other.entries) {
            EXPECT_TRUE(english.entries.count(entry.first))
                << file.filename() << " has a key English lacks: " << entry.first;
        }
    }
}

TEST(LanguageFiles, EveryKeyTheCodeUsesIsInTheEnglishFile) {
    const ParsedFile english = ParseStrictly(kSourceLang / "res1033.ini");
    const std::set<std::string> used = KeysUsedInSources();
    // The string table itself reads the header keys, so the scan cannot come back empty.
    ASSERT_TRUE(used.count("lang.name"));
    for (const std::string& key : used) {
        EXPECT_TRUE(english.entries.count(key)) << "res1033.ini lacks " << key;
    }
}

TEST(LanguageFiles, TheBuildCopiesThemIntoTheResourceFolder) {
    const fs::path installed = StringTable::LanguageFolder(ResourceFolder());
    for (const fs::path& file : ShippedFiles()) {
        const fs::path copy = installed / file.filename();
        ASSERT_TRUE(fs::exists(copy)) << copy;
        EXPECT_EQ(test::ReadFileBytes(copy), test::ReadFileBytes(file)) << copy;
    }
    StringTable table;
    ASSERT_TRUE(table.ListLanguages(ResourceFolder()));
    EXPECT_EQ(table.GetLanguageId(L"English"), L"1033");
    EXPECT_EQ(table.GetLanguageId(L"Deutsch"), L"1031");
    EXPECT_EQ(table.GetLanguageId(L"Espa\u00F1ol"), L"3082");
}

}  // namespace talvex
