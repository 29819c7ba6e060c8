#pragma once
// The input's length as the encoder prints it: "Duration: HH:MM:SS.cc, ..." (hours may run to
// more than two digits). Read by the progress monitor and by the cut check from the same
// function, so that both agree on every length.
#include <cstdint>
#include <optional>
#include <string_view>

namespace talvex {

// The first "Duration: " in text, in hundredths of a second; nothing when there is none, or it
// is "N/A", or it is not hours, minutes and seconds with a fraction followed by a comma.
std::optional<int64_t> ParseEncoderDuration(std::wstring_view text);

}  // namespace talvex
