#pragma once
// Asking the encoder about a media file and about itself: where the encoder is, the report it
// prints on a file (stream descriptions, "Duration: "), the picture size read from that
// report, and whether it can write AMR-NB audio.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "convert/PictureSize.h"

namespace talvex {

// "ffmpeg" in the resource folder when it is there, else "ffmpeg" found on PATH, else the
// bare name (starting it then fails).
std::filesystem::path EncoderPath();

// Runs "<encoder> -i <file>" and returns what it prints on its error output (UTF-8, a byte
// order mark skipped), or nothing when the encoder cannot be run. An encoder that is still
// busy after timeoutMs (reading a named pipe, say) is killed and nothing is returned.
inline constexpr int kReportTimeoutMs = 30000;
std::optional<std::wstring> EncoderReport(const std::filesystem::path& encoder,
                                          const std::filesystem::path& file,
                                          int timeoutMs = kReportTimeoutMs);

struct VideoStreamInfo {
    std::wstring codec;
    std::wstring pixelFormat;
    PictureSize size;
};

// The first "Video: " stream description of a report: codec, pixel format, width and height.
// Tolerates the parenthesised profile, codec tag and colour details the encoder prints, as in
// "Video: h264 (High) (avc1 / 0x31637661), yuv420p(tv, bt709, progressive), 1280x640 ...".
std::optional<VideoStreamInfo> ParseVideoStream(std::wstring_view report);

// The source's picture size, or 0 x 0 when the encoder cannot run or prints no video stream.
PictureSize ProbePictureSize(const std::filesystem::path& encoder,
                             const std::filesystem::path& file);

// Whether the encoder lists an AMR-NB audio encoder ("-encoders"); asked once per encoder
// path for the life of the process.
bool EncoderHasAmrNb(const std::filesystem::path& encoder);
// True when the encoders list text names an audio encoder of codec AMR-NB.
bool EncoderListHasAmrNb(std::string_view encodersList);

}  // namespace talvex
