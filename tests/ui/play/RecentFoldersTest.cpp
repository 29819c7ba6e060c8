// The recent folders list against real settings and real folders: what a sequence of
// additions leaves in the drop-down and in "MruDir1".."MruDir5", trimming included.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "app/SettingsStore.h"
#include "support/TestHome.h"
#include "ui/RecentFolders.h"

namespace talvex::test {
namespace {

namespace fs = std::filesystem;
using ui::RecentFolders;
using AddResult = RecentFolders::AddResult;

// Folders are named by tokens: "A".."F", "a" and "Ab" exist below the test's root; a token
// with a trailing "/" is the same folder written with it; "missing" does not exist; "" is
// empty text.
struct Case {
    const char* name;
    std::vector<std::string> stored;  // MruDir1..: "" leaves the value out
    std::vector<std::string> added;
    std::vector<AddResult> results;
    std::vector<std::string> rows;       // the folder rows after the additions
    std::vector<std::string> afterSave;  // MruDir1..5 after a save ("" = not stored)
};

const std::vector<Case> kCases = {
    {"five additions leave four: the title row counts toward five",
     {},
     {"A", "B", "C", "D", "E"},
     {AddResult::Added, AddResult::Added, AddResult::Added, AddResult::Added, AddResult::Added},
     {"E", "D", "C", "B"},
     {"E", "D", "C", "B", ""}},
    {"five stored folders are all shown until something is added",
     {"A", "B", "C", "D", "E"},
     {},
     {},
     {"A", "B", "C", "D", "E"},
     {"A", "B", "C", "D", "E"}},
    {"an addition to five stored drops two, but the fifth value stays stored",
     {"A", "B", "C", "D", "E"},
     {"F"},
     {AddResult::Added},
     {"F", "A", "B", "C"},
     {"F", "A", "B", "C", "E"}},
    {"a known folder is not moved, yet the list is trimmed",
     {"A", "B", "C", "D", "E"},
     {"C"},
     {AddResult::Known},
     {"A", "B", "C", "D"},
     {"A", "B", "C", "D", "E"}},
    {"a trailing slash names the same folder",
     {"A"},
     {"A/"},
     {AddResult::Known},
     {"A"},
     {"A", "", "", "", ""}},
    {"a stored trailing slash names the same folder",
     {"A/"},
     {"A"},
     {AddResult::Known},
     {"A/"},
     {"A/", "", "", "", ""}},
    {"other letter case is another folder here",
     {"A"},
     {"a"},
     {AddResult::Added},
     {"a", "A"},
     {"a", "A", "", "", ""}},
    {"a folder whose path begins another listed one is still added",
     {"Ab"},
     {"A"},
     {AddResult::Added},
     {"A", "Ab"},
     {"A", "Ab", "", "", ""}},
    {"a folder that does not exist is not added",
     {"A"},
     {"missing"},
     {AddResult::Missing},
     {"A"},
     {"A", "", "", "", ""}},
    {"empty text adds nothing",
     {"A", "B"},
     {""},
     {AddResult::Empty},
     {"A", "B"},
     {"A", "B", "", "", ""}},
    {"gaps close up in the list; the value after the last row keeps its old folder",
     {"A", "", "C"},
     {},
     {},
     {"A", "C"},
     {"A", "C", "C", "", ""}},
    {"a folder added with a trailing slash is listed without it",
     {},
     {"B/", "B"},
     {AddResult::Added, AddResult::Known},
     {"B"},
     {"B", "", "", "", ""}},
};

void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

class RecentFoldersTest : public ::testing::TestWithParam<Case> {
protected:
    RecentFoldersTest() {
        for (const char* name : {"A", "B", "C", "D", "E", "F", "a", "Ab"}) {
            fs::create_directories(root / name);
        }
    }

    std::wstring Folder(const std::string& token) const {
        if (token.empty()) {
            return std::wstring();
        }
        return (root / token).wstring();
    }

