#include "convert/EncoderCommand.h"

#include <cwchar>

#include "convert/ConversionProfiles.h"
#include "convert/EncoderReport.h"
#include "convert/TrimTimes.h"
#include "platform/PathText.h"
#include "platform/Utf8.h"

namespace talvex {

std::wstring CutArguments(bool trim, std::wstring_view trimStart, std::wstring_view trimEnd) {
    if (!trim) {
        return {};
    }
    const ClockTime start = ParseClockTime(trimStart);
    const ClockTime end = ParseClockTime(trimEnd);
    wchar_t clock[64];
    std::swprintf(clock, sizeof clock / sizeof clock[0], L"%.2d:%.2d:%.2d", start.hours,
                  start.minutes, start.seconds);
    std::wstring text = L" -ss ";
    text += clock;
    const int64_t length = end.TotalSeconds() - start.TotalSeconds();
    if (length > 0) {
        text += L" -t " + std::to_wstring(length);
    }
    text += L" ";
    return text;
}

bool ProfileFitsPicture(int profile) {
    return profile >= kProfileIpod && profile <= kProfileXvid;
}

std::optional<std::wstring> ProfileArguments(int profile, ConversionQuality quality,
                                             int volumePercent, PictureSize source,
                                             bool amrNbEncoder) {
    if (profile < kProfileIpod || profile > kProfileMp3) {
        return L" ";
    }
    auto settings = GetProfileSettings(profile, quality);
    if (!settings) {
        return std::nullopt;
    }
    VideoSettings& video = settings->video;
    if (ProfileFitsPicture(profile)) {
        PictureSize fitted = FitPictureSize({video.width, video.height}, source);
        video.width = fitted.width;
        video.height = fitted.height;
    }
    AudioSettings& audio = settings->audio;
    audio.volume = VolumeUnits(volumePercent);
    if (profile == kProfileCellPhone && !amrNbEncoder) {
        audio.codec = L"aac";
    }
    std::wstring text = VideoArguments(video);
    if (profile == kProfilePsp) {
        text += L" -f psp";
    } else if (profile == kProfileWmv) {
        text += L" -f asf";
    }
    text += AudioArguments(audio);
    text += L" ";
    return text;
}

EncoderTools EncoderTools::System() {
    EncoderTools tools;
    tools.encoder = EncoderPath();
    const std::filesystem::path encoder = tools.encoder;
    tools.probe = [encoder](const std::filesystem::path& file) {
        return ProbePictureSize(encoder, file);
    };
    tools.hasAmrNb = [encoder] { return EncoderHasAmrNb(encoder); };
    return tools;
}

std::vector<std::string> SplitAtBlanks(std::wstring_view text) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && text[i] == L' ') {
            ++i;
        }
        size_t begin = i;
        while (i < text.size() && text[i] != L' ') {
            ++i;
        }
        if (i > begin) {
            words.push_back(WideToUtf8(text.substr(begin, i - begin)));
        }
    }
    return words;
}

std::optional<CommandLine> BuildEncoderCommand(const EncoderCommandInput& input,
                                               const EncoderTools& tools) {
    PictureSize source;
    if (ProfileFitsPicture(input.profile) && tools.probe) {
        source = tools.probe(ToPath(input.sourcePath));
    }
    const bool amrNb = input.profile == kProfileCellPhone && tools.hasAmrNb && tools.hasAmrNb();
    auto profileText =
        ProfileArguments(input.profile, input.quality, input.volumePercent, source, amrNb);
    if (!profileText) {
        return std::nullopt;
    }
    const std::wstring cutText = CutArguments(input.trim, input.trimStart, input.trimEnd);
    const std::wstring encoder = FromPath(tools.encoder);

    CommandLine command;
    command.text = encoder + L" -i \"" + input.sourcePath + L"\"" + *profileText + cutText +
                   L" -y \"" + input.workPath + L"\"";
    command.argv.push_back(tools.encoder.string());
    command.argv.push_back("-i");
    command.argv.push_back(WideToUtf8(input.sourcePath));
    for (auto& word : SplitAtBlanks(*profileText)) {
        command.argv.push_back(std::move(word));
    }
    for (auto& word : SplitAtBlanks(cutText)) {
        command.argv.push_back(std::move(word));
    }
    command.argv.push_back("-y");
    command.argv.push_back(WideToUtf8(input.workPath));
    return command;
}

}  // namespace talvex
