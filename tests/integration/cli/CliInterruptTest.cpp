// talvex-cli stopped by signals while it works, run as a process against the fixture video site
// and the real encoder: what it leaves on disk and what it prints.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "integration/cli/CliSite.h"
#include "integration/cli/GeneratedPlaylist.h"
#include "integration/convert/MediaFixtures.h"

namespace talvex::test {
namespace {

namespace fs = std::filesystem;

constexpr size_t kSlowMediaBytes = 16 * 1024 * 1024;  // about 16 s at the slow video's rate

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Waits (at most limitMs) until pred holds; whether it does.
template <class Pred>
bool WaitFor(Pred pred, int limitMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    while (!pred()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// A child of parent running program (from /proc), or 0.
pid_t ChildRunning(pid_t parent, const std::string& program) {
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        std::getline(stat, line);
        // "pid (comm) state ppid ...": the name may hold blanks, so read after the last ")".
        const size_t close = line.rfind(')');
        const size_t open = line.find('(');
        if (close == std::string::npos || open == std::string::npos) {
            continue;
        }
        std::istringstream rest(line.substr(close + 2));
        std::string state;
        pid_t ppid = 0;
        rest >> state >> ppid;
        if (ppid == parent && line.substr(open + 1, close - open - 1) == program) {
            return static_cast<pid_t>(std::stoi(name));
        }
    }
    return 0;
}

// Kills a process the test stopped, whatever the test's outcome.
class KillAtEnd {
public:
    void Set(pid_t pid) { pid_ = pid; }
    ~KillAtEnd() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
        }
    }

private:
    pid_t pid_ = 0;
};

class CliInterrupt : public CliSite {
protected:
    void ServeSlowVideo() {
        WriteFileBytes(Media("youtube/slowStream1/18.mp4"), RandomBytes(kSlowMediaBytes, 3));
    }
    std::vector<std::string> SlowDownload() const {
        return {"download", "-o", Folder().string(), "-q", "360p-mp4", Watch("slowStream1")};
    }
};

TEST_F(CliInterrupt, TimeoutStopsTheDownloadCleanlyEveryTime) {
    // GNU timeout signals its child and then the child's process group: two SIGTERMs at once,
    // which are one request to stop.
    // A clean stop keeps the work file with its record, and each run goes on with the one
    // before it.
    ServeSlowVideo();
    std::vector<std::string> kept;
    for (int run = 1; run <= 5; ++run) {
        std::vector<std::string> argv = {"timeout", "-s", "TERM", "1", CliPath()};
        const std::vector<std::string> args = SlowDownload();
        argv.insert(argv.end(), args.begin(), args.end());
        CliProcess cli;
        ASSERT_TRUE(cli.StartProgram(argv));
        const CliResult result = cli.Finish(60);
        EXPECT_EQ(result.exitCode, 124) << "run " << run << "\n" << result.out << result.err;
        EXPECT_EQ(result.out.rfind("Canceled: ", 0), 0u) << "run " << run << "\n" << result.out;
        // Nothing, when the stop came before the transfer began; else the pair.
        const std::vector<std::string> files = FilesIn(Folder());
        const bool pair =
            files.size() == 2 && files[0].substr(0, 4) == "~qrv" && files[1] == files[0] + ".json";
        EXPECT_TRUE(files.empty() || pair) << "run " << run << ": " << files.size();
        if (!kept.empty()) {
            EXPECT_NE(result.err.find("going on from"), std::string::npos) << result.err;
            EXPECT_EQ(files, kept) << "run " << run << " went on with the earlier run's file";
        }
        kept = files;
    }
}

TEST_F(CliInterrupt, RepeatedSignalsWithinAMomentCountOnceLaterOnesEndAtOnce) {
    ServeSlowVideo();
    {
        // Two SIGTERMs back to back: the clean stop, with its result line.
        CliProcess cli;
        ASSERT_TRUE(cli.Start(SlowDownload()));
        ASSERT_TRUE(WaitFor([&] { return !WorkFilesIn(Folder()).empty(); }, 30000)) << cli.Err();
        ASSERT_TRUE(cli.Signal(SIGTERM));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ASSERT_TRUE(cli.Signal(SIGTERM));
        const CliResult result = cli.Finish(60);
        EXPECT_EQ(result.exitCode, 143) << result.out << result.err;
        EXPECT_EQ(result.out.rfind("Canceled: ", 0), 0u) << result.out;
        // The work file and its record, for the next run to go on with.
        EXPECT_EQ(FilesIn(Folder()).size(), 2u);
        for (const std::string& name : FilesIn(Folder())) {
            fs::remove(Folder() / name);
        }
    }

    // A second SIGTERM a second later, while the clean stop waits for an encoder that cannot
    // answer (it is stopped): the program ends at once, and still leaves no work file.
    const fs::path wav = Folder() / "talk.wav";
    ASSERT_EQ(
        RunProgram({"ffmpeg", "-v", "error", "-f", "lavfi", "-i",
                    "sine=frequency=440:duration=1800", "-ac", "1", "-ar", "8000", wav.string()}),
        0);
    CliProcess cli;
    ASSERT_TRUE(cli.Start({"convert", "-p", "mp3", wav.string()}));
    KillAtEnd encoderGuard;
    pid_t encoder = 0;
    ASSERT_TRUE(WaitFor(
        [&] {
            encoder = ChildRunning(cli.Pid(), "ffmpeg");
            return encoder > 0 && WorkFilesIn(Folder()).size() == 2;  // reservation, work file
        },
        30000))
        << cli.Err();
    encoderGuard.Set(encoder);
    ASSERT_EQ(kill(encoder, SIGSTOP), 0);
    ASSERT_TRUE(cli.Signal(SIGTERM));
    ASSERT_TRUE(
        cli.WaitForError([](const std::string& err) { return Contains(err, "Stopping"); }, 10000))
        << cli.Err();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    ASSERT_TRUE(cli.Signal(SIGTERM));
    const CliResult result = cli.Finish(30);
    EXPECT_EQ(result.exitCode, 143) << result.out << result.err;
    EXPECT_EQ(result.out, "") << "ended at once: no result line";
    EXPECT_TRUE(WorkFilesIn(Folder()).empty());
    EXPECT_EQ(FilesIn(Folder()), std::vector<std::string>{"talk.wav"});
}

TEST_F(CliInterrupt, InterruptWhileALongPlaylistIsReadEndsAtOnce) {
    // Five thousand videos, five to a page: reading the list takes its time.
    const GeneratedPlaylist list =
        WriteGeneratedPlaylist(site_.MediaFolder(), "PLlong000001", 5000, 5);
    const std::string pages = "/playlist?list=PLlong000001";
    CliProcess cli;
    ASSERT_TRUE(
        cli.Start({"download", "-o", Folder().string(), "--playlists", "all", list.address}));
    const auto read = [&] {
        return CountRequests(site_.Requests("www.youtube.com"), "GET", pages);
    };
    ASSERT_TRUE(WaitFor([&] { return read() >= 1; }, 30000)) << cli.Err();
    ASSERT_TRUE(cli.Signal(SIGINT));
    const CliResult result = cli.Finish(20);
    EXPECT_EQ(result.exitCode, 130) << result.err;
    EXPECT_EQ(result.out, "") << "nothing was queued";
    EXPECT_LT(read(), static_cast<size_t>(list.pages)) << "the reading went on to the end";
    EXPECT_TRUE(site_.Requests("media.youtube.test").empty());
    EXPECT_TRUE(FilesIn(Folder()).empty());
}

}  // namespace
}  // namespace talvex::test
