// talvex-cli download --limit-rate: the rates it takes and the ones it refuses.
#include <gtest/gtest.h>

#include "cli/CliOptions.h"

namespace talvex::cli {
namespace {

TEST(LimitRateOption, RatesInBytesKilobytesAndMegabytes) {
    const std::vector<std::pair<std::string, uint64_t>> rates = {
        {"0", 0},
        {"1", 1},
        {"300000", 300000},
        {"500k", 500 * 1024},
        {"500K", 500 * 1024},
        {"2m", 2 * 1024 * 1024},
        {"2M", 2 * 1024 * 1024},
        {"0k", 0},
        {"007k", 7 * 1024},
        {"17592186044415M", 17592186044415ull * 1024 * 1024},  // the largest that fits
    };
    for (const auto& [text, bytes] : rates) {
        EXPECT_EQ(ByteRate(text), std::optional<uint64_t>(bytes)) << text;
    }
}

TEST(LimitRateOption, AnythingElseIsNoRate) {
    for (const std::string text :
         {"", "k", "M", "-1", "+5", " 5", "5 ", "1.5M", "2MB", "2G", "500kk", "k500", "0x10",
          "12abc", "17592186044416M", "18446744073709551616"}) {
        EXPECT_FALSE(ByteRate(text).has_value()) << "'" << text << "'";
    }
}

TEST(LimitRateOption, DownloadTakesItForThisRunOnly) {
    ParseResult r = ParseArguments({"download", "--limit-rate", "500k", "http://a.test/1"});
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.options.download.limitRate, std::optional<uint64_t>(512000));
    r = ParseArguments({"download", "--limit-rate=2M", "http://a.test/1"});
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.options.download.limitRate, std::optional<uint64_t>(2097152));
    // Without it the setting decides.
    r = ParseArguments({"download", "http://a.test/1"});
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_FALSE(r.options.download.limitRate.has_value());
    EXPECT_NE(UsageText().find("--limit-rate RATE"), std::string::npos);
}

TEST(LimitRateOption, BadRateIsAUsageErrorThatSaysWhatItTakes) {
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"download", "--limit-rate", "fast", "http://a.test/1"},
             {"download", "--limit-rate=1.5M", "http://a.test/1"},
             {"download", "--limit-rate", "-5", "http://a.test/1"}}) {
        const ParseResult r = ParseArguments(args);
        EXPECT_FALSE(r.ok) << args[2];
        EXPECT_NE(r.error.find("invalid value"), std::string::npos) << r.error;
        EXPECT_NE(r.error.find("--limit-rate"), std::string::npos) << r.error;
        EXPECT_NE(r.error.find("500k"), std::string::npos) << r.error;
    }
    const ParseResult missing = ParseArguments({"download", "http://a.test/1", "--limit-rate"});
    EXPECT_FALSE(missing.ok);
    // Not an option of convert.
    EXPECT_FALSE(ParseArguments({"convert", "-p", "mp3", "--limit-rate", "1k", "a.mp4"}).ok);
}

}  // namespace
}  // namespace talvex::cli
