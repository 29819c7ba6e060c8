#pragma once
// Text conversion between the program's wide text (one wchar_t per code point) and UTF-8, the
// byte encoding of every file, pipe message, URL and process output on this platform.
#include <string>
#include <string_view>

namespace talvex {

// Invalid sequences become U+FFFD; the conversion never fails.
std::wstring Utf8ToWide(std::string_view utf8);
// Code points that cannot be encoded (surrogates, values above U+10FFFF) become U+FFFD.
std::string WideToUtf8(std::wstring_view wide);

}  // namespace talvex
