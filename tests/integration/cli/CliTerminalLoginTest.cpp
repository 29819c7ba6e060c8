// A restricted video asks for the site's login on the terminal: talvex-cli runs on a
// pseudo-terminal here, and the test types the answers.
#include <gtest/gtest.h>

#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>

#include "integration/cli/CliSite.h"

namespace talvex::test {
namespace {

class PtyCli {
public:
    ~PtyCli() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (master_ >= 0) {
            close(master_);
        }
    }
    bool Start(const std::vector<std::string>& args) {
        std::vector<std::string> all = {TALVEX_CLI_PATH};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& a : all) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        winsize size{};
        size.ws_row = 24;
        size.ws_col = 100;
        pid_ = forkpty(&master_, nullptr, nullptr, &size);
        if (pid_ == 0) {
            execv(argv[0], argv.data());
            _exit(127);
        }
        return pid_ > 0;
    }
    // Reads until the output holds text (true) or limitMs pass or the terminal closes.
    bool WaitFor(const std::string& text, int limitMs) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
        while (output_.find(text) == std::string::npos) {
            if (std::chrono::steady_clock::now() > deadline || !ReadSome(50)) {
                return output_.find(text) != std::string::npos;
            }
        }
        return true;
    }
    void Type(const std::string& text) {
        [[maybe_unused]] ssize_t n = write(master_, text.data(), text.size());
    }
    // Reads to the end and returns the exit status, or -1.
    int Finish(int limitMs) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
        while (std::chrono::steady_clock::now() < deadline && ReadSome(50)) {
        }
        int status = 0;
        for (;;) {
            const pid_t done = waitpid(pid_, &status, WNOHANG);
            if (done == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            if (std::chrono::steady_clock::now() > deadline) {
                return -1;
            }
            usleep(20000);
        }
    }
    const std::string& Output() const { return output_; }

private:
    // False once the terminal is closed (the program ended).
    bool ReadSome(int waitMs) {
        pollfd p{master_, POLLIN, 0};
        if (poll(&p, 1, waitMs) <= 0) {
            return true;
        }
        char buffer[4096];
        const ssize_t n = read(master_, buffer, sizeof buffer);
        if (n <= 0) {
            return false;  // EIO: every slave descriptor is closed
        }
        output_.append(buffer, static_cast<size_t>(n));
        return true;
    }

    pid_t pid_ = -1;
    int master_ = -1;
    std::string output_;
};

TEST_F(CliSite, RestrictedVideoAsksForTheLoginOnTheTerminal) {
    PtyCli cli;
    ASSERT_TRUE(
        cli.Start({"download", "-o", Folder().string(), "-q", "720p", Watch("ageRestrict")}));
    ASSERT_TRUE(cli.WaitFor("Username:", 30000)) << cli.Output();
    EXPECT_NE(cli.Output().find("YouTube Login"), std::string::npos);
    cli.Type("viewer@example.com\n");
    ASSERT_TRUE(cli.WaitFor("Password:", 10000)) << cli.Output();
    const size_t beforePassword = cli.Output().size();
    cli.Type("open sesame&1\n");
    const int status = cli.Finish(60000);
    EXPECT_EQ(status, 0) << cli.Output();
    EXPECT_EQ(cli.Output().find("open sesame", beforePassword), std::string::npos)
        << "the password was echoed";
    EXPECT_NE(cli.Output().find("Completed: " + Folder().string()), std::string::npos)
        << cli.Output();
    ASSERT_EQ(FilesIn(Folder()).size(), 1u);
    EXPECT_EQ(ReadFileBytes(Folder() / FilesIn(Folder())[0]),
              FixtureMediaBytes("youtube/ageRestrict/22.mp4"));
}

TEST_F(CliSite, EndOfInputAtTheLoginPromptCancelsTheLogin) {
    PtyCli cli;
    ASSERT_TRUE(cli.Start({"download", "-o", Folder().string(), Watch("ageRestrict")}));
    ASSERT_TRUE(cli.WaitFor("Username:", 30000)) << cli.Output();
    cli.Type("\x04");  // Ctrl-D: end of input on the terminal
    EXPECT_EQ(cli.Finish(60000), 1) << cli.Output();
    EXPECT_NE(cli.Output().find("Failed: "), std::string::npos) << cli.Output();
    EXPECT_TRUE(FilesIn(Folder()).empty());
}

TEST_F(CliSite, CtrlCAtTheLoginPromptStopsTheRun) {
    PtyCli cli;
    ASSERT_TRUE(cli.Start({"download", "-o", Folder().string(), Watch("ageRestrict")}));
    ASSERT_TRUE(cli.WaitFor("Username:", 30000)) << cli.Output();
    cli.Type("\x03");  // Ctrl-C: SIGINT from the terminal
    EXPECT_EQ(cli.Finish(60000), 130) << cli.Output();
    EXPECT_TRUE(FilesIn(Folder()).empty());
}

}  // namespace
}  // namespace talvex::test
