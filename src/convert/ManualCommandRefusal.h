#pragma once
// Why a manual conversion's command is not run. The command is an encoder command: its first
// word names the encoder, and anything else (another program, a shell) is refused before
// anything starts, with a message the front ends show.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace talvex {

class StringTable;

// The text of "msg.manual.not.encoder" when the command holds words and the first does not
// name the encoder (ManualCommandNamesEncoder); nothing when it does. A text that does not
// split into words is not refused here: it fails when its conversion runs. Without a string
// table, the built-in English text.
std::optional<std::wstring> ManualCommandRefusal(const StringTable* strings,
                                                 std::wstring_view params,
                                                 const std::filesystem::path& encoder);

}  // namespace talvex
