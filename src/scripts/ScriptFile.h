#pragma once
// The script file's text: a first line holding the MD5 digest (32 lower-case hexadecimal digits)
// of everything after the first CR LF, a second line "SCRIPTVER =<version>;", then the site
// blocks. The whole text is enciphered (Encryption).
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace talvex {

// True when the file deciphers to a text whose first line equals the digest of the rest.
// A byte order mark belongs to the first line and is not covered. A file with anything but zero
// bytes after its first zero byte fails: the digest would not cover those bytes, yet the loader
// would read them.
bool VerifyScriptFile(const std::filesystem::path& path);

// The same test on a deciphered text and its first line.
bool DigestMatches(std::string_view text, std::string_view storedDigest);

// The plain text of a script file: digest line, version line and body (which must end in CR LF
// and hold no zero byte). Nothing when the digest cannot be computed.
std::optional<std::string> ComposeScriptText(std::string_view version, std::string_view body);

}  // namespace talvex
