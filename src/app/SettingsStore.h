#pragma once
// The user's settings: one JSON object in ConfigFolder()/"Talvex.json". A JSON string is a
// text value, a JSON integer 0..4294967295 a number value; anything else reads as the default.
// Every call goes to the file (no cache), so a value changed by another instance or by hand is
// seen at the next read. Writes replace the file atomically under an advisory lock, so a crash
// mid-write never loses the settings; a file that does not parse reads as defaults and is moved
// aside to "Talvex.json.bad" before the next write instead of being overwritten. A file that
// cannot be read at the moment (no descriptor left, an I/O error) or is not a regular file
// reads as defaults too, but is left alone: writes fail until it reads again.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace talvex {

// Value names.
namespace setting {
inline constexpr wchar_t kDownloadDirectory[] = L"DownloadDirectory";
inline constexpr wchar_t kDownloadQuality[] = L"DownloadQuality";
inline constexpr wchar_t kConversionTypeDwnld[] = L"ConversionTypeDwnld";
inline constexpr wchar_t kConvertQualityDwnld[] = L"ConvertQualityDwnld";
inline constexpr wchar_t kAutoConvert[] = L"AutoConvert";
inline constexpr wchar_t kDeleteOriginalFile[] = L"DeleteOriginalFile";
inline constexpr wchar_t kMaxDownloadSpeed[] = L"MaxDownloadSpeed";  // bytes/s, 0: none
inline constexpr wchar_t kConversionType[] = L"ConversionType";
inline constexpr wchar_t kConvertQuality[] = L"ConvertQuality";
inline constexpr wchar_t kConversionParams[] = L"ConversionParams";
inline constexpr wchar_t kLanguage[] = L"Language";
inline constexpr wchar_t kActivitySortCol[] = L"ActivitySortCol";
inline constexpr wchar_t kMruDir[] = L"MruDir";  // followed by 1..5, see MruDirName
inline constexpr wchar_t kNextCheckAutoUpdate[] = L"NextCheckAutoUpdate";
inline constexpr wchar_t kDebugLogging[] = L"DebugLogging";
inline constexpr wchar_t kIsn[] = L"ISN";
inline constexpr wchar_t kSiteUrl[] = L"SiteURL";
// The folders the desktop program downloaded to lately, one per line (newest first): where a
// start looks for unfinished downloads to list again.
inline constexpr wchar_t kResumeFolders[] = L"ResumeFolders";

inline constexpr wchar_t kDefaultLanguage[] = L"1033";
inline constexpr int kMruDirCount = 5;

// "MruDir1" .. "MruDir5".
std::wstring MruDirName(int number);
}  // namespace setting

class SettingsStore {
public:
    // The user's settings file, ConfigFolder()/"Talvex.json", fixed at construction.
    SettingsStore();
    // Another file (tests, tools).
    explicit SettingsStore(std::filesystem::path file);

    static std::filesystem::path DefaultFile();
    const std::filesystem::path& File() const { return file_; }

    // The stored text; defaultText when the file or value is missing, unreadable or not text.
    std::wstring GetString(std::wstring_view name, std::wstring_view defaultText) const;
    // Stores text (creating the folder and file when missing). False when it could not be
    // stored (also when the file cannot be read, or would grow past kMaxSettingsFileBytes); the
    // file is then unchanged.
    bool SetString(std::wstring_view name, std::wstring_view text) const;
    // The stored number; 0 when missing or not an integer in 0..4294967295.
    uint32_t GetNumber(std::wstring_view name) const;
    bool SetNumber(std::wstring_view name, uint32_t value) const;

    // "DownloadDirectory"; the XDG documents folder, else the home folder, when missing or empty.
    std::wstring GetDownloadFolder() const;
    // "Language", default "1033".
    std::wstring GetLanguage() const;
    // "ISN", the installation identifier; empty when missing.
    std::wstring GetInstallationId() const;
    // "ActivitySortCol", e.g. "Speed|Desc"; empty when missing.
    std::wstring GetActivitySortColumn() const;

private:
    std::filesystem::path file_;
};

}  // namespace talvex
