#include "scripts/FileNameSanitizer.h"

#include <array>

#include "platform/TextHelpers.h"
#include "scripts/TextCodecs.h"

namespace talvex {

namespace {

bool IsForbiddenInFileName(wchar_t c) {
    if (c < 32 || c == 127) {
        return true;
    }
    switch (c) {
        case L'"':
        case L'<':
        case L'>':
        case L'|':
        case L'/':
        case L'\\':
        case L':':
        case L'*':
        case L'?':
            return true;
        default:
            return false;
    }
}

// Bytes of one wide character in UTF-8; values UTF-8 cannot hold are written as U+FFFD.
std::size_t Utf8Length(wchar_t c) {
    const auto cp = static_cast<char32_t>(c);
    if (cp < 0x80) {
        return 1;
    }
    if (cp < 0x800) {
        return 2;
    }
    if (cp < 0x10000 || cp > 0x10FFFF) {
        return 3;
    }
    return 4;
}

// Executable-looking endings are defused wherever they occur, not only at the end: the
// extension is appended later, and a name like "clip.exe.mp4" should not read as a program.
constexpr std::array<std::pair<std::wstring_view, std::wstring_view>, 4> kExecutableEndings = {{
    {L".bat", L"_bat"},
    {L".exe", L"_exe"},
    {L".com", L"_com"},
    {L".dll", L"_dll"},
}};

// Invisible direction overrides, as raw references or entities, can make a name display in a
// misleading order.
constexpr std::array<std::wstring_view, 9> kDirectionMarks = {
    L"&#x200e;", L"&#x200f;", L"&#x202a;", L"&#x202b;", L"&#x202c;",
    L"&#x202d;", L"&#x202e;", L"&lrm;",    L"&rlm;",
};

}  // namespace

void ReplaceIgnoringCase(std::wstring& text, std::wstring_view lowerPattern,
                         std::wstring_view replacement) {
    if (lowerPattern.empty()) {
        return;
    }
    std::wstring lower(text);
    for (wchar_t& c : lower) {
        c = LowerAscii(c);
    }
    size_t pos = lower.find(lowerPattern);
    while (pos != std::wstring::npos) {
        text.replace(pos, lowerPattern.size(), replacement);
        lower.replace(pos, lowerPattern.size(), replacement);
        pos = lower.find(lowerPattern, pos + replacement.size());
    }
}

std::wstring CutToUtf8Bytes(std::wstring_view text, std::size_t maxBytes) {
    std::size_t bytes = 0;
    std::size_t keep = 0;
    for (; keep < text.size(); ++keep) {
        const std::size_t next = bytes + Utf8Length(text[keep]);
        if (next > maxBytes) {
            break;
        }
        bytes = next;
    }
    return std::wstring(text.substr(0, keep));
}

std::wstring SanitizeFileName(std::wstring_view name) {
    std::wstring out(name);
    for (wchar_t& c : out) {
        if (IsForbiddenInFileName(c)) {
            c = L'_';
        }
    }
    for (const auto& [ending, replacement] : kExecutableEndings) {
        ReplaceIgnoringCase(out, ending, replacement);
    }
    for (std::wstring_view mark : kDirectionMarks) {
        ReplaceIgnoringCase(out, mark, L"_");
    }
    return CutToUtf8Bytes(out, kMaxTitleBytes);
}

std::wstring TitleToFileName(std::wstring_view title) {
    return SanitizeFileName(DecodeNumericReferences(DecodeNamedEntities(title)));
}

}  // namespace talvex
