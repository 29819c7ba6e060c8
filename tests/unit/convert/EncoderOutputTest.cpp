#include <gtest/gtest.h>

#include <algorithm>

#include "convert/EncoderDuration.h"
#include "convert/EncoderOutput.h"
#include "convert/EncoderReport.h"

namespace talvex {

namespace {
// The end of a real conversion's error output (Debian ffmpeg 5.1): progress lines end in a
// carriage return, the summary in a line feed.
const std::string kTail =
    "  Duration: 00:00:03.00, start: 0.000000, bitrate: 191 kb/s\n"
    "frame=    1 fps=0.0 q=5.0 size=       0kB time=00:00:00.04 bitrate=   7.6kbits/s "
    "speed=0.263x    \r"
    "frame=    5 fps=0.0 q=2.0 size=       0kB time=00:00:00.25 bitrate=   1.4kbits/s "
    "speed=0.377x    \r"
    "frame=   40 fps= 34 q=6.7 size=       0kB time=00:00:01.62 bitrate=   0.2kbits/s "
    "speed=1.38x    \r"
    "frame=   75 fps= 51 q=20.3 Lsize=     266kB time=00:00:03.01 bitrate= 722.4kbits/s "
    "speed=2.07x    \n"
    "video:237kB audio:26kB subtitle:0kB other streams:0kB global headers:0kB muxing overhead: "
    "1.260866%\n";
}  // namespace

TEST(EncoderOutput, ReadsDurationAndNewPositionsWhateverThePieces) {
    // Fed whole, and fed in pieces of every size from 1 to 40 bytes. A piece tells its latest
    // position only, so larger pieces skip some; the figures never go wrong or back.
    for (size_t piece = 0; piece <= 40; ++piece) {
        EncoderOutputReader reader;
        std::vector<int64_t> positions;
        std::optional<int64_t> duration;
        std::string_view rest(kTail);
        while (!rest.empty()) {
            size_t n = piece == 0 ? rest.size() : std::min(piece, rest.size());
            auto f = reader.Feed(rest.substr(0, n));
            rest.remove_prefix(n);
            if (f.duration) {
                duration = f.duration;
            }
            if (f.position) {
                positions.push_back(*f.position);
            }
        }
        EXPECT_EQ(duration, 300) << piece;
        const std::vector<int64_t> all = {4, 25, 162, 301};
        ASSERT_FALSE(positions.empty());
        EXPECT_EQ(positions.back(), 301) << piece;
        EXPECT_TRUE(std::includes(all.begin(), all.end(), positions.begin(), positions.end()))
            << piece;
        if (piece == 1) {
            EXPECT_EQ(positions, all);
        }
        EXPECT_EQ(reader.LastMessage(),
                  L"video:237kB audio:26kB subtitle:0kB other streams:0kB global headers:0kB "
                  L"muxing overhead: 1.260866%")
            << piece;
    }
}

TEST(EncoderOutput, TimeInSecondsFromOlderEncodersAndOddValues) {
    EXPECT_EQ(EncoderOutputReader::ParseTime(L"frame= 10 size= 5kB time=12.34 bitrate= 1"), 1234);
    EXPECT_EQ(EncoderOutputReader::ParseTime(L"time=01:02:03.45 x"), 372345);
    EXPECT_EQ(EncoderOutputReader::ParseTime(L"time=00:00:01.9"), 190);
    EXPECT_EQ(EncoderOutputReader::ParseTime(L"time=7 "), 700);
    EXPECT_FALSE(EncoderOutputReader::ParseTime(L"size=N/A time=N/A bitrate=N/A"));
    EXPECT_FALSE(EncoderOutputReader::ParseTime(L"time=-00:00:00.02 bitrate"));
    EXPECT_FALSE(EncoderOutputReader::ParseTime(L"no figure"));
}

TEST(EncoderOutput, DurationNeedsTheFullClockForm) {
    EXPECT_EQ(ParseEncoderDuration(L"  Duration: 01:00:00.50, start: 0"), 360050);
    EXPECT_FALSE(ParseEncoderDuration(L"  Duration: N/A, bitrate: N/A"));
    EXPECT_FALSE(ParseEncoderDuration(L"  Duration: 00:00:03.00 no comma"));
    EXPECT_FALSE(ParseEncoderDuration(L"  Duration: 1:2, x"));
    EXPECT_FALSE(ParseEncoderDuration(L"  Duration: 00:00:03, start: 0"));
}

TEST(EncoderOutput, HoursAndMinutesOfLongMediaInDurationAndProgress) {
    // Every factor counts: hours, minutes, seconds and hundredths each move the figure.
    EXPECT_EQ(ParseEncoderDuration(L"  Duration: 01:02:03.45, start: 0.000000"), 372345);
    EXPECT_EQ(ParseEncoderDuration(L"  Duration: 00:59:59.99, bitrate: 64 kb/s"), 359999);
    EXPECT_EQ(ParseEncoderDuration(L"  Duration: 00:10:00.00, start: 0"), 60000);
    EXPECT_EQ(ParseEncoderDuration(L"  Duration: 125:00:00.5, start: 0"), 45000050);

    // A run through a media hour: the reader's duration and positions past it.
    EncoderOutputReader reader;
    auto header = reader.Feed(
        "Input #0, wav, from 'long.wav':\n"
        "  Duration: 01:02:03.45, bitrate: 64 kb/s\n");
    EXPECT_EQ(header.duration, 372345);
    EXPECT_EQ(reader.Feed("size=1kB time=00:59:59.50 bitrate\r").position, 359950);
    EXPECT_EQ(reader.Feed("size=2kB time=01:00:00.00 bitrate\r").position, 360000);
    EXPECT_EQ(reader.Feed("size=3kB time=01:02:03.40 bitrate\r").position, 372340);
    // Older encoders give the position in seconds.
    EXPECT_EQ(reader.Feed("size=4kB time=3723.44 bitrate\r").position, 372344);
}

TEST(EncoderOutput, RepeatedAndZeroPositionsAreNotReportedAndErrorsFollowingProgressAreKept) {
    EncoderOutputReader reader;
    EXPECT_FALSE(reader.Feed("size=0kB time=00:00:00.00 bitrate\r").position);
    EXPECT_EQ(reader.Feed("size=1kB time=00:00:00.50 bitrate\r").position, 50);
    EXPECT_FALSE(reader.Feed("size=1kB time=00:00:00.50 bitrate\r").position);
    reader.Feed("Error writing trailer: No space left on device\n");
    EXPECT_EQ(reader.LastMessage(), L"Error writing trailer: No space left on device");
    reader.Feed("size=2kB time=00:00:01.00 bitrate\r");
    EXPECT_EQ(reader.LastMessage(), L"");
    // A last line without its end is read when the output closes.
    reader.Feed("Conversion failed!");
    EXPECT_EQ(reader.LastMessage(), L"");
    reader.Flush();
    EXPECT_EQ(reader.LastMessage(), L"Conversion failed!");
}

TEST(EncoderOutput, HeaderLinesBeforeProgressAreNotALastMessage) {
    EncoderOutputReader reader;
    reader.Feed("Input #0, flv, from 'a.flv':\n  Duration: 00:00:03.00, start: 0.0\n");
    EXPECT_EQ(reader.LastMessage(), L"");
}

TEST(VideoStreamLine, RealLinesOfSeveralContainersAndCodecs) {
    struct Case {
        const wchar_t* line;
        const wchar_t* codec;
        const wchar_t* format;
        int w, h;
    };
    const Case cases[] = {
        {L"  Stream #0:0[0x1](und): Video: h264 (High) (avc1 / 0x31637661), "
         L"yuv420p(tv, bt709, progressive), 1280x640 [SAR 1:1 DAR 2:1], 111 kb/s, 25 fps",
         L"h264", L"yuv420p", 1280, 640},
        {L"  Stream #0:0: Video: vp8, yuv420p(tv, progressive), 320x240, SAR 1:1 DAR 4:3, 25 fps",
         L"vp8", L"yuv420p", 320, 240},
        {L"  Stream #0:0: Video: mpeg4 (Simple Profile) (FMP4 / 0x34504D46), yuv420p, 320x240 "
         L"[SAR 1:1 DAR 4:3], 25 fps",
         L"mpeg4", L"yuv420p", 320, 240},
        {L"  Stream #0:0: Video: flv1, yuv420p, 400x226, 200 kb/s, 25 fps, 25 tbr, 1k tbn", L"flv1",
         L"yuv420p", 400, 226},
        {L"  Stream #0:0: Video: hevc (Main 10) (hvc1 / 0x31637668), "
         L"yuv420p10le(tv, bt2020nc/bt2020/smpte2084), 3840x2160, 25 fps",
         L"hevc", L"yuv420p10le", 3840, 2160},
    };
    for (const Case& c : cases) {
        auto info = ParseVideoStream(c.line);
        ASSERT_TRUE(info) << c.line;
        EXPECT_EQ(info->codec, c.codec);
        EXPECT_EQ(info->pixelFormat, c.format);
        EXPECT_EQ(info->size, (PictureSize{c.w, c.h})) << c.line;
    }
    EXPECT_FALSE(ParseVideoStream(L"  Stream #0:0: Audio: mp3, 44100 Hz, stereo, fltp, 128 kb/s"));
}

TEST(EncoderList, FindsAnAmrNbAudioEncoderOnly) {
    const std::string withAmr =
        " V..... mpeg4                MPEG-4 part 2\n"
        " A..... libopencore_amrnb    OpenCORE AMR-NB (Adaptive Multi-Rate Narrow-Band) (codec "
        "amr_nb)\n";
    const std::string without =
        " A..... aac                  AAC (Advanced Audio Coding)\n"
        " D..... amr_nb_fake          not an audio encoder line\n";
    EXPECT_TRUE(EncoderListHasAmrNb(withAmr));
    EXPECT_FALSE(EncoderListHasAmrNb(without));
}

}  // namespace talvex
