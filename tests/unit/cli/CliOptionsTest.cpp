// The command line of talvex-cli: the names scripts rely on, and every way to get it wrong.
#include <gtest/gtest.h>

#include "cli/CliOptions.h"

namespace talvex::cli {
namespace {

ParseResult Parse(std::vector<std::string> args) {
    return ParseArguments(args);
}

TEST(CliOptions, DownloadReadsEveryOptionInEitherForm) {
    ParseResult r = Parse({"download", "-q", "720p", "http://a.test/1", "--folder=/tmp/x",
                           "--convert", "mp3", "--convert-quality", "low", "--delete-original",
                           "--playlists", "single", "--channels=skip", "http://a.test/2"});
    ASSERT_TRUE(r.ok) << r.error;
    const DownloadOptions& d = r.options.download;
    EXPECT_EQ(r.options.command, Command::Download);
    EXPECT_EQ(d.quality, DownloadQuality::kHd720);
    EXPECT_EQ(d.folder, "/tmp/x");
    EXPECT_EQ(d.convertProfile, 6);
    EXPECT_EQ(d.convertQuality, ConversionQuality::kLow);
    EXPECT_TRUE(d.deleteOriginal);
    EXPECT_EQ(d.playlists, ListChoice::Single);
    EXPECT_EQ(d.channels, ListChoice::Skip);
    EXPECT_EQ(d.urls, (std::vector<std::string>{"http://a.test/1", "http://a.test/2"}));
}

TEST(CliOptions, DownloadDefaultsLeaveTheSettingsInCharge) {
    ParseResult r = Parse({"download", "http://a.test/1"});
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_FALSE(r.options.download.quality.has_value());
    EXPECT_FALSE(r.options.download.folder.has_value());
    EXPECT_FALSE(r.options.download.convertProfile.has_value());
    EXPECT_EQ(r.options.download.convertQuality, ConversionQuality::kHigh);
    EXPECT_EQ(r.options.download.playlists, ListChoice::All);
    EXPECT_EQ(r.options.download.channels, ListChoice::All);
}

TEST(CliOptions, QualityAndProfileNamesMapToTheEngineCodes) {
    const std::vector<std::pair<std::string, int32_t>> qualities = {
        {"best", 6},   {"1080p", 7},    {"720p", 5},    {"480p", 4},
        {"normal", 2}, {"360p-flv", 8}, {"360p-mp4", 9}};
    for (const auto& [name, code] : qualities) {
        const std::optional<DownloadQuality> quality = QualityCode(name);
        ASSERT_TRUE(quality) << name;
        EXPECT_EQ(DownloadQualityNumber(*quality), code) << name;
    }
    const std::vector<std::string> profiles = {"ipod", "iphone", "psp", "cell",
                                               "wmv",  "xvid",   "mp3"};
    for (size_t i = 0; i < profiles.size(); ++i) {
        EXPECT_EQ(ProfileIndex(profiles[i]), static_cast<int32_t>(i)) << profiles[i];
    }
    EXPECT_FALSE(QualityCode("BEST"));
    EXPECT_FALSE(ProfileIndex("manual"));  // only through --manual
    EXPECT_FALSE(ConvertQualityIndex("High"));
}

TEST(CliOptions, ConvertReadsTrimAsTwoValuesAndManualAsOne) {
    ParseResult r =
        Parse({"convert", "--trim", "00:00:01", "00:00:03", "--volume", "150", "--replace",
               "--quality", "medium", "-p", "psp", "a.mp4", "--", "--odd-name.mp4"});
    ASSERT_TRUE(r.ok) << r.error;
    const ConvertOptions& c = r.options.convert;
    EXPECT_EQ(c.profile, 2);
    EXPECT_EQ(c.quality, ConversionQuality::kMedium);
    EXPECT_EQ(c.volume, 150);
    EXPECT_TRUE(c.trim);
    EXPECT_EQ(c.trimStart, "00:00:01");
    EXPECT_EQ(c.trimEnd, "00:00:03");
    EXPECT_TRUE(c.replace);
    EXPECT_EQ(c.files, (std::vector<std::string>{"a.mp4", "--odd-name.mp4"}));

    r = Parse({"convert", "--manual", "ffmpeg -i %1 -ab 128k %2.mp3", "a.mp4"});
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.options.convert.manual, "ffmpeg -i %1 -ab 128k %2.mp3");
    EXPECT_FALSE(r.options.convert.profile.has_value());
}

TEST(CliOptions, UsageErrorsAreRefusedWithAReason) {
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"fetch", "http://a.test/1"},
        {"--frobnicate"},
        {"download"},
        {"download", "--quality", "4k", "http://a.test/1"},
        {"download", "--quality"},
        {"download", "--bogus", "http://a.test/1"},
        {"download", "--convert", "ogg", "http://a.test/1"},
        {"download", "--delete-original", "http://a.test/1"},
        {"download", "--playlists", "some", "http://a.test/1"},
        {"download", "--delete-original=yes", "--convert", "mp3", "http://a.test/1"},
        {"download", "-o", "", "http://a.test/1"},
        {"convert", "a.mp4"},
        {"convert", "-p", "mp3"},
        {"convert", "-p", "mp3", "--manual", "ffmpeg -i %1 %2.mp3", "a.mp4"},
        {"convert", "-p", "mp3", "--volume", "201", "a.mp4"},
        {"convert", "-p", "mp3", "--volume", "-1", "a.mp4"},
        {"convert", "-p", "mp3", "--volume", "12x", "a.mp4"},
        {"convert", "-p", "mp3", "a.mp4", "--trim", "00:00:01"},
        {"sites", "extra"},
        {"--version", "extra"},
    };
    for (const auto& args : bad) {
        ParseResult r = Parse(args);
        std::string shown;
        for (const auto& a : args) {
            shown += "[" + a + "]";
        }
        EXPECT_FALSE(r.ok) << shown;
        EXPECT_FALSE(r.error.empty()) << shown;
    }
}

TEST(CliOptions, HelpVersionAndSitesNeedNothingElse) {
    EXPECT_EQ(Parse({"--help"}).options.command, Command::Help);
    EXPECT_TRUE(Parse({"--help"}).ok);
    EXPECT_EQ(Parse({"--version"}).options.command, Command::Version);
    EXPECT_EQ(Parse({"sites"}).options.command, Command::Sites);
    EXPECT_TRUE(Parse({"sites"}).ok);
    EXPECT_NE(UsageText().find("talvex-cli download"), std::string::npos);
}

}  // namespace
}  // namespace talvex::cli
