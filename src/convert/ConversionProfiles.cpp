#include "convert/ConversionProfiles.h"

#include <charconv>
#include <cwchar>

namespace talvex {

namespace {

struct Row {
    const wchar_t* videoCodec;
    const wchar_t* tag;
    int width, height;
    double frameRate, videoKbps;
    int qualityScale;
    const wchar_t* audioCodec;
    int sampleRate;
    double audioKbps;
    int channels;
};

// [profile][quality]: High, Optimal, Medium, Low.
constexpr Row kTable[7][4] = {
    {// iPod
     {L"", L"", 320, 240, 24, 500, 1, L"", 22050, 64, 2},
     {L"", L"", 320, 240, 24, 500, 7, L"", 22050, 64, 2},
     {L"", L"", 320, 240, 20, 500, 15, L"", 22050, 64, 1},
     {L"", L"", 176, 144, 20, 500, 0, L"", 22050, 64, 1}},
    {// iPhone
     {L"mpeg4", L"", 640, 480, 29, 1500, 1, L"", 44100, 128, 2},
     {L"mpeg4", L"", 480, 320, 29, 900, 7, L"", 44100, 128, 2},
     {L"mpeg4", L"", 480, 320, 29, 900, 15, L"", 44100, 96, 2},
     {L"mpeg4", L"", 480, 320, 29, 900, 0, L"", 44100, 96, 2}},
    {// PSP
     {L"mpeg4", L"", 368, 208, 29, 500, 1, L"", 24000, 64, 2},
     {L"mpeg4", L"", 320, 240, 29, 500, 7, L"", 24000, 64, 2},
     {L"mpeg4", L"", 320, 240, 29, 500, 15, L"", 24000, 64, 1},
     {L"", L"", 176, 96, 14, 500, 0, L"", 24000, 64, 1}},
    {// cell phone
     {L"mpeg4", L"", 352, 288, 15, 30, 1, L"", 8000, 12.2, 1},
     {L"mpeg4", L"", 176, 144, 15, 30, 7, L"", 8000, 12.2, 1},
     {L"mpeg4", L"", 176, 144, 29, 30, 15, L"", 8000, 12.2, 1},
     {L"mpeg4", L"", 128, 96, 10, 30, 0, L"", 8000, 12.2, 1}},
    {// WMV
     {L"wmv2", L"", 320, 240, 15, 50, 1, L"wmav2", 22050, 64, 2},
     {L"wmv2", L"", 320, 240, 15, 50, 7, L"wmav2", 22050, 64, 2},
     {L"wmv2", L"", 320, 240, 29, 50, 15, L"wmav2", 22050, 64, 2},
     {L"wmv2", L"", 320, 240, 10, 50, 0, L"wmav2", 22050, 56, 1}},
    {// XviD: no frame rate; Medium uses quality scale 12
     {L"mpeg4", L"XVID", 320, 240, 0, 200, 1, L"", 22050, 64, 2},
     {L"mpeg4", L"XVID", 320, 240, 0, 200, 7, L"", 22050, 64, 2},
     {L"mpeg4", L"XVID", 320, 240, 0, 200, 12, L"", 22050, 64, 2},
     {L"mpeg4", L"XVID", 320, 240, 0, 200, 0, L"", 22050, 64, 1}},
    {// MP3: no video
     {L"", L"", 0, 0, 0, 0, 0, L"", 48000, 256, 2},
     {L"", L"", 0, 0, 0, 0, 0, L"", 48000, 192, 2},
     {L"", L"", 0, 0, 0, 0, 0, L"", 44100, 128, 2},
     {L"", L"", 0, 0, 0, 0, 0, L"", 22050, 96, 2}},
};

struct ProfileInfo {
    const wchar_t* extension;
    const wchar_t* suffix;
    const wchar_t* listKey;
    const wchar_t* listText;
};

constexpr ProfileInfo kProfiles[kProfileCount] = {
    {L".mov", L"(ipod)", L"dlg.main.combo.convrt.ipod", L"Ipod Video (Apple Quick Time MOV)"},
    {L".mp4", L"(iphone)", L"dlg.main.combo.convrt.iphone", L"Iphone Video (MPEG-4 MP4)"},
    {L".mp4", L"(psp)", L"dlg.main.combo.convrt.psp", L"PSP Video (H.264 MP4)"},
    {L".3gp", L"(cell)", L"dlg.main.combo.convrt.cell", L"Cell Phone (H.263 3GP)"},
    {L".wmv", L"(wmv)", L"dlg.main.combo.convrt.wmv", L"Windows Media Video (V.7 WMV)"},
    {L".avi", L"(xvid)", L"dlg.main.combo.convrt.xvid", L"XVid MPEG-4 Codec (AVI)"},
    {L".mp3", L"(mp3)", L"dlg.main.combo.convrt.mpeg", L"MPEG Audio Layer 3 (MP3)"},
    {L"", L"", L"dlg.main.combo.convrt.manual",
     L"Manual conversion (Asks for the insertion of parameters)"},
};

struct QualityInfo {
    const wchar_t* key;
    const wchar_t* text;
};

constexpr QualityInfo kQualities[kConversionQualityCount] = {
    {L"dlg.main.combo.convrtquality.high", L"High"},
    {L"dlg.main.combo.convrtquality.opt", L"Optimal"},
    {L"dlg.main.combo.convrtquality.med", L"Medium"},
    {L"dlg.main.combo.convrtquality.low", L"Low"},
};

bool IsListedProfile(int profile) {
    return profile >= 0 && profile < kProfileCount;
}

}  // namespace

std::optional<ProfileSettings> GetProfileSettings(int profile, ConversionQuality quality) {
    // A quality made from an unchecked number may lie outside the table.
    const int row = ConversionQualityNumber(quality);
    if (profile < 0 || profile > kProfileMp3 || row < 0 || row >= kConversionQualityCount) {
        return std::nullopt;
    }
    const Row& r = kTable[profile][row];
    ProfileSettings s;
    s.video.codec = r.videoCodec;
    s.video.tag = r.tag;
    s.video.width = r.width;
    s.video.height = r.height;
    s.video.frameRate = r.frameRate;
    s.video.bitRate = r.videoKbps;
    s.video.qualityScale = r.qualityScale;
    s.audio.codec = r.audioCodec;
    s.audio.sampleRate = r.sampleRate;
    s.audio.bitRate = r.audioKbps;
    s.audio.channels = r.channels;
    s.audio.volume = 256;
    return s;
}

std::wstring ProfileExtension(int profile) {
    return IsListedProfile(profile) ? kProfiles[profile].extension : L".avi";
}

std::wstring ProfileNameSuffix(int profile) {
    return IsListedProfile(profile) ? kProfiles[profile].suffix : L"(copy)";
}

std::wstring ProfileListKey(int profile) {
    return IsListedProfile(profile) ? kProfiles[profile].listKey : L"";
}

std::wstring ProfileListText(int profile) {
    return IsListedProfile(profile) ? kProfiles[profile].listText : L"";
}

std::wstring QualityListKey(int quality) {
    return quality >= 0 && quality < kConversionQualityCount ? kQualities[quality].key : L"";
}

std::wstring QualityListText(int quality) {
    return quality >= 0 && quality < kConversionQualityCount ? kQualities[quality].text : L"";
}

int VolumeUnits(int volumePercent) {
    return volumePercent * 256 / 100;
}

std::wstring FormatFixed2(double value) {
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 2);
    return std::wstring(buffer, result.ptr);
}

