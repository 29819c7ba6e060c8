#pragma once
// Runs one disabled test case of this test binary in a child process: a way to get a real second
// process (a writer to kill, a lock holder, another user) without fork in a threaded process.
// The child inherits the environment, so a TestHome set up by the parent applies to it too.
#include <spawn.h>
#include <sys/types.h>

#include <filesystem>
#include <string>

extern char** environ;

namespace talvex::test {

// testName: "Suite.DISABLED_Case". Returns the child's pid, or -1.
inline pid_t SpawnSelf(const std::string& testName) {
    std::string exe = std::filesystem::read_symlink("/proc/self/exe").string();
    std::string filter = "--gtest_filter=" + testName;
    std::string disabled = "--gtest_also_run_disabled_tests";
    char* argv[] = {exe.data(), filter.data(), disabled.data(), nullptr};
    pid_t pid = -1;
    if (posix_spawn(&pid, exe.c_str(), nullptr, nullptr, argv, environ) != 0) {
        return -1;
    }
    return pid;
}

}  // namespace talvex::test
