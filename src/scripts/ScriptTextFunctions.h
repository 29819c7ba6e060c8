#pragma once
// The text functions of the script language on plain values: cutting, searching, splitting and
// the page-title extractor. None touches the network; each is linear in the text length. An
// empty optional means the function fails and its target keeps its value.
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace talvex {

// SUBSTR: mode must begin with "FWD" (first start marker) or "REV" (last start marker). The text
// after the start marker up to the next end marker (an empty end marker, or one that does not
// occur, runs to the end). A start marker that does not occur gives the empty text.
std::optional<std::wstring> SubStr(std::wstring_view mode, std::wstring_view source,
                                   std::wstring_view startMarker, std::wstring_view endMarker);

// FINDSTR: position of search in source at or after start as decimal text, "-1" when there is
// none or start lies outside 0..size.
std::wstring FindStr(std::wstring_view source, std::wstring_view search, int32_t start);

// STRFROMARR: piece number index (from 1; 0 or below gives the first) of source cut at every
// character of delimiters, empty pieces skipped. Empty when there is no such piece.
std::wstring StrFromArr(std::wstring_view source, std::wstring_view delimiters, int32_t index);

// GETTITLE: the text between "<title>" and "</title>" (or the upper-case tags), trimmed, with
// every line feed removed.
std::wstring GetTitle(std::wstring_view page);

// DATEDIFF: seconds since 1970 as signed 32-bit decimal text (the low 32 bits of now).
std::wstring DateDiffText(std::time_t now);

// MEGAVIDEODECRYPT: the hexadecimal text turned into bits, shuffled and flipped by a sequence
// derived from the two keys, and turned back into lower-case hexadecimal. Fails when the text
// holds fewer than 32 hexadecimal digits, when the keys yield a negative bit position, or when
// the result is empty.
std::optional<std::wstring> MegaVideoDecrypt(std::wstring_view text, int32_t key1, int32_t key2);

// MD5: the digest of the text's UTF-8 bytes as 32 lower-case hexadecimal digits.
std::optional<std::wstring> Md5Text(std::wstring_view text);

// HEX: the text to decode from the expression "HEX("literal")" or "HEX(name)"; the literal
// itself, or the name of the variable whose value is decoded.
struct HexArgument {
    bool isLiteral = false;
    std::wstring text;
};
HexArgument ParseHexArgument(std::wstring expression);

}  // namespace talvex
