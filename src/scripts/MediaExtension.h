#pragma once
// The file extension of a found media address, at the end of a script run: from the address's
// scheme, the server's content type, or the address itself.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace talvex {

// The longest extension kept, in UTF-8 bytes: the stored file's name reserves room for "." and
// this many bytes after the title.
inline constexpr std::size_t kMaxExtensionBytes = 15;

// "flv" for the schemes "rtmp" and "rtmpe" (any case) of an address "scheme://..."; nothing for
// any other scheme or none.
std::optional<std::wstring> ExtensionFromScheme(std::wstring_view url);

// The first of the known media texts found in a content type, tested case-sensitively in a
// fixed order ("mpeg" before "audio", so audio/mpeg gives "mpg"); nothing when none occurs.
std::optional<std::wstring> ExtensionFromContentType(std::wstring_view contentType);

// What follows the first "." of the address's last path piece (the address cut at its first
// "?"), made safe as part of a file name; empty when there is no "/" or no ".", and when the
// result is longer than kMaxExtensionBytes.
std::wstring ExtensionFromAddress(std::wstring_view url);

}  // namespace talvex
