#include "app/StringTable.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "app/SettingsStore.h"
#include "support/TestHome.h"

namespace talvex {

namespace fs = std::filesystem;
using test::TempDir;
using test::TestHome;
using test::WriteFileBytes;

namespace {

std::string LanguageFileText(const std::string& name, const std::string& id,
                             const std::string& body) {
    return "lang.name=" + name + "\nlang.id=" + id + "\n" + body;
}

}  // namespace

TEST(StringTableLoad, ParsesEntriesAsKeyBeforeTheFirstEqualsSign) {
    TempDir dir;
    const fs::path file = dir.Path() / "res1033.ini";
    WriteFileBytes(file, LanguageFileText("English", "1033",
                                          "[Section]\n"
                                          "  dlg.a  =  spaced text\r\n"
                                          "dlg.b=x=y\n"
                                          "no equals sign here\n"
                                          "dlg.c=first\n"
                                          "dlg.c=second\n"
                                          "dlg.utf=Gr\xC3\xBC\xC3\x9F"
                                          "e\r\n"
                                          "dlg.last=no newline at the end"));
    StringTable table;
    ASSERT_TRUE(table.Load(file, false));
    EXPECT_EQ(table.GetText(L"dlg.a"), L"  spaced text");
    EXPECT_EQ(table.GetText(L"dlg.b"), L"x=y");
    EXPECT_EQ(table.GetText(L"dlg.c"), L"second");
    EXPECT_EQ(table.GetText(L"dlg.utf"), L"Gr\u00FC\u00DFe");
    EXPECT_EQ(table.GetText(L"dlg.last"), L"no newline at the end");
    EXPECT_EQ(table.GetText(L"lang.name"), L"English");
    EXPECT_EQ(table.GetText(L"no equals sign here", L"-"), L"-");
}

TEST(StringTableLoad, SkipsAByteOrderMarkAndCutsOverlongLinesWithoutReadingTheirTail) {
    TempDir dir;
    const fs::path file = dir.Path() / "res1.ini";
    const std::string longText(StringTable::kMaxLineBytes + 100, 'x');
    WriteFileBytes(file, "\xEF\xBB\xBFlang.name=One\nlang.id=1\ndlg.long=" + longText +
                             "tail.key=injected\ndlg.after=kept\n");
    StringTable table;
    ASSERT_TRUE(table.Load(file, false));
    EXPECT_EQ(table.GetText(L"lang.name"), L"One");
    const std::wstring loaded = table.GetText(L"dlg.long");
    EXPECT_EQ(loaded.size(), StringTable::kMaxLineBytes - std::string("dlg.long=").size());
    EXPECT_EQ(table.GetText(L"tail.key", L"absent"), L"absent");
    EXPECT_EQ(table.GetText(L"dlg.after"), L"kept");
    ASSERT_TRUE(table.Load(file, true));
    EXPECT_EQ(table.GetLanguageId(L"One"), L"1");
}

TEST(StringTableLoad, AMissingFileEmptiesTheTable) {
    TempDir dir;
    const fs::path file = dir.Path() / "res1033.ini";
    WriteFileBytes(file, LanguageFileText("English", "1033", "dlg.x=loaded\n"));
    StringTable table;
    ASSERT_TRUE(table.Load(file, false));
    EXPECT_FALSE(table.Load(dir.Path() / "missing.ini", false));
    EXPECT_EQ(table.GetText(L"dlg.x", L"built-in"), L"built-in");
    EXPECT_FALSE(table.Load(dir.Path(), false));  // a folder is not a language file
}

TEST(StringTableGetText, FallsBackToTheDefaultAndExpandsEscapesOfFoundKeys) {
    TempDir dir;
    const fs::path file = dir.Path() / "res1033.ini";
    WriteFileBytes(file, LanguageFileText("English", "1033",
                                          "dlg.empty=\n"
                                          "dlg.lines=first\\nsecond\\tcolumn\n"
                                          "dlg.backslash=C:\\\\x and \\q\n"));
    StringTable table;
    ASSERT_TRUE(table.Load(file, false));
    EXPECT_EQ(table.GetText(L"dlg.lines"), L"first\nsecond\tcolumn");
    EXPECT_EQ(table.GetText(L"dlg.backslash"), L"C:\\\\x and \\q");
    // An empty text uses the default, which then gets the same expansion...
    EXPECT_EQ(table.GetText(L"dlg.empty", L"a\\nb"), L"a\nb");
    // ...as does the default of a key that is missing altogether.
    EXPECT_EQ(table.GetText(L"dlg.missing", L"a\\nb"), L"a\nb");
    EXPECT_EQ(table.GetText(L"dlg.missing"), L"");
}

TEST(StringTableLanguages, HeaderOnlyLoadNeedsNameThenIdOnTheNextLine) {
    TempDir dir;
    StringTable table;
    const auto write = [&](const std::string& name, const std::string& text) {
        WriteFileBytes(dir.Path() / name, text);
        return dir.Path() / name;
    };
    EXPECT_TRUE(table.Load(write("a.ini", "\n\nlang.name=Alpha\nlang.id=11\n"), true));
    EXPECT_FALSE(table.Load(write("b.ini", "dlg.x=1\nlang.name=Beta\nlang.id=12\n"), true));
    EXPECT_FALSE(table.Load(write("c.ini", "lang.name=Gamma\n\nlang.id=13\n"), true));
    EXPECT_FALSE(table.Load(write("d.ini", "lang.name=\nlang.id=14\n"), true));
    EXPECT_FALSE(table.Load(write("e.ini", "lang.name=Epsilon\nlang.id=\n"), true));
    EXPECT_FALSE(table.Load(write("f.ini", "lang.name=Zeta\nlang.id=../../etc/x\n"), true));
    EXPECT_FALSE(table.Load(dir.Path() / "missing.ini", true));

    const auto languages = table.Languages();
    ASSERT_EQ(languages.size(), 1u);
    EXPECT_EQ(languages[0].first, L"Alpha");
    EXPECT_EQ(languages[0].second, L"11");
}

TEST(StringTableLanguages, ListingReadsEveryIniInTheLangFolder) {
    TempDir resources;
    StringTable table;
    ASSERT_TRUE(table.ListLanguages(resources.Path()));  // no Lang folder at all
    EXPECT_TRUE(table.Languages().empty());
    EXPECT_EQ(table.GetLanguageId(L"Anything"), L"1033");

    const fs::path lang = StringTable::LanguageFolder(resources.Path());
    WriteFileBytes(lang / "res1031.ini", LanguageFileText("Deutsch", "1031", ""));
    WriteFileBytes(lang / "res1033.ini", LanguageFileText("English", "1033", ""));
    WriteFileBytes(lang / "res2000.ini", LanguageFileText("Deutsch", "2000", ""));
    WriteFileBytes(lang / "res3082.INI", LanguageFileText("Espa\xC3\xB1ol", "3082", ""));
    WriteFileBytes(lang / "notes.txt", LanguageFileText("Notes", "9", ""));
    WriteFileBytes(lang / "broken.ini", "dlg.x=no header\n");
    ASSERT_TRUE(table.ListLanguages(resources.Path()));

    const auto languages = table.Languages();
    ASSERT_EQ(languages.size(), 3u);
    EXPECT_EQ(languages[0].first, L"Deutsch");
    EXPECT_EQ(languages[1].first, L"English");
    EXPECT_EQ(languages[2].first, L"Espa\u00F1ol");
    // Two files naming the same language: the later file wins.
    EXPECT_EQ(table.GetLanguageId(L"Deutsch"), L"2000");
    EXPECT_EQ(table.GetLanguageId(L"Espa\u00F1ol"), L"3082");
    EXPECT_EQ(table.GetLanguageId(L"Klingon"), L"");

    // A new listing starts from scratch.
    fs::remove_all(lang);
    ASSERT_TRUE(table.ListLanguages(resources.Path()));
    EXPECT_TRUE(table.Languages().empty());
}

TEST(StringTableLanguages, LanguageFilePathRejectsIdentifiersThatLeaveTheFolder) {
    EXPECT_EQ(StringTable::LanguageFile("/res", L"1033"), fs::path("/res/Lang/res1033.ini"));
    EXPECT_TRUE(StringTable::IsValidLanguageId(L"1033"));
    EXPECT_TRUE(StringTable::IsValidLanguageId(L"pt-BR_2"));
    EXPECT_FALSE(StringTable::IsValidLanguageId(L""));
    EXPECT_FALSE(StringTable::IsValidLanguageId(L"../1033"));
    EXPECT_FALSE(StringTable::IsValidLanguageId(L"a/b"));
    EXPECT_FALSE(StringTable::IsValidLanguageId(L"10 33"));

    TempDir resources;
    WriteFileBytes(resources.Path() / "secret.ini", LanguageFileText("X", "1", "dlg.x=secret\n"));
    StringTable table;
    EXPECT_FALSE(table.LoadLanguage(resources.Path(), L"../secret"));
    EXPECT_EQ(table.GetText(L"dlg.x", L"built-in"), L"built-in");
}

TEST(StringTableSettings, LoadsTheLanguageNamedByTheSettingAndSwitchesByName) {
    TestHome home;
    TempDir resources;
    const fs::path lang = StringTable::LanguageFolder(resources.Path());
    WriteFileBytes(lang / "res1033.ini", LanguageFileText("English", "1033", "tab.x=Play\n"));
    WriteFileBytes(lang / "res1031.ini", LanguageFileText("Deutsch", "1031", "tab.x=Abspielen\n"));
    SettingsStore settings;
    StringTable table;

    // A fresh user reads the default language.
    ASSERT_TRUE(table.LoadCurrentLanguage(settings, resources.Path()));
    EXPECT_EQ(table.GetText(L"tab.x"), L"Play");

    ASSERT_TRUE(table.ListLanguages(resources.Path()));
    EXPECT_FALSE(table.SwitchLanguage(settings, resources.Path(), L"Unlisted"));
    EXPECT_EQ(settings.GetString(L"Language", L"unset"), L"unset");
    EXPECT_EQ(table.GetText(L"tab.x"), L"Play");

    ASSERT_TRUE(table.SwitchLanguage(settings, resources.Path(), L"Deutsch"));
    EXPECT_EQ(settings.GetString(L"Language", L""), L"1031");
    EXPECT_EQ(table.GetText(L"tab.x"), L"Abspielen");

    // The choice survives into the next start.
    StringTable next;
    ASSERT_TRUE(next.LoadCurrentLanguage(SettingsStore(), resources.Path()));
    EXPECT_EQ(next.GetText(L"tab.x"), L"Abspielen");

    // A setting naming a file that is gone falls back to the built-in texts.
    ASSERT_TRUE(settings.SetString(L"Language", L"9999"));
    EXPECT_FALSE(next.LoadCurrentLanguage(settings, resources.Path()));
    EXPECT_EQ(next.GetText(L"tab.x", L"Play (built-in)"), L"Play (built-in)");
}

TEST(StringTableThreads, ReadersSeeWholeLanguagesWhileTheLanguageSwitches) {
    TempDir dir;
    std::string english;
    std::string german;
    for (int i = 0; i < 200; ++i) {
        english += "dlg.k" + std::to_string(i) + "=en\n";
        german += "dlg.k" + std::to_string(i) + "=de\n";
    }
    WriteFileBytes(dir.Path() / "en.ini", LanguageFileText("English", "1033", english));
    WriteFileBytes(dir.Path() / "de.ini", LanguageFileText("Deutsch", "1031", german));
    StringTable table;
    ASSERT_TRUE(table.Load(dir.Path() / "en.ini", false));

    std::atomic<bool> done{false};
    std::atomic<int> bad{0};
    std::vector<std::thread> readers;
    for (int r = 0; r < 2; ++r) {
        readers.emplace_back([&, r] {
            for (int n = 0; n < 20000 && !done; ++n) {
                const std::wstring text = table.GetText(L"dlg.k" + std::to_wstring((n + r) % 200));
                if (text != L"en" && text != L"de") {
                    ++bad;
                }
            }
        });
    }
    for (int n = 0; n < 40; ++n) {
        table.Load(dir.Path() / (n % 2 ? "en.ini" : "de.ini"), false);
    }
    done = true;
    for (auto& t : readers) {
        t.join();
    }
    EXPECT_EQ(bad.load(), 0);
}

}  // namespace talvex
