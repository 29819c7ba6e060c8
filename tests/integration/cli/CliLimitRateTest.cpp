// talvex-cli download under a speed limit, against the fixture video site: the limit holds for
// all downloads together, comes from the desktop program's setting unless --limit-rate gives
// one for the run, and a bad rate is refused before anything is fetched.
#include <gtest/gtest.h>

#include <chrono>

#include "app/SettingsStore.h"
#include "integration/cli/CliSite.h"

namespace talvex::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// A run of talvex-cli and how long it took, in seconds.
struct TimedRun {
    CliResult result;
    double seconds = 0;
};

class CliLimitRate : public CliSite {
protected:
    TimedRun TimedDownload(std::vector<std::string> args) {
        const auto start = Clock::now();
        CliResult result = Download(std::move(args), 60);
        return {std::move(result), std::chrono::duration<double>(Clock::now() - start).count()};
    }
    uint64_t StoredBytes(const CliResult& result) {
        uint64_t total = 0;
        for (const fs::path& path : CompletedPaths(result)) {
            total += fs::file_size(path);
        }
        return total;
    }
};

TEST_F(CliLimitRate, ThreeDownloadsAtOnceShareTheLimitGiven) {
    // Three videos of 1.5 MB, each in four segments, all at once: 4.5 MB at 400 KB/s take
    // about 11 s in all. The band is wide; the run's start (scripts, pages, size queries)
    // counts against it.
    constexpr uint64_t kLimit = 400 * 1024;
    const std::vector<std::string> videos = {"aHDtour2011", "sd360only01", "mp4only1818"};
    std::vector<std::string> media;
    for (size_t i = 0; i < videos.size(); ++i) {
        media.push_back(RandomBytes(1536 * 1024, static_cast<unsigned>(20 + i)));
        WriteFileBytes(Media("youtube/" + videos[i] + "/18.mp4"), media.back());
    }
    std::vector<std::string> args = {"-q", "360p-mp4", "--limit-rate", "400k"};
    for (const std::string& video : videos) {
        args.push_back(Watch(video));
    }
    const TimedRun run = TimedDownload(args);
    ASSERT_EQ(run.result.exitCode, 0) << run.result.out << run.result.err;
    const auto paths = CompletedPaths(run.result);
    ASSERT_EQ(paths.size(), 3u) << run.result.out;
    for (const fs::path& path : paths) {
        const std::string stored = ReadFileBytes(path);
        EXPECT_NE(std::find(media.begin(), media.end(), stored), media.end()) << path;
    }
    const double rate = static_cast<double>(StoredBytes(run.result)) / run.seconds;
    EXPECT_GE(rate, 0.75 * kLimit) << run.seconds << " s";
    EXPECT_LE(rate, 1.15 * kLimit) << run.seconds << " s";
    // Each went in four segments.
    const auto requests = site_.WaitForRequests("media.youtube.test", "GET", "/videoplayback", 12);
    size_t ranged = 0;
    for (const NginxLogEntry& entry : requests) {
        ranged += entry.method == "GET" && entry.range != "-" ? 1 : 0;
    }
    EXPECT_EQ(ranged, 12u);
}

TEST_F(CliLimitRate, StoredLimitAppliesUnlessTheCommandLineGivesOne) {
    constexpr uint64_t kStored = 128 * 1024;
    SettingsStore settings;
    ASSERT_TRUE(settings.SetNumber(setting::kMaxDownloadSpeed, kStored));
    const std::string media = RandomBytes(512 * 1024, 31);
    WriteFileBytes(Media("youtube/sd360only01/18.mp4"), media);

    // The desktop program's limit: 512 KB at 128 KB/s, about 4 s.
    TimedRun run = TimedDownload({"-q", "360p-mp4", Watch("sd360only01")});
    ASSERT_EQ(run.result.exitCode, 0) << run.result.out << run.result.err;
    ASSERT_EQ(CompletedPaths(run.result).size(), 1u);
    EXPECT_LE(media.size() / run.seconds, 1.15 * kStored) << run.seconds << " s";
    fs::remove(CompletedPaths(run.result)[0]);

    // --limit-rate 0 lifts it for this run, and leaves the setting as it was.
    run = TimedDownload({"-q", "360p-mp4", "--limit-rate", "0", Watch("sd360only01")});
    ASSERT_EQ(run.result.exitCode, 0) << run.result.out << run.result.err;
    ASSERT_EQ(CompletedPaths(run.result).size(), 1u);
    EXPECT_TRUE(ReadFileBytes(CompletedPaths(run.result)[0]) == media);
    EXPECT_GT(media.size() / run.seconds, 1.15 * kStored) << run.seconds << " s";
    EXPECT_EQ(settings.GetNumber(setting::kMaxDownloadSpeed), kStored);
}

TEST(CliLimitRateUsage, BadRateIsAUsageErrorBeforeAnythingIsFetched) {
    TestHome home;
    TempDir folder;
    for (const std::string rate : {"fast", "1.5M", "-1", "2G", ""}) {
        const CliResult result = RunCli({"download", "-o", folder.Path().string(), "--limit-rate",
                                         rate, "http://www.youtube.com/watch?v=aHDtour2011"},
                                        30);
        EXPECT_EQ(result.exitCode, 2) << rate << "\n" << result.err;
        EXPECT_NE(result.err.find("talvex-cli: invalid value '" + rate + "' for --limit-rate"),
                  std::string::npos)
            << result.err;
        EXPECT_EQ(result.out, "");
    }
    EXPECT_TRUE(FilesIn(folder.Path()).empty());
    const CliResult help = RunCli({"--help"}, 30);
    EXPECT_NE(help.out.find("--limit-rate RATE"), std::string::npos);
}

}  // namespace
}  // namespace talvex::test
