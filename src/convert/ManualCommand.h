#pragma once
// The manual profile: the user's own encoder command, such as
// "ffmpeg -i %1 -s 420x240 -r 14 -b 50k -ar 22050 -ab 56k -ac 1 %2.mp4".
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "convert/EncoderCommand.h"

namespace talvex {

// The command text the manual dialog starts with.
inline constexpr wchar_t kDefaultManualParams[] =
    L"ffmpeg -i %1 -s 420x240 -r 14 -b 50k -ar 22050 -ab 56k -ac 1 %2.mp4";
// The cell-phone sample the dialog shows.
inline constexpr wchar_t kCellPhoneManualSample[] =
    L"ffmpeg -i %1 -s 176x144 -r 12 -b 30k -ar 8000 -ab 12.2k -ac 1 %2.3gp";

// Splits text into words the way a POSIX shell does, without any expansion: blanks (space,
// tab, line break) separate words; single quotes keep everything up to the next single quote;
// double quotes keep everything but a backslash before one of \ " $ ` (which is dropped);
// outside quotes a backslash keeps the next character. "$", backticks, ";", "|", "*", "~" are
// ordinary characters. Nothing when a quote is left open or a backslash ends the text.
std::optional<std::vector<std::wstring>> SplitCommandWords(std::wstring_view text);

// Whether the command's first word names the encoder: the word "ffmpeg", or a path to the
// encoder itself (its own path, or another absolute name of the same file). False when the
// text holds no word or does not split.
bool ManualCommandNamesEncoder(std::wstring_view params, const std::filesystem::path& encoder);

// The manual command for sourcePath. It runs the encoder and nothing else: the first word
// must name it (ManualCommandNamesEncoder) and is replaced by encoder's path. In the text and
// in each word, " -i " becomes " -y -i " (overwrite without asking), and "%1" and "%2" become
// sourcePath (so "%2.mp4" names "<source>.mp4" beside the source). Nothing when the first word
// names another program, or the text holds no word or does not split.
std::optional<CommandLine> BuildManualCommand(std::wstring_view params,
                                              const std::wstring& sourcePath,
                                              const std::filesystem::path& encoder);

}  // namespace talvex