    std::vector<std::wstring> Folders(const std::vector<std::string>& tokens) const {
        std::vector<std::wstring> out;
        for (const std::string& token : tokens) {
            out.push_back(Folder(token));
        }
        return out;
    }

    std::vector<std::wstring> Stored() const {
        std::vector<std::wstring> out;
        for (int n = 1; n <= setting::kMruDirCount; ++n) {
            out.push_back(settings.GetString(setting::MruDirName(n), L""));
        }
        return out;
    }

    TestHome home;
    SettingsStore settings;
    fs::path root = home.Root() / "media";
};

TEST_P(RecentFoldersTest, AdditionsAndSaving) {
    const Case& c = GetParam();
    for (size_t i = 0; i < c.stored.size(); ++i) {
        if (!c.stored[i].empty()) {
            settings.SetString(setting::MruDirName(static_cast<int>(i) + 1), Folder(c.stored[i]));
        }
    }
    RecentFolders recent(settings);
    recent.SetTitle(L"View recently used folders");
    recent.Load();

    std::vector<AddResult> results;
    for (const std::string& token : c.added) {
        results.push_back(recent.Add(Folder(token)));
    }
    EXPECT_EQ(results, c.results);

    std::vector<std::wstring> expectedRows = {L"View recently used folders"};
    for (const std::wstring& folder : Folders(c.rows)) {
        expectedRows.push_back(folder);
    }
    EXPECT_EQ(recent.Rows(), expectedRows);

    recent.Save();
    EXPECT_EQ(Stored(), Folders(c.afterSave));

    // What the next start shows.
    RecentFolders next(settings);
    next.Load();
    std::vector<std::wstring> reloaded(next.Rows().begin() + 1, next.Rows().end());
    std::vector<std::wstring> expectedReload;
    for (const std::wstring& folder : Folders(c.afterSave)) {
        if (!folder.empty()) {
            expectedReload.push_back(folder);
        }
    }
    EXPECT_EQ(reloaded, expectedReload);
}

INSTANTIATE_TEST_SUITE_P(Table, RecentFoldersTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) {
                             std::string name;
                             for (const char* p = info.param.name; *p != '\0'; ++p) {
                                 name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             }
                             return name;
                         });

class RecentFoldersRowsTest : public ::testing::Test {
protected:
    TestHome home;
    SettingsStore settings;
};

TEST_F(RecentFoldersRowsTest, TheTitleRowChangesWithTheLanguageAndNamesNoFolder) {
    const fs::path folder = home.Root() / "clips";
    fs::create_directories(folder);
    RecentFolders recent(settings);
    recent.SetTitle(L"View recently used folders");
    ASSERT_EQ(recent.Add(folder.wstring()), AddResult::Added);
    recent.SetTitle(L"Zuletzt verwendete Ordner anzeigen");

    ASSERT_EQ(recent.Rows().size(), 2u);
    EXPECT_EQ(recent.Rows()[0], L"Zuletzt verwendete Ordner anzeigen");
    EXPECT_EQ(recent.FolderAt(0), L"");
    EXPECT_EQ(recent.FolderAt(1), folder.wstring());
    EXPECT_EQ(recent.FolderAt(2), L"");
    EXPECT_EQ(recent.MostRecent(), folder.wstring());
}

TEST_F(RecentFoldersRowsTest, TheRootFolderKeepsItsSlash) {
    EXPECT_EQ(RecentFolders::WithoutTrailingSlash(L"/"), L"/");
    EXPECT_EQ(RecentFolders::WithoutTrailingSlash(L"/srv//"), L"/srv");
    RecentFolders recent(settings);
    EXPECT_EQ(recent.Add(L"/"), AddResult::Added);
    EXPECT_EQ(recent.Add(L"/"), AddResult::Known);
    EXPECT_EQ(recent.MostRecent(), L"/");
}

}  // namespace
}  // namespace talvex::test
