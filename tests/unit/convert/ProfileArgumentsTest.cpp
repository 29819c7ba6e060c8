#include <gtest/gtest.h>

#include <clocale>

#include "convert/ConversionProfiles.h"
#include "convert/EncoderCommand.h"
#include "convert/PictureSize.h"

namespace talvex {

namespace {

EncoderTools FakeTools(PictureSize probed, bool amrNb, int* probeCalls = nullptr) {
    EncoderTools tools;
    tools.encoder = "/opt/enc/ffmpeg";
    tools.probe = [probed, probeCalls](const std::filesystem::path&) {
        if (probeCalls) {
            ++*probeCalls;
        }
        return probed;
    };
    tools.hasAmrNb = [amrNb] { return amrNb; };
    return tools;
}

}  // namespace

TEST(ProfileArguments, IphoneHighForAWideSourceMatchesTheDocumentedText) {
    auto text = ProfileArguments(kProfileIphone, ConversionQuality::kHigh, 100, {1280, 640}, true);
    ASSERT_TRUE(text);
    EXPECT_EQ(*text,
              L" -vcodec mpeg4 -s 640x320 -r 29.00 -b 1500.00k -qscale 1 -ar 44100 -ab 128.00k "
              L"-ac 2 -vol 256 ");
}

TEST(ProfileArguments, VolumeIsScaledTo256UnitsAndZeroDropsTheWholeAudioText) {
    EXPECT_EQ(VolumeUnits(100), 256);
    EXPECT_EQ(VolumeUnits(50), 128);
    EXPECT_EQ(VolumeUnits(200), 512);
    EXPECT_EQ(VolumeUnits(0), 0);
    EXPECT_EQ(VolumeUnits(33), 84);  // 84.48, remainder dropped

    auto wmvMuted = ProfileArguments(kProfileWmv, ConversionQuality::kHigh, 0, {}, true);
    ASSERT_TRUE(wmvMuted);
    EXPECT_EQ(wmvMuted->find(L"-acodec"), std::wstring::npos);
    EXPECT_NE(wmvMuted->find(L" -f asf -an "), std::wstring::npos) << *wmvMuted;

    auto wmvHalf = ProfileArguments(kProfileWmv, ConversionQuality::kLow, 50, {}, true);
    ASSERT_TRUE(wmvHalf);
    EXPECT_NE(wmvHalf->find(L" -acodec wmav2 -ar 22050 -ab 56.00k -ac 1 -vol 128 "),
              std::wstring::npos)
        << *wmvHalf;
}

TEST(ProfileArguments, ContainerTextSitsBetweenVideoAndAudio) {
    auto psp = ProfileArguments(kProfilePsp, ConversionQuality::kLow, 100, {}, true);
    ASSERT_TRUE(psp);
    // Low PSP names no codec; a failed probe (0 x 0) writes no size.
    EXPECT_EQ(*psp, L" -r 14.00 -b 500.00k -f psp -ar 24000 -ab 64.00k -ac 1 -vol 256 ");
}

TEST(ProfileArguments, XvidWritesTagNoFrameRateAndMediumUsesScale12) {
    auto xvid = ProfileArguments(kProfileXvid, ConversionQuality::kMedium, 100, {640, 480}, true);
    ASSERT_TRUE(xvid);
    EXPECT_EQ(*xvid,
              L" -vcodec mpeg4 -vtag XVID -s 320x240 -b 200.00k -qscale 12 -ar 22050 -ab 64.00k "
              L"-ac 2 -vol 256 ");
}

TEST(ProfileArguments, Mp3HasNoVideoAndEveryQualityItsOwnAudio) {
    const wchar_t* expected[] = {
        L" -vn -ar 48000 -ab 256.00k -ac 2 -vol 256 ",
        L" -vn -ar 48000 -ab 192.00k -ac 2 -vol 256 ",
        L" -vn -ar 44100 -ab 128.00k -ac 2 -vol 256 ",
        L" -vn -ar 22050 -ab 96.00k -ac 2 -vol 256 ",
    };
    for (int q = 0; q < kConversionQualityCount; ++q) {
        auto text = ProfileArguments(kProfileMp3, kConversionQualities[q], 100, {1920, 1080}, true);
        ASSERT_TRUE(text);
        EXPECT_EQ(*text, expected[q]);
    }
}

TEST(ProfileArguments, CellPhoneNamesAacOnlyWhenTheEncoderLacksAmrNb) {
    auto withAmr = ProfileArguments(kProfileCellPhone, ConversionQuality::kOptimal, 100, {}, true);
    auto withoutAmr =
        ProfileArguments(kProfileCellPhone, ConversionQuality::kOptimal, 100, {}, false);
    ASSERT_TRUE(withAmr && withoutAmr);
    EXPECT_EQ(*withAmr,
              L" -vcodec mpeg4 -r 15.00 -b 30.00k -qscale 7 -ar 8000 -ab 12.20k -ac 1 -vol 256 ");
    EXPECT_EQ(*withoutAmr,
              L" -vcodec mpeg4 -r 15.00 -b 30.00k -qscale 7 -acodec aac -ar 8000 -ab 12.20k -ac 1 "
              L"-vol 256 ");
    // Muted: no audio at all, so no codec either.
    EXPECT_EQ(
        ProfileArguments(kProfileCellPhone, ConversionQuality::kLow, 0, {}, false)->find(L"aac"),
        std::wstring::npos);
}

TEST(ProfileArguments, OutOfRangeIndexes) {
    EXPECT_FALSE(ProfileArguments(kProfileIpod, static_cast<ConversionQuality>(4), 100, {}, true));
    EXPECT_FALSE(ProfileArguments(kProfileMp3, static_cast<ConversionQuality>(-1), 100, {}, true));
    EXPECT_EQ(ProfileArguments(8, static_cast<ConversionQuality>(9), 100, {}, true), L" ");
    EXPECT_EQ(ProfileArguments(kProfileManual, ConversionQuality::kHigh, 100, {}, true), L" ");
}

TEST(ProfileArguments, EveryProfileAndQualityBuildsWithVideoBeforeAudio) {
    for (int p = 0; p <= kProfileMp3; ++p) {
        for (int q = 0; q < kConversionQualityCount; ++q) {
            auto text = ProfileArguments(p, kConversionQualities[q], 100, {1920, 1080}, true);
            ASSERT_TRUE(text) << p << "/" << q;
            const size_t audio = text->find(L" -ar ");
            ASSERT_NE(audio, std::wstring::npos);
            EXPECT_LT(text->find(p == kProfileMp3 ? L" -vn" : L" -b "), audio);
            EXPECT_TRUE(text->ends_with(L" -vol 256 ")) << *text;
        }
    }
}

TEST(ProfileTable, ExtensionsSuffixesAndAnyOtherIndex) {
    const wchar_t* ext[] = {L".mov", L".mp4", L".mp4", L".3gp", L".wmv", L".avi", L".mp3", L""};
    const wchar_t* suffix[] = {L"(ipod)", L"(iphone)", L"(psp)", L"(cell)",
                               L"(wmv)",  L"(xvid)",   L"(mp3)", L""};
    for (int p = 0; p < kProfileCount; ++p) {
        EXPECT_EQ(ProfileExtension(p), ext[p]);
        EXPECT_EQ(ProfileNameSuffix(p), suffix[p]);
        EXPECT_FALSE(ProfileListText(p).empty());
    }
    EXPECT_EQ(ProfileExtension(8), L".avi");
    EXPECT_EQ(ProfileNameSuffix(-1), L"(copy)");
    EXPECT_EQ(ProfileListKey(6), L"dlg.main.combo.convrt.mpeg");
    EXPECT_EQ(QualityListKey(1), L"dlg.main.combo.convrtquality.opt");
    EXPECT_TRUE(ProfileListText(8).empty());
}

TEST(ProfileArguments, NumbersUseAPointWhateverTheLocale) {
    // A front end may switch to the user's locale; the encoder reads only "12.20".
    const char* set = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    if (set == nullptr) {
        set = std::setlocale(LC_NUMERIC, "fr_FR.UTF-8");
    }
    if (set == nullptr) {
        GTEST_SKIP() << "no locale with a decimal comma installed";
    }
    EXPECT_EQ(FormatFixed2(12.2), L"12.20");
    EXPECT_EQ(FormatFixed2(1500), L"1500.00");
    std::setlocale(LC_NUMERIC, "C");
}

TEST(PictureFitting, SmallerSourcesKeepTheirSizeLargerOnesKeepTheirAspect) {
    // Fewer pixels than the target: kept, even with one side larger.
    EXPECT_EQ(FitPictureSize({320, 240}, {700, 100}), (PictureSize{700, 100}));
    // A failed probe writes no size.
    EXPECT_EQ(FitPictureSize({320, 240}, {0, 0}), (PictureSize{0, 0}));
    // Portrait with equal pixel counts is fitted: 0.75 x 480.
    EXPECT_EQ(FitPictureSize({640, 480}, {480, 640}), (PictureSize{360, 480}));
    EXPECT_EQ(FitPictureSize({640, 480}, {1280, 640}), (PictureSize{640, 320}));
    // Landscape wider than the target but not as tall: width from the target.
    EXPECT_EQ(FitPictureSize({320, 240}, {1920, 1080}), (PictureSize{320, 180}));
    // Pixel counts of large sources do not overflow.
    EXPECT_EQ(FitPictureSize({320, 240}, {100000, 50000}), (PictureSize{320, 160}));
}

TEST(PictureFitting, OddSidesAreRoundedDownToEven) {
    // 16:9 fitted to 176 wide gives 99 high, which the H.264 encoder refuses.
    EXPECT_EQ(FitPictureSize({176, 144}, {1280, 720}), (PictureSize{176, 98}));
    EXPECT_EQ(FitPictureSize({368, 208}, {1280, 720}), (PictureSize{368, 206}));
    EXPECT_EQ(FitPictureSize({320, 240}, {175, 99}), (PictureSize{174, 98}));
}

TEST(EncoderCommand, TextAndArgumentVectorCarryTheSameWords) {
    EncoderCommandInput in;
    in.profile = kProfileIphone;
    in.quality = ConversionQuality::kHigh;
    in.sourcePath = L"/videos/my clip \"1\" $(x).flv";
    in.workPath = L"/videos/~qrv1A2B.tmp.mp4";
    int probes = 0;
    auto cmd = BuildEncoderCommand(in, FakeTools({1280, 640}, true, &probes));
    ASSERT_TRUE(cmd);
    EXPECT_EQ(probes, 1);
    EXPECT_EQ(cmd->text,
              L"/opt/enc/ffmpeg -i \"/videos/my clip \"1\" $(x).flv\" -vcodec mpeg4 -s 640x320 -r "
              L"29.00 -b 1500.00k -qscale 1 -ar 44100 -ab 128.00k -ac 2 -vol 256  -y "
              L"\"/videos/~qrv1A2B.tmp.mp4\"");
    std::vector<std::string> expected = {"/opt/enc/ffmpeg",
                                         "-i",
                                         "/videos/my clip \"1\" $(x).flv",
                                         "-vcodec",
                                         "mpeg4",
                                         "-s",
                                         "640x320",
                                         "-r",
                                         "29.00",
                                         "-b",
                                         "1500.00k",
                                         "-qscale",
                                         "1",
                                         "-ar",
                                         "44100",
                                         "-ab",
                                         "128.00k",
                                         "-ac",
                                         "2",
                                         "-vol",
                                         "256",
                                         "-y",
                                         "/videos/~qrv1A2B.tmp.mp4"};
    EXPECT_EQ(cmd->argv, expected);
}

TEST(EncoderCommand, CutFollowsTheProfileAndMp3DoesNotProbe) {
    EncoderCommandInput in;
    in.profile = kProfileMp3;
    in.quality = ConversionQuality::kLow;
    in.trim = true;
    in.trimStart = L"1:00:00";
    in.trimEnd = L"1:00:30";
    in.sourcePath = L"/a/b.flv";
    in.workPath = L"/a/w.mp3";
    int probes = 0;
    auto cmd = BuildEncoderCommand(in, FakeTools({640, 480}, true, &probes));
    ASSERT_TRUE(cmd);
    EXPECT_EQ(probes, 0);
    EXPECT_EQ(cmd->text,
              L"/opt/enc/ffmpeg -i \"/a/b.flv\" -vn -ar 22050 -ab 96.00k -ac 2 -vol 256  -ss "
              L"01:00:00 -t 30  -y \"/a/w.mp3\"");
    ASSERT_GE(cmd->argv.size(), 6u);
    EXPECT_EQ(std::vector<std::string>(cmd->argv.end() - 6, cmd->argv.end()),
              (std::vector<std::string>{"-ss", "01:00:00", "-t", "30", "-y", "/a/w.mp3"}));
}

TEST(EncoderCommand, BadQualityGivesNoCommand) {
    EncoderCommandInput in;
    in.profile = kProfileIpod;
    in.quality = static_cast<ConversionQuality>(7);
    in.sourcePath = L"/a/b.flv";
    in.workPath = L"/a/w.mov";
    EXPECT_FALSE(BuildEncoderCommand(in, FakeTools({}, true)));
}

TEST(CutArguments, StartOnlyStartAndLengthAndOff) {
    EXPECT_EQ(CutArguments(false, L"0:01:00", L"0:02:00"), L"");
    EXPECT_EQ(CutArguments(true, L"0:01:00", L"0:00:00"), L" -ss 00:01:00 ");
    EXPECT_EQ(CutArguments(true, L"1:00:00", L"1:00:30"), L" -ss 01:00:00 -t 30 ");
    EXPECT_EQ(CutArguments(true, L"00:00:30", L"00:00:20"), L" -ss 00:00:30 ");
    // A text without ":" is seconds.
    EXPECT_EQ(CutArguments(true, L"45", L"0:01:00"), L" -ss 00:00:45 -t 15 ");
}

}  // namespace talvex
