#include "ui/DownloadTabRules.h"

#include <algorithm>
#include <array>
#include <optional>

#include "engine/SiteAddresses.h"

namespace talvex::ui {

namespace {

// The short-link form of the video site's addresses.
constexpr std::wstring_view kVideoSiteShortDomain = L"youtu.be";
constexpr std::size_t kMinimumUrlLength = 13;

// The conversion quality list has a row for each quality, in their order.
static_assert(DownloadTabRules::kConvertQualityRows == kConversionQualityCount);

// Row -> code; the order is the list's order on screen, best first.
constexpr std::array<DownloadQuality, DownloadTabRules::kQualityRows> kQualityCodes = {
    DownloadQuality::kBest,  DownloadQuality::kHd1080,   DownloadQuality::kHd720,
    DownloadQuality::kHq480, DownloadQuality::kHq360Flv, DownloadQuality::kHq360Mp4,
    DownloadQuality::kNormal};

bool IsLineBreak(wchar_t c) {
    return c == L'\r' || c == L'\n';
}

}  // namespace

std::vector<std::wstring> DownloadTabRules::SplitUrls(std::wstring_view text) {
    std::vector<std::wstring> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        while (pos < text.size() && IsLineBreak(text[pos])) {
            ++pos;
        }
        const std::size_t start = pos;
        while (pos < text.size() && !IsLineBreak(text[pos])) {
            ++pos;
        }
        if (pos > start) {
            lines.emplace_back(text.substr(start, pos - start));
        }
    }
    return lines;
}

bool DownloadTabRules::IsAcceptedUrl(std::wstring_view line) {
    return line.size() >= kMinimumUrlLength &&
           (line.starts_with(L"http://") || line.starts_with(L"https://"));
}

std::wstring DownloadTabRules::MergeUrls(std::wstring_view boxText, std::wstring_view incoming) {
    std::vector<std::wstring> existing = SplitUrls(boxText);
    std::wstring merged(boxText);
    for (std::wstring& line : SplitUrls(incoming)) {
        if (!IsAcceptedUrl(line) ||
            std::find(existing.begin(), existing.end(), line) != existing.end()) {
            continue;
        }
        // Text typed without a final line break would otherwise run into the new address.
        if (!merged.empty() && !IsLineBreak(merged.back())) {
            merged += L"\r\n";
        }
        merged += line;
        merged += L"\r\n";
        existing.push_back(std::move(line));
    }
    return merged;
}

bool DownloadTabRules::QualityListEnabled(std::wstring_view text) {
    return text.find(kVideoSiteDomain) != std::wstring_view::npos ||
           text.find(kVideoSiteShortDomain) != std::wstring_view::npos;
}

DownloadQuality DownloadTabRules::QualityCodeForRow(int row) {
    if (row < 0 || row >= kQualityRows) {
        return kBestQuality;
    }
    return kQualityCodes[static_cast<std::size_t>(row)];
}

int DownloadTabRules::RowForQualityCode(uint32_t code) {
    const std::optional<DownloadQuality> quality = DownloadQualityFromNumber(code);
    // Row 0 is also the best quality's own row, so a stored 6 lands there either way.
    for (int row = 1; quality && row < kQualityRows; ++row) {
        if (kQualityCodes[static_cast<std::size_t>(row)] == *quality) {
            return row;
        }
    }
    return 0;
}

int DownloadTabRules::ConvertTypeRow(uint32_t stored) {
    return stored < static_cast<uint32_t>(kConvertTypeRows) ? static_cast<int>(stored) : 0;
}

int DownloadTabRules::ConvertQualityRow(uint32_t stored) {
    return stored < static_cast<uint32_t>(kConvertQualityRows) ? static_cast<int>(stored) : 0;
}

ConversionQuality DownloadTabRules::ConvertQualityForRow(int row) {
    return ConversionQualityFromNumber(row).value_or(ConversionQuality::kHigh);
}

uint32_t DownloadTabRules::SpeedLimitBytes(int kilobytesPerSecond) {
    return static_cast<uint32_t>(std::clamp(kilobytesPerSecond, 0, kMaxSpeedLimitKB)) * 1024u;
}

int DownloadTabRules::SpeedLimitKilobytes(uint32_t bytesPerSecond) {
    return static_cast<int>(bytesPerSecond / 1024u + (bytesPerSecond % 1024u != 0 ? 1u : 0u));
}

}  // namespace talvex::ui
