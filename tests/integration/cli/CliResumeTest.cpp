// talvex-cli killed in the middle of a segmented download from the fixture site's slow video
// (nginx, 256 KiB/s per connection), then run again with the same command in the same folder:
// it goes on from the bytes on disk, or starts over when it must, and the stored file is the
// served one byte for byte.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <thread>

#include "download/ResumeRecord.h"
#include "integration/cli/CliSite.h"

namespace talvex::test {
namespace {

namespace fs = std::filesystem;

constexpr size_t kMediaBytes = 6 * 1024 * 1024;  // about six seconds over four connections

class CliResume : public CliSite {
protected:
    std::vector<std::string> Command() const { return {"-q", "360p-mp4", Watch("slowStream1")}; }
    fs::path Served() const { return Media("youtube/slowStream1/18.mp4"); }

    // The record in the folder, when there is exactly one.
    std::optional<ResumeRecord> Record(fs::path* path = nullptr) const {
        std::optional<ResumeRecord> found;
        int count = 0;
        for (const auto& entry : fs::directory_iterator(Folder())) {
            const std::string name = entry.path().filename().string();
            if (name.size() == 17 && name.ends_with(".tmp.json")) {
                ++count;
                found = ReadResumeRecord(entry.path());
                if (path != nullptr) {
                    *path = entry.path();
                }
            }
        }
        return count == 1 ? found : std::nullopt;
    }

    // Starts the download and kills it (SIGKILL: no clean-up at all) once at least a megabyte
    // is recorded. The record it left.
    ResumeRecord KillMidway() {
        const size_t getsBefore =
            CountRequests(site_.Requests("media.youtube.test"), "GET", "/videoplayback");
        CliProcess cli;
        EXPECT_TRUE(cli.Start(WithFolder(Command())));
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        std::optional<ResumeRecord> record;
        while (std::chrono::steady_clock::now() < deadline) {
            record = Record();
            if (record && record->Done() >= 1024 * 1024) {
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        EXPECT_TRUE(cli.Signal(SIGKILL));
        cli.Finish(10);
        // nginx logs a request once it has ended: the killed run's four parts are counted
        // before the next run's bytes are.
        site_.WaitForRequests("media.youtube.test", "GET", "/videoplayback", getsBefore + 4);
        record = Record();
        EXPECT_TRUE(record.has_value()) << cli.Err();
        EXPECT_LT(record.value_or(ResumeRecord()).Done(), kMediaBytes);
        return record.value_or(ResumeRecord());
    }
    std::vector<std::string> WithFolder(std::vector<std::string> args) const {
        args.insert(args.begin(), {"download", "-o", Folder().string()});
        return args;
    }
    // The media bytes sent since the first `from` requests of the media server.
    uint64_t MediaBytesSince(size_t from) const {
        uint64_t bytes = 0;
        const std::vector<NginxLogEntry> log = site_.Requests("media.youtube.test");
        for (size_t i = from; i < log.size(); ++i) {
            bytes += log[i].method == "GET" ? log[i].bodyBytes : 0;
        }
        return bytes;
    }
    size_t MediaRequests() const { return site_.Requests("media.youtube.test").size(); }
    // Runs the command again and checks the stored file against the served one.
    CliResult RunAgainAndCheck(std::vector<std::string> extra = {}) {
        std::vector<std::string> args = Command();
        args.insert(args.end(), extra.begin(), extra.end());
        const CliResult result = Download(args);
        EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
        const std::vector<fs::path> stored = CompletedPaths(result);
        EXPECT_EQ(stored.size(), 1u) << result.out;
        if (stored.size() == 1) {
            EXPECT_TRUE(ReadFileBytes(stored[0]) == ReadFileBytes(Served()));
        }
        EXPECT_EQ(FilesIn(Folder()).size(), 1u) << "no work file or record is left";
        return result;
    }
};

TEST_F(CliResume, AKilledDownloadGoesOnWhereItStoppedWhenTheCommandRunsAgain) {
    WriteFileBytes(Served(), RandomBytes(kMediaBytes, 21));
    const ResumeRecord record = KillMidway();
    EXPECT_EQ(record.program, "talvex-cli");
    const size_t before = MediaRequests();
    const CliResult result = RunAgainAndCheck();
    EXPECT_NE(result.err.find("going on from"), std::string::npos) << result.err;
    // Only what the record did not count came over the wire again.
    EXPECT_EQ(MediaBytesSince(before), kMediaBytes - record.Done());
}

TEST_F(CliResume, AFileChangedOnTheServerMeanwhileIsDownloadedAnew) {
    WriteFileBytes(Served(), RandomBytes(kMediaBytes, 22));
    KillMidway();
    // Same size, new bytes and a later date: the server's tag changes.
    WriteFileBytes(Served(), RandomBytes(kMediaBytes, 23));
    fs::last_write_time(Served(), fs::last_write_time(Served()) + std::chrono::seconds(10));
    const size_t before = MediaRequests();
    const CliResult result = RunAgainAndCheck();
    EXPECT_NE(result.err.find("starting over, the media changed on the server"), std::string::npos)
        << result.err;
    EXPECT_EQ(MediaBytesSince(before), kMediaBytes);
}

TEST_F(CliResume, AGarbageRecordOrNoContinueStartsOver) {
    WriteFileBytes(Served(), RandomBytes(kMediaBytes, 24));
    KillMidway();
    fs::path recordFile;
    ASSERT_TRUE(Record(&recordFile).has_value());
    WriteFileBytes(recordFile, "{\"version\": 1, \"segm");
    CliResult result = RunAgainAndCheck();
    EXPECT_EQ(result.err.find("going on"), std::string::npos) << result.err;

    fs::remove(CompletedPaths(result).at(0));
    KillMidway();
    const size_t before = MediaRequests();
    result = RunAgainAndCheck({"--no-continue"});
    EXPECT_NE(result.err.find("starting over ("), std::string::npos) << result.err;
    EXPECT_EQ(MediaBytesSince(before), kMediaBytes);
}

}  // namespace
}  // namespace talvex::test
