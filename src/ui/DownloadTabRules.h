#pragma once
// The Download tab's rules that need no widget: how pasted text becomes a list of addresses in
// the address box, when the quality list is offered, and how the three lists map to the codes
// the engine and the settings use.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "activity/ConversionQuality.h"
#include "scripts/DownloadQuality.h"

namespace talvex::ui {

class DownloadTabRules {
public:
    DownloadTabRules() = delete;

    static constexpr int kQualityRows = 7;
    static constexpr int kConvertTypeRows = 7;
    static constexpr int kConvertQualityRows = 4;
    // The quality of the first row, and of a list without a selection.
    static constexpr DownloadQuality kBestQuality = DownloadQuality::kBest;

    // Lines of the text: any run of CR and LF separates two lines, empty lines are skipped and
    // nothing is trimmed.
    static std::vector<std::wstring> SplitUrls(std::wstring_view text);
    // An address the box keeps: "http://" or "https://" at the very start (exact case) and at
    // least 13 characters in all.
    static bool IsAcceptedUrl(std::wstring_view line);
    // The box text after merging the incoming lines into it: each accepted line that is not in
    // the box yet is appended followed by "\r\n", on a line of its own.
    static std::wstring MergeUrls(std::wstring_view boxText, std::wstring_view incoming);
    // Whether the text names the video site (main or short-link domain) anywhere.
    static bool QualityListEnabled(std::wstring_view text);

    // Download quality list row -> quality; a row outside the list (none selected) gives the
    // best quality.
    static DownloadQuality QualityCodeForRow(int row);
    // Stored code -> row: the codes the list offers select their row, anything else row 0.
    static int RowForQualityCode(uint32_t code);
    // Stored conversion type / quality -> row; a value the list does not have selects row 0.
    static int ConvertTypeRow(uint32_t stored);
    static int ConvertQualityRow(uint32_t stored);

    // The speed limit field counts KB/s of 1,024 bytes, 0 for no limit; "MaxDownloadSpeed"
    // holds bytes a second, at most what the settings file stores as a number.
    static constexpr int kMaxSpeedLimitKB = 4194303;
    static uint32_t SpeedLimitBytes(int kilobytesPerSecond);
    // A stored limit in the field: rounded up, so that a limit of a few bytes still shows.
    static int SpeedLimitKilobytes(uint32_t bytesPerSecond);
    // Conversion quality list row -> quality; a row outside the list (none selected) gives the
    // first row's.
    static ConversionQuality ConvertQualityForRow(int row);
};

}  // namespace talvex::ui
