#pragma once
// Where the program keeps things, following the XDG base directory rules.
#include <filesystem>

namespace talvex {

// $HOME, else the password database's home folder, else "/".
std::filesystem::path HomeFolder();
// $XDG_CONFIG_HOME (absolute) or ~/.config, followed by "Orlenta": holds "Talvex.json".
std::filesystem::path ConfigFolder();
// $XDG_DATA_HOME (absolute) or ~/.local/share, followed by "Talvex": the numbered script
// files, "Log.txt", the downloaded installer. Not created here.
std::filesystem::path DataFolder();
// The XDG documents folder (XDG_DOCUMENTS_DIR in ~/.config/user-dirs.dirs, "$HOME"
// expanded) when it names an existing folder; otherwise empty, and the caller falls back.
std::filesystem::path DocumentsFolder();
// Language files, the seed script file, the encoder if bundled. $TALVEX_RESOURCE_DIR when set;
// <prefix>/share/talvex for an installed program (executable in <prefix>/bin); otherwise the
// executable's own folder (the build tree).
std::filesystem::path ResourceFolder();
// Private per-user folder for the instance lock and socket: $XDG_RUNTIME_DIR, else
// /tmp/talvex-<uid>. The fallback is created with mode 0700 and must be owned by this user with
// no access for others; when that cannot be ensured the result is empty.
std::filesystem::path RuntimeFolder();
// The running executable's path (from /proc/self/exe).
std::filesystem::path ExecutablePath();

}  // namespace talvex