std::wstring VideoArguments(const VideoSettings& video) {
    std::wstring text;
    if (!video.codec.empty()) {
        text += L" -vcodec " + video.codec;
    }
    if (!video.tag.empty()) {
        text += L" -vtag " + video.tag;
    }
    if (static_cast<long long>(video.width) * video.height != 0) {
        text += L" -s " + std::to_wstring(video.width) + L"x" + std::to_wstring(video.height);
    }
    if (video.frameRate != 0) {
        text += L" -r " + FormatFixed2(video.frameRate);
    }
    if (video.bitRate != 0) {
        text += L" -b " + FormatFixed2(video.bitRate) + L"k";
    }
    if (video.qualityScale != 0) {
        text += L" -qscale " + std::to_wstring(video.qualityScale);
    }
    return text.empty() ? L" -vn" : text;
}

std::wstring AudioArguments(const AudioSettings& audio) {
    if (audio.volume == 0) {
        return L" -an";
    }
    std::wstring text;
    if (!audio.codec.empty()) {
        text += L" -acodec " + audio.codec;
    }
    if (audio.sampleRate != 0) {
        text += L" -ar " + std::to_wstring(audio.sampleRate);
    }
    if (audio.bitRate != 0) {
        text += L" -ab " + FormatFixed2(audio.bitRate) + L"k";
    }
    if (audio.channels != 0) {
        text += L" -ac " + std::to_wstring(audio.channels);
    }
    text += L" -vol " + std::to_wstring(audio.volume);
    return text;
}

}  // namespace talvex
