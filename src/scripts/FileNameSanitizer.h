#pragma once
// Turning a video title, or a name the user types, into text that is safe as a file name.
#include <cstddef>
#include <string>
#include <string_view>

namespace talvex {

// The longest file name, in bytes, that the usual Linux file systems accept.
inline constexpr std::size_t kMaxFileNameBytes = 255;
// Room a stored file's name needs after its title: the collision suffix "[19]" and "." with an
// extension of up to 15 bytes.
inline constexpr std::size_t kTitleSuffixReserveBytes = 4 + 1 + 15;
// The longest title, in UTF-8 bytes, that SanitizeFileName lets through.
inline constexpr std::size_t kMaxTitleBytes = kMaxFileNameBytes - kTitleSuffixReserveBytes;

// Makes a name safe to store:
// 1. control characters (below 32), delete (127) and " < > | / \ : * ? become "_";
// 2. ".bat", ".exe", ".com", ".dll" anywhere, in any case, become "_bat", "_exe", "_com", "_dll";
// 3. the direction marks "&#x200E;", "&#x200F;", "&#x202A;" .. "&#x202E;", "&LRM;", "&RLM;" in
//    any case become "_";
// 4. the result is cut at a character boundary to at most kMaxTitleBytes UTF-8 bytes, so that
//    the title, a "[n]" suffix and the extension still fit in one file name.
// Trailing dots and blanks are kept.
std::wstring SanitizeFileName(std::wstring_view name);

// A site script's title as a file name: named entities decoded, then numeric references, then
// SanitizeFileName.
std::wstring TitleToFileName(std::wstring_view title);

// The longest prefix of `text` whose UTF-8 form has at most `maxBytes` bytes (whole code
// points only).
std::wstring CutToUtf8Bytes(std::wstring_view text, std::size_t maxBytes);

// Replaces every match of `lowerPattern` (lower-case ASCII) found while ignoring the case of
// ASCII letters; text outside the matches keeps its case. Searching continues after each
// inserted replacement.
void ReplaceIgnoringCase(std::wstring& text, std::wstring_view lowerPattern,
                         std::wstring_view replacement);

}  // namespace talvex
