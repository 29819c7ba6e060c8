#pragma once
// The name a manual conversion goes by in the activity list. The user's command decides what
// the encoder writes, so there is no output file to take the name from; the item is named
// after its source instead, the same way in every front end.
#include <string>
#include <string_view>

namespace talvex {

class StringTable;

// The text of "grid.item.name.default" (built in: "Manual Conversion - %1") with every "%1"
// replaced by the source's file name without its folder.
std::wstring ManualConversionName(const StringTable& strings, std::wstring_view sourcePath);

}  // namespace talvex
