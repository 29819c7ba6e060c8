#include "scripts/MediaExtension.h"

#include <array>
#include <utility>

#include "platform/Utf8.h"
#include "scripts/FileNameSanitizer.h"

namespace talvex {

static_assert(kMaxExtensionBytes + 1 <= kTitleSuffixReserveBytes,
              "a stored file name must have room for the dot and the extension");

std::optional<std::wstring> ExtensionFromScheme(std::wstring_view url) {
    const size_t separator = url.find(L"://", 1);
    if (separator == std::wstring_view::npos) {
        return std::nullopt;
    }
    std::wstring scheme(url.substr(0, separator));
    for (wchar_t& c : scheme) {
        if (c >= L'A' && c <= L'Z') {
            c = static_cast<wchar_t>(c - L'A' + L'a');
        }
    }
    if (scheme == L"rtmp" || scheme == L"rtmpe") {
        return std::wstring(L"flv");
    }
    return std::nullopt;
}

std::optional<std::wstring> ExtensionFromContentType(std::wstring_view contentType) {
    static constexpr std::array<std::pair<std::wstring_view, std::wstring_view>, 11> kTypes = {{
        {L"flv", L"flv"},
        {L"mp4", L"mp4"},
        {L"m4v", L"mp4"},
        {L"mpeg", L"mpg"},
        {L"quicktime", L"mov"},
        {L"mov", L"mov"},
        {L"asf", L"asf"},
        {L"msvideo", L"avi"},
        {L"audio", L"mp3"},
        {L"mp3", L"mp3"},
        {L"wmv", L"wmv"},
    }};
    for (const auto& [text, extension] : kTypes) {
        if (contentType.find(text) != std::wstring_view::npos) {
            return std::wstring(extension);
        }
    }
    return std::nullopt;
}

std::wstring ExtensionFromAddress(std::wstring_view url) {
    url = url.substr(0, url.find(L'?'));
    const size_t slash = url.rfind(L'/');
    if (slash == std::wstring_view::npos) {
        return std::wstring();
    }
    const std::wstring_view piece = url.substr(slash + 1);
    const size_t dot = piece.find(L'.');
    if (dot == std::wstring_view::npos) {
        return std::wstring();
    }
    // The extension becomes part of a file name: it gets the title's treatment, and one too long
    // to be an extension is dropped rather than cut into something misleading.
    const std::wstring_view raw = piece.substr(dot + 1);
    // Sanitising shrinks a text at most eightfold (an 8-character mark becomes "_"), so a longer
    // text cannot come out short enough; skip the work for huge addresses.
    if (raw.size() > 8 * kMaxExtensionBytes) {
        return std::wstring();
    }
    std::wstring extension = SanitizeFileName(raw);
    if (WideToUtf8(extension).size() > kMaxExtensionBytes) {
        return std::wstring();
    }
    return extension;
}

}  // namespace talvex
