#pragma once
// The Convert tab's rules that need no widget: how the stored choices select list rows, which
// file a conversion would write, and when "Replace existing file" is offered and honoured.
#include <cstdint>
#include <string>
#include <string_view>

#include "activity/ConversionQuality.h"

namespace talvex::ui {

class ConvertTabRules {
public:
    ConvertTabRules() = delete;

    static constexpr int kProfileRows = 8;  // the seven profiles and the manual command
    static constexpr int kQualityRows = 4;

    // Stored "ConversionType" / "ConvertQuality" -> row; a value the list does not have
    // selects row 0.
    static int ProfileRow(uint32_t stored);
    static int QualityRow(uint32_t stored);
    // Quality list row -> quality; a row outside the list (none selected) gives the first
    // row's.
    static ConversionQuality QualityForRow(int row);

    // The file the profile makes of source: its extension (the last dot of the file name, not
    // a leading one) replaced by the profile's; no extension for the manual profile, ".avi" for
    // a profile outside the list. The conversion item names its output the same way.
    static std::wstring OutputPath(std::wstring_view source, int profile);

    // Whether "Replace existing file" is offered: a file other than the source already has the
    // output's name. The manual command names its own output, so it never is.
    static bool OffersReplace(const std::wstring& source, int profile);

    // The item's replaceExisting for the box's value. Replacing the output when it is the
    // source itself would delete the file being converted: the output then takes a free name.
    static bool ReplaceExisting(bool checked, const std::wstring& source, int profile);
};

}  // namespace talvex::ui
