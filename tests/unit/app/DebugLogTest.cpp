#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/DebugLog.h"
#include "app/SettingsStore.h"
#include "support/TestHome.h"

namespace talvex {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::ScopedEnv;
using test::TestHome;
using test::WriteFileBytes;

namespace {

fs::path LogFile(const TestHome& home) {
    return home.DataFolder() / "Log.txt";
}

}  // namespace

TEST(DebugLog, StaysOffUnlessTheSwitchIsExactlyTheNumberOne) {
    TestHome home;
    fs::create_directories(home.DataFolder());
    const std::string settings[] = {"{}", R"({"DebugLogging": 0})", R"({"DebugLogging": 2})",
                                    R"({"DebugLogging": "1"})", R"({"DebugLogging": 1.0})"};
    for (const std::string& s : settings) {
        WriteFileBytes(home.SettingsFile(), s);
        DebugLog::Write("Enter Engine::Download");
        DebugLog::Write(L"Enter Engine::Download");
        EXPECT_FALSE(DebugLog::Enabled()) << s;
        EXPECT_FALSE(fs::exists(LogFile(home))) << s;
    }
}

TEST(DebugLog, WritesLinesAsGivenOnceSwitchedOnWhileRunning) {
    TestHome home;
    fs::create_directories(home.DataFolder());
    SettingsStore store;
    DebugLog::Write("before");
    ASSERT_TRUE(store.SetNumber(setting::kDebugLogging, 1));
    DebugLog::Write("Enter SiteParser::Format %s %d %%");
    DebugLog::Write(L"Enter SiteParser::GetHtml with URL:http://h/\u00e9\u4e2d");
    DebugLog::Write(std::string("Exit Engine::Download (failed 2)"));
    DebugLog::Write("");
    ASSERT_TRUE(store.SetNumber(setting::kDebugLogging, 0));
    DebugLog::Write("after");
    EXPECT_EQ(ReadFileBytes(LogFile(home)),
              "Enter SiteParser::Format %s %d %%\n"
              "Enter SiteParser::GetHtml with URL:http://h/\xc3\xa9\xe4\xb8\xad\n"
              "Exit Engine::Download (failed 2)\n"
              "\n");
}

TEST(DebugLog, DropsLinesWhenTheDataFolderIsMissing) {
    TestHome home;
    fs::remove_all(home.DataFolder());
    ASSERT_TRUE(SettingsStore().SetNumber(setting::kDebugLogging, 1));
    DebugLog::Write("Enter Engine::Init");
    DebugLog::Write(L"Enter Engine::Init");
    EXPECT_FALSE(fs::exists(home.DataFolder()));
}

TEST(DebugLog, LinesFromConcurrentThreadsStayWhole) {
    TestHome home;
    fs::create_directories(home.DataFolder());
    ASSERT_TRUE(SettingsStore().SetNumber(setting::kDebugLogging, 1));
    constexpr int kThreads = 4;
    constexpr int kLines = 50;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            // Long lines make a torn write visible.
            const std::string narrow(300, static_cast<char>('a' + t));
            const std::wstring wide(300, static_cast<wchar_t>(L'k' + t));
            for (int i = 0; i < kLines; ++i) {
                if (i % 2 == 0) {
                    DebugLog::Write(narrow);
                } else {
                    DebugLog::Write(wide);
                }
            }
        });
    }
    for (auto& th : threads) {
        th.join();
    }
    std::istringstream in(ReadFileBytes(LogFile(home)));
    std::map<std::string, int> counts;
    for (std::string line; std::getline(in, line);) {
        ++counts[line];
    }
    ASSERT_EQ(counts.size(), 2u * kThreads);
    for (int t = 0; t < kThreads; ++t) {
        EXPECT_EQ(counts[std::string(300, static_cast<char>('a' + t))], kLines / 2);
        EXPECT_EQ(counts[std::string(300, static_cast<char>('k' + t))], kLines / 2);
    }
}

TEST(DebugLog, TraceGoesToStandardErrorOnlyWhenAsked) {
    {
        ScopedEnv off("TALVEX_TRACE", std::nullopt);
        testing::internal::CaptureStderr();
        Trace("hidden");
        Trace(L"hidden");
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    }
    ScopedEnv on("TALVEX_TRACE", "1");
    testing::internal::CaptureStderr();
    Trace("cannot listen");
    Trace(L"caf\u00e9\n");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "cannot listen\ncaf\xc3\xa9\n");
}

}  // namespace talvex
