#pragma once
// Version texts of the program and of the script file: up to four decimal numbers separated by
// "." ("3.5", "3.5.0.1", "2.16"). Each part counts by its leading digits ("5beta" is 5); a
// missing or empty part is 0, so "3.5" equals "3.5.0" and an empty text is the oldest version.
// Parts compare as numbers: "3.10" is newer than "3.5".
#include <array>
#include <cstdint>
#include <string_view>

namespace talvex::ui {

using VersionParts = std::array<uint32_t, 4>;

// The four parts; a part too large for 32 bits counts as the largest value.
VersionParts ParseVersion(std::wstring_view text);

// Negative, zero or positive as a is older than, the same as or newer than b; the first
// differing part decides.
int CompareVersions(std::wstring_view a, std::wstring_view b);

// Whether candidate is newer than installed.
bool IsNewerVersion(std::wstring_view candidate, std::wstring_view installed);

// Whether text is written plainly: one to four groups of digits joined by single dots, nothing
// else. A version that becomes part of a file name must be one.
bool IsPlainVersion(std::wstring_view text);

}  // namespace talvex::ui
