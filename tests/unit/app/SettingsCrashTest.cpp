// A writer killed at any moment must leave a settings file that parses, with every value of the
// type it was written with. The writer is this test binary started again with a filter that runs
// only the disabled writer case below, which loops writing until killed.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <thread>

#include <nlohmann/json.hpp>

#include "SelfSpawn.h"
#include "app/SettingsStore.h"
#include "support/TestHome.h"

namespace talvex {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::ScopedEnv;
using test::TestHome;

namespace {

constexpr char kWriterFlag[] = "TALVEX_TEST_SETTINGS_WRITER";
constexpr size_t kPayloadBytes = 128 * 1024;  // a write takes a while

bool HasTempFile(const fs::path& folder) {
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->path().extension() == ".tmp") {
            return true;
        }
    }
    return false;
}

}  // namespace

TEST(SettingsWriterChild, DISABLED_WritesUntilKilled) {
    if (std::getenv(kWriterFlag) == nullptr) {
        GTEST_SKIP() << "only run as the writer of SettingsStore.KilledWriterNeverLeavesAHalfFile";
    }
    SettingsStore store;
    // Bounded even if nobody kills it.
    for (uint32_t i = 1; i <= 100000; ++i) {
        store.SetNumber(L"Counter", i);
        store.SetString(L"Payload",
                        std::wstring(kPayloadBytes, static_cast<wchar_t>(L'a' + i % 26)));
    }
}

TEST(SettingsStore, KilledWriterNeverLeavesAHalfFile) {
    TestHome home;
    ScopedEnv flag(kWriterFlag, "1");
    SettingsStore store;
    ASSERT_TRUE(store.SetString(L"Keep", L"this value"));
    std::mt19937 random(12345);
    constexpr int kRounds = 10;
    uint32_t lastCounter = 0;
    int killedMidWrite = 0;  // rounds that left a temporary file: the kill hit a write
    for (int round = 0; round < kRounds; ++round) {
        pid_t pid = test::SpawnSelf("SettingsWriterChild.DISABLED_WritesUntilKilled");
        ASSERT_GT(pid, 0);
        // Wait (bounded) until this writer has written at least once; then kill it, in most
        // rounds right when a temporary file shows that it is in the middle of a write.
        for (int i = 0; i < 1000 && store.GetNumber(L"Counter") == lastCounter; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        if (round % 3 == 2) {
            std::this_thread::sleep_for(std::chrono::milliseconds(random() % 200));
        } else {
            for (int i = 0; i < 20000 && !HasTempFile(home.SettingsFile().parent_path()); ++i) {
                std::this_thread::sleep_for(std::chrono::microseconds(100));
            }
        }
        ::kill(pid, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer ended on its own";

        SCOPED_TRACE("round " + std::to_string(round));
        const std::string text = ReadFileBytes(home.SettingsFile());
        nlohmann::json json = nlohmann::json::parse(text, nullptr, false);
        ASSERT_FALSE(json.is_discarded()) << "half-written settings file";
        ASSERT_TRUE(json.is_object());
        EXPECT_EQ(json["Keep"], "this value");
        ASSERT_TRUE(json["Counter"].is_number_unsigned());
        lastCounter = json["Counter"].get<uint32_t>();
        EXPECT_GT(lastCounter, 0u);
        if (json.contains("Payload")) {
            ASSERT_TRUE(json["Payload"].is_string());
            EXPECT_EQ(json["Payload"].get_ref<const std::string&>().size(), kPayloadBytes);
        }
        EXPECT_FALSE(fs::exists(home.SettingsFile().string() + ".bad"));
        killedMidWrite += HasTempFile(home.SettingsFile().parent_path()) ? 1 : 0;
    }
    RecordProperty("KilledMidWrite", killedMidWrite);
    // The next write clears away the temporary files of killed writers.
    ASSERT_TRUE(store.SetNumber(L"Counter", 0));
    EXPECT_FALSE(HasTempFile(home.SettingsFile().parent_path()));
}

}  // namespace talvex
