#include "ui/ConvertTabRules.h"

#include <filesystem>
#include <system_error>

#include "convert/ConversionProfiles.h"
#include "platform/PathText.h"

namespace talvex::ui {

int ConvertTabRules::ProfileRow(uint32_t stored) {
    return stored < static_cast<uint32_t>(kProfileRows) ? static_cast<int>(stored) : 0;
}

int ConvertTabRules::QualityRow(uint32_t stored) {
    return stored < static_cast<uint32_t>(kQualityRows) ? static_cast<int>(stored) : 0;
}

ConversionQuality ConvertTabRules::QualityForRow(int row) {
    static_assert(kQualityRows == kConversionQualityCount);
    return ConversionQualityFromNumber(row).value_or(ConversionQuality::kHigh);
}

std::wstring ConvertTabRules::OutputPath(std::wstring_view source, int profile) {
    const size_t slash = source.rfind(L'/');
    const size_t nameStart = slash == std::wstring_view::npos ? 0 : slash + 1;
    const size_t dot = source.rfind(L'.');
    std::wstring output(source);
    if (dot != std::wstring_view::npos && dot > nameStart) {
        output.resize(dot);
    }
    return output + ProfileExtension(profile);
}

bool ConvertTabRules::OffersReplace(const std::wstring& source, int profile) {
    if (source.empty() || profile == kProfileManual) {
        return false;
    }
    const std::wstring output = OutputPath(source, profile);
    if (output == source) {
        return false;
    }
    std::error_code error;
    return std::filesystem::is_regular_file(ToPath(output), error);
}

bool ConvertTabRules::ReplaceExisting(bool checked, const std::wstring& source, int profile) {
    return checked && OutputPath(source, profile) != source;
}

}  // namespace talvex::ui
