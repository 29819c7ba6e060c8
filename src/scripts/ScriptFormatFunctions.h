#pragma once
// GETYOUTUBEQ: picking the media address that fits the user's quality choice from the site's
// list of formats.
#include <optional>
#include <string>
#include <string_view>

#include "scripts/DownloadQuality.h"

namespace talvex {

// formatList holds format codes and addresses alternating, separated by "|" or "," (empty
// pieces skipped). Returns the address of the first code of the quality's preference row that
// has one; otherwise the address of the first entry of the table (pairs in list order, then the
// codes the search asked for, with empty addresses). A list without any separator gives the
// empty text.
std::optional<std::wstring> ChooseFormatAddress(std::wstring_view formatList,
                                                DownloadQuality formatChoice);

}  // namespace talvex
