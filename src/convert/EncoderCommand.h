#pragma once
// The encoder's command for profiles 0 to 6 (and any other index): the input, the profile's
// arguments, the cut and the work file. The text is kept for the debug log; what runs is the
// argument vector, so no file name is ever read by a shell.
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "activity/ConversionQuality.h"
#include "convert/PictureSize.h"

namespace talvex {

struct CommandLine {
    std::wstring text;              // the command as written to the debug log
    std::vector<std::string> argv;  // the program and its arguments (UTF-8)
};

// " -ss HH:MM:SS" with the start, " -t N" with end - start in seconds when that is above 0,
// then one blank; empty when trim is off.
std::wstring CutArguments(bool trim, std::wstring_view trimStart, std::wstring_view trimEnd);

// Whether the profile fits its output to the source's picture size (profiles 0 to 5), and so
// needs the input probe.
bool ProfileFitsPicture(int profile);

// The video text, the profile's container text (" -f psp" for 2, " -f asf" for 4), the audio
// text and one blank; a single blank for an index outside 0 to 6. Nothing for a quality that
// is none of the four on profiles 0 to 6. source is the probed picture size (0 x 0 when unknown).
// Without an AMR-NB encoder (the 3GP container's default audio codec) profile 3 names AAC instead.
std::optional<std::wstring> ProfileArguments(int profile, ConversionQuality quality,
                                             int volumePercent, PictureSize source,
                                             bool amrNbEncoder);

struct EncoderCommandInput {
    int profile = 0;
    ConversionQuality quality = ConversionQuality::kHigh;
    int volumePercent = 100;
    bool trim = false;
    std::wstring trimStart = L"0:00:00";
    std::wstring trimEnd = L"0:00:00";
    std::wstring sourcePath;
    std::wstring workPath;
};

// What a command is built against: the encoder, its input probe and its AMR-NB question.
struct EncoderTools {
    std::filesystem::path encoder;
    std::function<PictureSize(const std::filesystem::path&)> probe;
    std::function<bool()> hasAmrNb;

    // The real encoder (EncoderPath()) and its real answers.
    static EncoderTools System();
};

// "<encoder> -i \"<source>\"<profile arguments><cut> -y \"<work>\"". Runs the probe for
// profiles 0 to 5. Nothing when the profile arguments cannot be built.
std::optional<CommandLine> BuildEncoderCommand(const EncoderCommandInput& input,
                                               const EncoderTools& tools);

// Splits argument text made of blank-separated words (the profile and cut texts hold no
// quoted parts).
std::vector<std::string> SplitAtBlanks(std::wstring_view text);

}  // namespace talvex
