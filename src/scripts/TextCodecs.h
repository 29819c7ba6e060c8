#pragma once
// Text codecs for what web pages hand out: percent-encoded addresses, HTML character entities
// and references, JavaScript-style escapes, hexadecimal bit strings, and the UTF-8 form of page
// bodies. Every function takes text and returns new text; none fails: input a codec cannot
// decode comes back unchanged (or, for URL decoding, with only "+" turned into a blank).
#include <cstdint>
#include <string>
#include <string_view>

namespace talvex {

// Passes the multi-pass decoders make over their text at most: one per entity, one per
// character code. Their cost is that many times the length of the text.
inline constexpr uint32_t kNamedEntityPasses = 4 + 96 + 1;
inline constexpr uint32_t kEscapePasses = 254 - 32 + 1;

// Percent-encodes the UTF-8 bytes of the text. Letters, digits and ! ' ( ) * - . / : _ ~ are
// copied; every other byte becomes "%" and two lower-case hexadecimal digits.
std::wstring UrlEncode(std::wstring_view text);

// Turns "+" into a blank and "%XX" (either case) into the byte XX, then reads the bytes as
// UTF-8. A "%" that is not followed by two hexadecimal digits makes the whole decoding fail: the
// result is then the text with only the "+" replaced.
std::wstring UrlDecode(std::wstring_view text);

// Replaces the named entities "&quot;", "&apos;", "&lt;", "&gt;", the HTML 4 Latin-1 set
// ("&nbsp;" .. "&yuml;") and "&amp;", case-sensitively. "&amp;" is decoded last, so a doubly
// escaped entity such as "&amp;lt;" is decoded once, to "&lt;".
std::wstring DecodeNamedEntities(std::wstring_view text);

// Replaces the decimal references "&#N;" and "&#0N;" for N from 32 to 511. Hexadecimal forms,
// more leading zeros and other codes stay as they are.
std::wstring DecodeNumericReferences(std::wstring_view text);

// Replaces "\xNN" (lower-case hexadecimal, 20 to fe) by that character.
std::wstring DecodeHexEscapes(std::wstring_view text);

// Replaces "u00NN" (lower-case hexadecimal, 20 to fe) by that character while the text still
// holds a backslashed "\u00". The backslash itself is kept in front of the decoded character.
std::wstring DecodeU00Escapes(std::wstring_view text);

// Each hexadecimal digit (either case) becomes four "0"/"1" characters, most significant
// first; other characters are dropped.
std::wstring HexToBits(std::wstring_view hex);
// Each complete group of four "0"/"1" characters becomes one lower-case hexadecimal digit; a
// group holding anything else, and a final incomplete group, produce nothing.
std::wstring BitsToHex(std::wstring_view bits);

// Page bodies and other received bytes: decoded as UTF-8 up to the first zero byte.
std::wstring Utf8BytesToWide(std::string_view bytes);
// Form data and other sent text: the UTF-8 bytes, without a terminating zero.
std::string WideToUtf8Bytes(std::wstring_view text);

}  // namespace talvex
