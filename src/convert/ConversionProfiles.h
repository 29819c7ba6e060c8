#pragma once
// The conversion profiles: for each profile and quality the encoder's video and audio settings,
// the output extension and the suffix that tells outputs apart when a name is taken, and the
// argument texts made from them.
#include <optional>
#include <string>

#include "activity/ConversionQuality.h"

namespace talvex {

enum ConversionProfile : int {
    kProfileIpod = 0,
    kProfileIphone = 1,
    kProfilePsp = 2,
    kProfileCellPhone = 3,
    kProfileWmv = 4,
    kProfileXvid = 5,
    kProfileMp3 = 6,
    kProfileManual = 7,
};
inline constexpr int kProfileCount = 8;  // the rows offered in the lists, manual included

// Encoder video settings; 0 or empty means "not written".
struct VideoSettings {
    std::wstring codec;
    std::wstring tag;
    int width = 0;  // 0 x 0: keep the source's size
    int height = 0;
    double frameRate = 0;
    double bitRate = 0;  // kbit/s
    int qualityScale = 0;
};

struct AudioSettings {
    std::wstring codec;
    int sampleRate = 0;  // Hz
    double bitRate = 0;  // kbit/s
    int channels = 0;
    int volume = 256;  // encoder units: 256 leaves the volume unchanged, 0 drops the audio
};

struct ProfileSettings {
    VideoSettings video;
    AudioSettings audio;
};

// The settings of profiles 0 to 6 at each quality (volume 256); nothing otherwise.
std::optional<ProfileSettings> GetProfileSettings(int profile, ConversionQuality quality);

// Output extension with its dot: ".mov", ".mp4", ".mp4", ".3gp", ".wmv", ".avi", ".mp3";
// empty for the manual profile; ".avi" for any other index.
std::wstring ProfileExtension(int profile);
// "(ipod)", "(iphone)", "(psp)", "(cell)", "(wmv)", "(xvid)", "(mp3)"; empty for the manual
// profile; "(copy)" for any other index.
std::wstring ProfileNameSuffix(int profile);
// The profile list's localization key and built-in text (rows 0 to 7); empty otherwise.
std::wstring ProfileListKey(int profile);
std::wstring ProfileListText(int profile);
// The quality list's key and built-in text (rows 0 to 3); empty otherwise.
std::wstring QualityListKey(int quality);
std::wstring QualityListText(int quality);

// volumePercent (0 to 200) in encoder units: percent x 256 / 100, the remainder dropped.
int VolumeUnits(int volumePercent);

// " -vcodec C -vtag T -s WxH -r F -b Bk -qscale Q", each part only when set; " -vn" when
// nothing is set.
std::wstring VideoArguments(const VideoSettings& video);
// " -acodec C -ar R -ab Bk -ac N -vol V"; " -an" when the volume is 0 or nothing is set.
std::wstring AudioArguments(const AudioSettings& audio);

// Formats a number with two decimals and a point, whatever the process's locale (a front end
// may set one whose decimal separator is a comma, which the encoder would not read).
std::wstring FormatFixed2(double value);

}  // namespace talvex
