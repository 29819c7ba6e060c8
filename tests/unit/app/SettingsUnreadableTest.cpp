// A settings file that cannot be read this time (no descriptor left, an I/O error, something
// other than a regular file in its place) is not a corrupt file: reads get the defaults, writes
// fail, and the file is neither moved aside nor replaced.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "SelfSpawn.h"
#include "app/SettingsStore.h"
#include "support/TestHome.h"

namespace talvex {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::ScopedEnv;
using test::TestHome;
using test::WriteFileBytes;

namespace {

constexpr char kChildFlag[] = "TALVEX_TEST_SETTINGS_NO_DESCRIPTORS";
constexpr char kSettings[] = R"({"Language": "1031", "AutoConvert": 1, "MruDir1": "/srv/a"})";

std::set<std::string> FileNames(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

// Takes every free descriptor but `spare` (under a small soft limit, so that this is quick),
// and gives them back at the end.
class DescriptorHog {
public:
    explicit DescriptorHog(int spare) {
        ::getrlimit(RLIMIT_NOFILE, &old_);
        rlimit low = old_;
        low.rlim_cur = 64;
        ::setrlimit(RLIMIT_NOFILE, &low);
        for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;) {
            fds_.push_back(fd);
        }
        exhausted_ = errno == EMFILE;
        for (int i = 0; i < spare && !fds_.empty(); ++i) {
            ::close(fds_.back());
            fds_.pop_back();
        }
    }
    ~DescriptorHog() {
        for (int fd : fds_) {
            ::close(fd);
        }
        ::setrlimit(RLIMIT_NOFILE, &old_);
    }
    DescriptorHog(const DescriptorHog&) = delete;
    DescriptorHog& operator=(const DescriptorHog&) = delete;
    bool Exhausted() const { return exhausted_; }

private:
    rlimit old_{};
    std::vector<int> fds_;
    bool exhausted_ = false;
};

}  // namespace

// Runs in a child process (its descriptor limit must not touch the rest of the tests).
TEST(SettingsNoDescriptorChild, DISABLED_ReadsDefaultsAndWritesNothing) {
    if (std::getenv(kChildFlag) == nullptr) {
        GTEST_SKIP() << "only run by SettingsStore.NoDescriptorLeftNeverCostsTheSettings";
    }
    SettingsStore store;
    ASSERT_EQ(store.GetLanguage(), L"1031");
    {
        // Not even the settings file can be opened: every value reads as its default.
        DescriptorHog hog(0);
        ASSERT_TRUE(hog.Exhausted());
        EXPECT_EQ(store.GetLanguage(), L"1033");
        EXPECT_EQ(store.GetNumber(setting::kAutoConvert), 0u);
        EXPECT_FALSE(store.SetString(setting::kLanguage, L"3082"));
    }
    {
        // One descriptor left: the writer gets its lock, then cannot read the file. It must
        // not take the file for a corrupt one.
        DescriptorHog hog(1);
        ASSERT_TRUE(hog.Exhausted());
        EXPECT_FALSE(store.SetString(setting::kLanguage, L"3082"));
        EXPECT_FALSE(store.SetNumber(setting::kDebugLogging, 1));
    }
    EXPECT_EQ(store.GetLanguage(), L"1031");
    EXPECT_EQ(store.GetNumber(setting::kAutoConvert), 1u);
    EXPECT_EQ(store.GetString(L"MruDir1", L""), L"/srv/a");
}

TEST(SettingsStore, NoDescriptorLeftNeverCostsTheSettings) {
    TestHome home;
    WriteFileBytes(home.SettingsFile(), kSettings);
    ScopedEnv flag(kChildFlag, "1");
    pid_t pid = test::SpawnSelf("SettingsNoDescriptorChild.DISABLED_ReadsDefaultsAndWritesNothing");
    ASSERT_GT(pid, 0);
    int status = 0;
    pid_t done = 0;
    for (int i = 0; i < 3000 && (done = ::waitpid(pid, &status, WNOHANG)) == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (done == 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        FAIL() << "the child did not finish within 30 s";
    }
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the child's checks failed (its output is above)";
    EXPECT_EQ(ReadFileBytes(home.SettingsFile()), kSettings);
    EXPECT_EQ(FileNames(home.SettingsFile().parent_path()),
              (std::set<std::string>{"Talvex.json", "Talvex.json.lock"}));
}

TEST(SettingsStore, AFolderInTheFilesPlaceIsLeftAlone) {
    TestHome home;
    fs::create_directories(home.SettingsFile() / "inside");
    SettingsStore store;
    EXPECT_EQ(store.GetLanguage(), L"1033");
    EXPECT_FALSE(store.SetString(setting::kLanguage, L"1031"));
    EXPECT_TRUE(fs::is_directory(home.SettingsFile() / "inside"));
    EXPECT_FALSE(fs::exists(home.SettingsFile().string() + ".bad"));
    EXPECT_EQ(store.GetLanguage(), L"1033");
}

}  // namespace talvex
