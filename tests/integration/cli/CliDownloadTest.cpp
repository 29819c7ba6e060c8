// talvex-cli download, run as a process against the fixture video site.
#include <gtest/gtest.h>

#include <csignal>
#include <random>

#include "integration/cli/CliSite.h"
#include "integration/convert/MediaFixtures.h"

namespace talvex::test {
namespace {

namespace fs = std::filesystem;

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST_F(CliSite, DownloadInFourSegmentsIsByteExact) {
    // 720p of this video is format 22; an odd size puts the remainder in the last segment.
    const std::string media = RandomBytes(3 * 1024 * 1024 + 123, 7);
    WriteFileBytes(Media("youtube/aHDtour2011/22.mp4"), media);

    const CliResult result = Download({"-q", "720p", Watch("aHDtour2011")});
    ASSERT_EQ(result.exitCode, 0) << result.out << result.err;
    const auto paths = CompletedPaths(result);
    ASSERT_EQ(paths.size(), 1u) << result.out;
    EXPECT_EQ(paths[0].parent_path(), Folder());
    EXPECT_EQ(paths[0].extension(), ".mp4");
    EXPECT_TRUE(ReadFileBytes(paths[0]) == media) << "the stored file differs from the media";
    EXPECT_EQ(FilesIn(Folder()).size(), 1u);

    const auto requests = site_.WaitForRequests("media.youtube.test", "GET", "/videoplayback", 4);
    size_t ranged = 0;
    for (const NginxLogEntry& entry : requests) {
        ranged += entry.method == "GET" && entry.range != "-" ? 1 : 0;
    }
    EXPECT_EQ(ranged, 4u);
    // Progress went to standard error, the result alone to standard output.
    EXPECT_TRUE(Contains(result.err, ": Completed")) << result.err;
    EXPECT_EQ(Lines(result.out).size(), 1u);
}

TEST_F(CliSite, AutomaticMp3ConversionReplacesTheDownload) {
    ASSERT_TRUE(MakeClip(Media("youtube/mp4only1818/18.mp4"), 320, 240, 2.0));

    const CliResult result =
        Download({"--convert", "mp3", "--delete-original", Watch("mp4only1818")}, 180);
    ASSERT_EQ(result.exitCode, 0) << result.out << result.err;
    const auto paths = CompletedPaths(result);
    ASSERT_EQ(paths.size(), 2u) << result.out;
    EXPECT_EQ(paths[0].extension(), ".mp4");
    EXPECT_EQ(paths[1].extension(), ".mp3");
    EXPECT_FALSE(fs::exists(paths[0])) << "the original was to be deleted";
    const MediaInfo mp3 = Probe(paths[1]);
    EXPECT_TRUE(mp3.ok && mp3.hasAudio && !mp3.hasVideo);
    EXPECT_NEAR(mp3.duration, 2.0, 0.5);
    EXPECT_EQ(FilesIn(Folder()), std::vector<std::string>{paths[1].filename().string()});
}

TEST_F(CliSite, UnsupportedAddressesAreReportedAndDropped) {
    CliResult result = Download({"http://video.example.test/v/1"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(Contains(result.err, "not supported: http://video.example.test/v/1")) << result.err;
    EXPECT_TRUE(Contains(result.err, "a site we do not support")) << result.err;
    EXPECT_EQ(result.out, "");

    // Beside a supported one, the supported address still downloads.
    result = Download({"http://video.example.test/v/1", Watch("sd360only01")});
    EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
    EXPECT_EQ(CompletedPaths(result).size(), 1u);
    EXPECT_TRUE(Contains(result.err, "not supported: http://video.example.test/v/1"));
}

TEST_F(CliSite, PlaylistAnswersChooseTheWholeListTheVideoOrNothing) {
    const std::string address = Watch("mp4only1818") + "&list=PLtravel2011";

    CliResult result = Download({"--playlists", "single", address});
    ASSERT_EQ(result.exitCode, 0) << result.out << result.err;
    ASSERT_EQ(CompletedPaths(result).size(), 1u) << result.out;
    EXPECT_EQ(ReadFileBytes(CompletedPaths(result)[0]),
              FixtureMediaBytes("youtube/mp4only1818/18.mp4"));

    result = Download({"--playlists", "skip", address});
    EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_TRUE(Contains(result.err, "nothing left to download"));

    // The whole list: one download per distinct video of both pages. One of them is
    // restricted and, with nobody at a terminal to sign in, fails: the status says so.
    fs::remove_all(Folder());
    fs::create_directories(Folder());
    result = Download({"--playlists", "all", address});
    EXPECT_EQ(result.exitCode, 1) << result.out << result.err;
    EXPECT_EQ(CompletedPaths(result).size(), 4u) << result.out;
    EXPECT_EQ(FilesIn(Folder()).size(), 4u);
    const auto lines = Lines(result.out);
    ASSERT_EQ(lines.size(), 5u) << result.out;
    EXPECT_EQ(lines[4].rfind("Failed: " + Watch("ageRestrict") + ": ", 0), 0u) << lines[4];
}

TEST_F(CliSite, RestrictedVideoWithoutATerminalFailsWithTheScriptsMessage) {
    const CliResult result = Download({Watch("ageRestrict")});
    EXPECT_EQ(result.exitCode, 1) << result.out << result.err;
    const auto lines = Lines(result.out);
    ASSERT_EQ(lines.size(), 1u) << result.out;
    EXPECT_EQ(lines[0].rfind("Failed: ", 0), 0u) << lines[0];
    EXPECT_TRUE(Contains(lines[0], "signed-in users")) << lines[0];
    EXPECT_TRUE(FilesIn(Folder()).empty());
}

TEST_F(CliSite, InterruptStopsEveryItemAndLeavesNoPartialFile) {
    // Served at 256 KiB/s per connection: about 16 s in four segments.
    WriteFileBytes(Media("youtube/slowStream1/18.mp4"), RandomBytes(16 * 1024 * 1024, 3));
    WriteFileBytes(Media("youtube/sd360only01/18.mp4"), RandomBytes(100 * 1024, 4));

    CliProcess cli;
    ASSERT_TRUE(cli.Start({"download", "-o", Folder().string(), "-q", "360p-mp4",
                           Watch("sd360only01"), Watch("slowStream1")}));
    // Once the quick one has completed and the slow one is under way (its work file and the
    // record beside it).
    bool working = cli.WaitForError(
        [&](const std::string& err) {
            const auto names = FilesIn(Folder());
            return Contains(err, ": Completed") && names.size() == 3;
        },
        60000);
    ASSERT_TRUE(working) << cli.Err();
    ASSERT_TRUE(cli.Signal(SIGINT));
    const CliResult result = cli.Finish(60);
    EXPECT_EQ(result.exitCode, 130) << result.out << result.err;
    const auto completed = CompletedPaths(result);
    ASSERT_EQ(completed.size(), 1u) << result.out;
    EXPECT_TRUE(Contains(result.out, "Canceled: ")) << result.out;
    // The completed file, and the slow video's work file with its record for the next run:
    // nothing under the slow video's final name.
    const std::vector<std::string> names = FilesIn(Folder());
    ASSERT_EQ(names.size(), 3u);
    EXPECT_EQ(names[0], completed[0].filename().string());
    EXPECT_EQ(names[1].substr(0, 4), "~qrv");
    EXPECT_EQ(names[2], names[1] + ".json");
}

}  // namespace
}  // namespace talvex::test
