#include <gtest/gtest.h>

#include "app/StringTable.h"
#include "convert/ManualCommand.h"
#include "convert/ManualCommandRefusal.h"
#include "platform/Utf8.h"
#include "support/TestHome.h"

namespace talvex {

using Words = std::vector<std::wstring>;

TEST(CommandWords, QuotesAndEscapesAsAShellWithoutExpansion) {
    EXPECT_EQ(*SplitCommandWords(L"  a  b\tc\n"), (Words{L"a", L"b", L"c"}));
    EXPECT_EQ(*SplitCommandWords(L"'a b' \"c d\" e\\ f"), (Words{L"a b", L"c d", L"e f"}));
    EXPECT_EQ(*SplitCommandWords(L"x'a'\"b\"y"), (Words{L"xaby"}));
    EXPECT_EQ(*SplitCommandWords(L"\"a\\\"b\\\\c\\$d\\x\""), (Words{L"a\"b\\c$d\\x"}));
    EXPECT_EQ(*SplitCommandWords(L"'a\\b'"), (Words{L"a\\b"}));  // no escapes in single quotes
    EXPECT_FALSE(SplitCommandWords(L"'it\\'s'"));
    EXPECT_EQ(*SplitCommandWords(L"'' \"\""), (Words{L"", L""}));
    // Nothing a shell would expand or interpret is special here.
    EXPECT_EQ(*SplitCommandWords(L"$HOME `id` ~ *.mp4 a;b|c>d"),
              (Words{L"$HOME", L"`id`", L"~", L"*.mp4", L"a;b|c>d"}));
    EXPECT_TRUE(SplitCommandWords(L"")->empty());
}

TEST(CommandWords, OpenQuotesAndATrailingBackslashDoNotSplit) {
    EXPECT_FALSE(SplitCommandWords(L"ffmpeg -i 'a"));
    EXPECT_FALSE(SplitCommandWords(L"ffmpeg -i \"a"));
    EXPECT_FALSE(SplitCommandWords(L"ffmpeg \\"));
}

TEST(ManualCommand, DefaultLineRunsTheEncoderOverwritingAndNamesBothFiles) {
    auto cmd = BuildManualCommand(kDefaultManualParams, L"/v/my clip.flv", "/usr/bin/ffmpeg");
    ASSERT_TRUE(cmd);
    EXPECT_EQ(cmd->text,
              L"ffmpeg -y -i /v/my clip.flv -s 420x240 -r 14 -b 50k -ar 22050 -ab 56k -ac 1 "
              L"/v/my clip.flv.mp4");
    std::vector<std::string> expected = {"/usr/bin/ffmpeg",
                                         "-y",
                                         "-i",
                                         "/v/my clip.flv",
                                         "-s",
                                         "420x240",
                                         "-r",
                                         "14",
                                         "-b",
                                         "50k",
                                         "-ar",
                                         "22050",
                                         "-ab",
                                         "56k",
                                         "-ac",
                                         "1",
                                         "/v/my clip.flv.mp4"};
    EXPECT_EQ(cmd->argv, expected);
}

TEST(ManualCommand, SourceNamesAreNeverReadAsCommandText) {
    const std::wstring source = L"/v/a'b\"c $(touch x) `id`; rm -rf ~ %2.flv";
    auto cmd = BuildManualCommand(L"ffmpeg -i %1 -f mp3 \"%2.mp3\"", source, "/e/ffmpeg");
    ASSERT_TRUE(cmd);
    ASSERT_EQ(cmd->argv.size(), 7u);
    EXPECT_EQ(cmd->argv[3], "/v/a'b\"c $(touch x) `id`; rm -rf ~ %2.flv");
    EXPECT_EQ(cmd->argv[6], "/v/a'b\"c $(touch x) `id`; rm -rf ~ %2.flv.mp3");
}

TEST(ManualCommand, OnlyAFirstWordFfmpegIsReplacedAndOnlyInnerDashIGetsOverwrite) {
    // Another program named first is not run at all.
    EXPECT_FALSE(BuildManualCommand(L"avconv -i %1 out.mp4", L"/v/a.flv", "/e/ffmpeg"));
    // "-i" as the last word has no blank after it in the text, so it is left alone.
    auto last = BuildManualCommand(L"ffmpeg -i", L"/v/a.flv", "/e/ffmpeg");
    ASSERT_TRUE(last);
    EXPECT_EQ(last->argv, (std::vector<std::string>{"/e/ffmpeg", "-i"}));
    EXPECT_EQ(last->text, L"ffmpeg -i");
    // Without "%2" only "%1" is replaced.
    auto noOutput = BuildManualCommand(L"ffmpeg -i %1 out.mp3", L"/v/a b.flv", "/e/ffmpeg");
    EXPECT_EQ(noOutput->text, L"ffmpeg -y -i /v/a b.flv out.mp3");
}

TEST(ManualCommand, EmptyOrUnsplittableTextGivesNoCommand) {
    EXPECT_FALSE(BuildManualCommand(L"   ", L"/v/a.flv", "/e/ffmpeg"));
    EXPECT_FALSE(BuildManualCommand(L"ffmpeg -i '%1", L"/v/a.flv", "/e/ffmpeg"));
}

TEST(ManualCommand, TheFirstWordMustNameTheEncoderAndBecomesItsPath) {
    const std::filesystem::path encoder = "/opt/enc/ffmpeg";
    for (const wchar_t* accepted :
         {L"ffmpeg -i %1 %2.mp3", L"/opt/enc/ffmpeg -i %1 %2.mp3", L"'ffmpeg' -i %1 %2.mp3"}) {
        SCOPED_TRACE(WideToUtf8(accepted));
        EXPECT_TRUE(ManualCommandNamesEncoder(accepted, encoder));
        EXPECT_FALSE(ManualCommandRefusal(nullptr, accepted, encoder));
        auto cmd = BuildManualCommand(accepted, L"/v/a.flv", encoder);
        ASSERT_TRUE(cmd);
        EXPECT_EQ(cmd->argv.front(), "/opt/enc/ffmpeg");
    }
    for (const wchar_t* refused :
         {L"rm -rf x", L"/bin/sh -c 'ffmpeg -i %1 %2.mp3'", L"sh -c ffmpeg", L"./ffmpeg -i %1",
          L"/usr/bin/ffmpeg -i %1", L"FFMPEG -i %1", L"ffmpeg.exe -i %1", L"ffmpeg;rm -i %1",
          L"env ffmpeg -i %1", L"   "}) {
        SCOPED_TRACE(WideToUtf8(refused));
        EXPECT_FALSE(ManualCommandNamesEncoder(refused, encoder));
        EXPECT_FALSE(BuildManualCommand(refused, L"/v/a.flv", encoder));
        auto message = ManualCommandRefusal(nullptr, refused, encoder);
        ASSERT_TRUE(message);
        EXPECT_NE(message->find(L"ffmpeg"), std::wstring::npos);
    }
    // Text that does not split is not the refusal's business: its run fails.
    EXPECT_FALSE(ManualCommandRefusal(nullptr, L"sh -c 'unclosed", encoder));
}

TEST(ManualCommand, AnotherNameOfTheEncodersFileIsTheEncoder) {
    test::TempDir dir;
    const std::filesystem::path encoder = dir.Path() / "ffmpeg";
    test::WriteFileBytes(encoder, "#!/bin/sh\n");
    std::filesystem::create_symlink(encoder, dir.Path() / "alias");
    test::WriteFileBytes(dir.Path() / "other", "#!/bin/sh\n");
    const std::wstring viaLink = Utf8ToWide((dir.Path() / "alias").string()) + L" -i %1 %2.mp3";
    auto cmd = BuildManualCommand(viaLink, L"/v/a.flv", encoder);
    ASSERT_TRUE(cmd);
    EXPECT_EQ(cmd->argv.front(), encoder.string());  // what runs is the encoder's own path
    const std::wstring other = Utf8ToWide((dir.Path() / "other").string()) + L" -i %1";
    EXPECT_FALSE(BuildManualCommand(other, L"/v/a.flv", encoder));
}

TEST(ManualCommand, RefusalSpeaksTheUsersLanguage) {
    StringTable german;
    ASSERT_TRUE(
        german.Load(std::filesystem::path(TALVEX_SOURCE_DIR) / "data/Lang/res1031.ini", false));
    auto message = ManualCommandRefusal(&german, L"rm -rf x", "/e/ffmpeg");
    ASSERT_TRUE(message);
    EXPECT_EQ(*message, german.GetText(L"msg.manual.not.encoder"));
    EXPECT_NE(*message, *ManualCommandRefusal(nullptr, L"rm -rf x", "/e/ffmpeg"));
}

}  // namespace talvex
