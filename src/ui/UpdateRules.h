#pragma once
// The rules of the update check apart from fetching and showing: what a notice asks for, where
// downloads go, and when the automatic check is due.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "ui/UpdateNotice.h"

namespace talvex {
class SettingsStore;
}

namespace talvex::ui {

enum class UpdateStep {
    kNothingNewer,    // the program and the script file are current
    kOfferProgram,    // a newer program: offer its installer
    kUpdateScripts,   // the program is current, the script file is not: replace it
    kUnusableNotice,  // something newer is announced, but not in a form that may be used
};

// What the notice asks for, given the installed program and the loaded script file. A newer
// program wins (the script file is then not looked at). Its installer must come over https: a
// program that will be run is never taken over a connection anyone on the way can change. A
// newer script file needs a plain version (it becomes part of a file name) and an http(s)
// address; the file itself is verified before it is used.
UpdateStep DecideUpdate(const UpdateNotice& notice, std::wstring_view programVersion,
                        std::wstring_view scriptVersion);

// An absolute https:// address the HTTP client accepts.
bool IsHttpsAddress(std::wstring_view address);
// An absolute http:// or https:// address the HTTP client accepts.
bool IsWebAddress(std::wstring_view address);

// Where a new script file is downloaded: the current file's path with its extension replaced
// by "." and the version ("scripts0.qrs" and "2.16" give "scripts0.2.16").
std::filesystem::path ScriptDownloadTarget(const std::filesystem::path& currentScriptFile,
                                           std::wstring_view version);

// The installer's file name in the data folder: the address's last path segment, decoded and
// made safe as a file name (SanitizeFileName), without leading dots or blanks. A name the
// program uses itself in that folder gets "installer-" in front; an address without a usable
// name gives "talvex-installer".
std::wstring InstallerFileName(std::wstring_view address);

// The automatic check at start: due when now (seconds since 1970, low 32 bits) has reached
// "NextCheckAutoUpdate". When due, the next time (now plus a day) is stored first, so that a
// check that fails or hangs is not retried at every start.
inline constexpr uint32_t kAutomaticCheckInterval = 86400;
bool ClaimAutomaticCheck(const SettingsStore& settings, uint32_t now);

}  // namespace talvex::ui
