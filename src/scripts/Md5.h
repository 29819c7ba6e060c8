#pragma once
// MD5 digests as the script file's first line and the MD5 script function write them.
#include <optional>
#include <string>
#include <string_view>

namespace talvex {

// The MD5 digest of bytes as 32 lower-case hexadecimal digits. Nothing when the digest cannot be
// computed (the crypto library could not allocate its context).
std::optional<std::string> Md5Hex(std::string_view bytes);

}  // namespace talvex
