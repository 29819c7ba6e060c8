#pragma once
// Header texts: parsing response header lines and status lines, building request header lines,
// and reading the few header values the client itself needs.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

// Header names are ASCII and compared lower-cased with LowerAscii.
#include "platform/TextHelpers.h"

namespace talvex {

// Response headers by lower-cased name; requests headers by name as given.
using HeaderMap = std::map<std::wstring, std::wstring>;

// "Name: value" (line end already removed) -> {"name", " value"}: the value is everything after
// the first colon, its leading blank kept. Nothing for a line without a colon.
std::optional<std::pair<std::wstring, std::wstring>> ParseResponseHeaderLine(std::string_view line);

// "HTTP/1.1 206 Partial Content" -> 206; nothing when the line is not a status line.
std::optional<long> ParseStatusLine(std::string_view line);

// The request header line as the transfer library takes it: "name: value", or "name;" for an
// empty value (the library would drop "name:" instead of sending it). Nothing when the name is
// empty or either part holds a line break or NUL (which would smuggle in further headers).
std::optional<std::string> BuildRequestHeaderLine(std::wstring_view name, std::wstring_view value);

// A decimal byte count with optional blanks around it; nothing when not a number or too large.
std::optional<uint64_t> ParseByteCount(std::wstring_view text);

// "bytes FIRST-LAST/TOTAL" (TOTAL may be "*"): the first and last byte positions.
struct ContentRange {
    uint64_t first = 0;
    uint64_t last = 0;
};
std::optional<ContentRange> ParseContentRange(std::wstring_view text);

// The Range header value for an inclusive byte range, 64-bit: "bytes=FROM-TO".
std::string RangeHeaderValue(uint64_t from, uint64_t to);

}  // namespace talvex
