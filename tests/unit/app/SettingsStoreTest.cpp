#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "app/SettingsStore.h"
#include "support/TestHome.h"

namespace talvex {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::TestHome;
using test::WriteFileBytes;

namespace {

std::set<std::string> FileNames(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

}  // namespace

TEST(SettingsStore, FreshUserReadsDefaultsAndFirstWriteCreatesTheFile) {
    TestHome home;
    SettingsStore store;
    EXPECT_EQ(store.File(), home.SettingsFile());
    EXPECT_EQ(store.GetNumber(setting::kDownloadQuality), 0u);
    EXPECT_EQ(store.GetNumber(setting::kDebugLogging), 0u);
    EXPECT_EQ(store.GetLanguage(), L"1033");
    EXPECT_EQ(store.GetInstallationId(), L"");
    EXPECT_EQ(store.GetActivitySortColumn(), L"");
    EXPECT_EQ(store.GetString(setting::kConversionParams, L"none"), L"none");
    EXPECT_EQ(store.GetDownloadFolder(), home.Home().wstring());  // no XDG documents folder
    EXPECT_FALSE(fs::exists(home.SettingsFile()));

    ASSERT_TRUE(store.SetNumber(setting::kAutoConvert, 1));
    ASSERT_TRUE(fs::exists(home.SettingsFile()));
    EXPECT_EQ(store.GetNumber(setting::kAutoConvert), 1u);
    EXPECT_EQ(fs::status(home.SettingsFile()).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
}

TEST(SettingsStore, ValuesRoundTripAndLandInTheFileAsTypedJson) {
    TestHome home;
    SettingsStore store;
    ASSERT_TRUE(store.SetString(setting::kActivitySortCol, L"Speed|Desc"));
    ASSERT_TRUE(store.SetString(setting::kConversionParams, L"-vcodec copy \u00e9\u4e2d"));
    ASSERT_TRUE(store.SetNumber(setting::kNextCheckAutoUpdate, 4294967295u));
    ASSERT_TRUE(store.SetString(setting::MruDirName(3), L"/media/x"));
    ASSERT_TRUE(store.SetString(setting::kActivitySortCol, L"ETA|Asc"));  // replaces

    EXPECT_EQ(store.GetActivitySortColumn(), L"ETA|Asc");
    EXPECT_EQ(store.GetString(setting::kConversionParams, L""), L"-vcodec copy \u00e9\u4e2d");
    EXPECT_EQ(store.GetNumber(setting::kNextCheckAutoUpdate), 4294967295u);
    EXPECT_EQ(store.GetString(L"MruDir3", L""), L"/media/x");

    auto json = nlohmann::json::parse(ReadFileBytes(home.SettingsFile()));
    EXPECT_EQ(json["ActivitySortCol"], "ETA|Asc");
    EXPECT_TRUE(json["NextCheckAutoUpdate"].is_number_unsigned());
    EXPECT_EQ(json["ConversionParams"], "-vcodec copy \xc3\xa9\xe4\xb8\xad");
}

TEST(SettingsStore, ValuesOfTheWrongTypeOrRangeReadAsDefaults) {
    TestHome home;
    WriteFileBytes(home.SettingsFile(), R"({
        "DebugLogging": "1", "DownloadQuality": 1.0, "AutoConvert": -1,
        "ConvertQuality": 4294967296, "ConversionType": true, "Language": 1041,
        "ISN": null, "ActivitySortCol": ["Speed|Desc"], "DeleteOriginalFile": 7
    })");
    SettingsStore store;
    EXPECT_EQ(store.GetNumber(setting::kDebugLogging), 0u);
    EXPECT_EQ(store.GetNumber(setting::kDownloadQuality), 0u);
    EXPECT_EQ(store.GetNumber(setting::kAutoConvert), 0u);
    EXPECT_EQ(store.GetNumber(setting::kConvertQuality), 0u);
    EXPECT_EQ(store.GetNumber(setting::kConversionType), 0u);
    EXPECT_EQ(store.GetLanguage(), L"1033");
    EXPECT_EQ(store.GetInstallationId(), L"");
    EXPECT_EQ(store.GetActivitySortColumn(), L"");
    EXPECT_EQ(store.GetNumber(setting::kDeleteOriginalFile), 7u);  // the one valid number

    // Writing one value keeps the others exactly as they were.
    ASSERT_TRUE(store.SetNumber(setting::kAutoConvert, 1));
    auto json = nlohmann::json::parse(ReadFileBytes(home.SettingsFile()));
    EXPECT_EQ(json["DebugLogging"], "1");
    EXPECT_TRUE(json["DownloadQuality"].is_number_float());
    EXPECT_EQ(json["ActivitySortCol"][0], "Speed|Desc");
}

TEST(SettingsStore, DownloadFolderFallsBackWhenMissingOrEmpty) {
    TestHome home;
    SettingsStore store;
    fs::create_directories(home.Home() / "Docs");
    WriteFileBytes(home.ConfigHome() / "user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME/Docs\"\n");
    EXPECT_EQ(store.GetDownloadFolder(), (home.Home() / "Docs").wstring());
    ASSERT_TRUE(store.SetString(setting::kDownloadDirectory, L""));
    EXPECT_EQ(store.GetDownloadFolder(), (home.Home() / "Docs").wstring());
    ASSERT_TRUE(store.SetString(setting::kDownloadDirectory, L"/srv/videos"));
    EXPECT_EQ(store.GetDownloadFolder(), L"/srv/videos");
}

TEST(SettingsStore, BadFileReadsAsDefaultsAndIsMovedAsideBeforeTheNextWrite) {
    TestHome home;
    SettingsStore store;
    const std::string garbage[] = {
        R"({"Language": "1031", "AutoConvert": 1)",  // truncated
        "\x01\xff\xfe not json",
        R"([{"Language": "1031"}])",  // JSON, but not an object
        "{\"Language\": \"\xff\"}",   // invalid UTF-8 in a string
    };
    for (const std::string& bad : garbage) {
        SCOPED_TRACE(bad);
        WriteFileBytes(home.SettingsFile(), bad);
        EXPECT_EQ(store.GetLanguage(), L"1033");
        EXPECT_EQ(store.GetNumber(setting::kAutoConvert), 0u);
        EXPECT_EQ(ReadFileBytes(home.SettingsFile()), bad);  // reading changes nothing
    }
    // Each bad file in turn is kept under a name of its own.
    const fs::path folder = home.SettingsFile().parent_path();
    for (int i = 0; i < 2; ++i) {
        WriteFileBytes(home.SettingsFile(), garbage[i]);
        ASSERT_TRUE(store.SetString(setting::kLanguage, L"1031"));
        EXPECT_EQ(store.GetLanguage(), L"1031");
    }
    EXPECT_EQ(ReadFileBytes(folder / "Talvex.json.bad"), garbage[0]);
    EXPECT_EQ(ReadFileBytes(folder / "Talvex.json.bad2"), garbage[1]);
    // A good file is never moved aside.
    ASSERT_TRUE(store.SetNumber(setting::kAutoConvert, 1));
    EXPECT_FALSE(fs::exists(folder / "Talvex.json.bad3"));
}

TEST(SettingsStore, FailedWriteLeavesTheFileAsItWas) {
    TestHome home;
    SettingsStore store;
    ASSERT_TRUE(store.SetString(setting::kLanguage, L"1031"));
    const std::string before = ReadFileBytes(home.SettingsFile());
    // A folder where the lock file belongs: the writer cannot lock (tests run as root, so
    // permissions cannot make the folder unwritable).
    fs::remove(home.SettingsFile().string() + ".lock");
    fs::create_directory(home.SettingsFile().string() + ".lock");
    EXPECT_FALSE(store.SetString(setting::kLanguage, L"1049"));
    EXPECT_EQ(ReadFileBytes(home.SettingsFile()), before);
    EXPECT_EQ(store.GetLanguage(), L"1031");
}

TEST(SettingsStore, ConcurrentWritersFromManyThreadsLoseNoValue) {
    TestHome home;
    constexpr int kThreads = 4;
    constexpr int kWritesEach = 25;
    std::vector<std::thread> threads;
    std::vector<int> failures(kThreads, 0);
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &failures] {
            SettingsStore store;
            for (int i = 0; i < kWritesEach; ++i) {
                if (!store.SetNumber(L"Thread" + std::to_wstring(t) + L"_" + std::to_wstring(i),
                                     static_cast<uint32_t>(i))) {
                    ++failures[t];
                }
            }
        });
    }
    for (auto& th : threads) {
        th.join();
    }
    SettingsStore store;
    for (int t = 0; t < kThreads; ++t) {
        EXPECT_EQ(failures[t], 0);
        for (int i = 0; i < kWritesEach; ++i) {
            EXPECT_EQ(store.GetNumber(L"Thread" + std::to_wstring(t) + L"_" + std::to_wstring(i)),
                      static_cast<uint32_t>(i));
        }
    }
    // Only the settings file and its lock remain: no temporary file was left behind.
    EXPECT_EQ(FileNames(home.SettingsFile().parent_path()),
              (std::set<std::string>{"Talvex.json", "Talvex.json.lock"}));
}

TEST(SettingsStore, SymbolicLinkToTheSettingsFileIsKept) {
    TestHome home;
    const fs::path real = home.Home() / "dotfiles" / "talvex.json";
    WriteFileBytes(real, R"({"Language": "1031"})");
    fs::create_directories(home.SettingsFile().parent_path());
    fs::create_symlink(real, home.SettingsFile());
    SettingsStore store;
    EXPECT_EQ(store.GetLanguage(), L"1031");
    ASSERT_TRUE(store.SetNumber(setting::kAutoConvert, 1));
    EXPECT_TRUE(fs::is_symlink(home.SettingsFile()));
    EXPECT_EQ(nlohmann::json::parse(ReadFileBytes(real))["AutoConvert"], 1);
}

}  // namespace talvex
