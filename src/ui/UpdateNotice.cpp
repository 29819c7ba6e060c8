#include "ui/UpdateNotice.h"

#include <string>

#include "platform/Utf8.h"

namespace talvex::ui {

namespace {

wchar_t FoldAscii(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

size_t FindIgnoringCase(std::wstring_view text, std::wstring_view pattern, size_t from) {
    if (pattern.empty() || pattern.size() > text.size()) {
        return std::wstring_view::npos;
    }
    for (size_t at = from; at + pattern.size() <= text.size(); ++at) {
        size_t i = 0;
        while (i < pattern.size() && FoldAscii(text[at + i]) == FoldAscii(pattern[i])) {
            ++i;
        }
        if (i == pattern.size()) {
            return at;
        }
    }
    return std::wstring_view::npos;
}

std::wstring Trimmed(std::wstring text) {
    const wchar_t* blanks = L" \t\r\n";
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::wstring::npos) {
        return {};
    }
    const size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

bool IsUnreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

std::wstring QueryValue(std::wstring_view value) {
    static const char kHex[] = "0123456789ABCDEF";
    std::wstring out;
    for (unsigned char c : WideToUtf8(value)) {
        if (IsUnreserved(c)) {
            out += static_cast<wchar_t>(c);
        } else {
            out += L'%';
            out += static_cast<wchar_t>(kHex[c >> 4]);
            out += static_cast<wchar_t>(kHex[c & 15]);
        }
    }
    return out;
}

}  // namespace

std::wstring NotifierValue(std::wstring_view page, std::wstring_view startMarker) {
    const size_t start = FindIgnoringCase(page, startMarker, 0);
    if (start == std::wstring_view::npos) {
        return {};
    }
    const size_t from = start + startMarker.size();
    const size_t end = page.find(L"' -->", from);
    if (end == std::wstring_view::npos) {
        return {};
    }
    return std::wstring(page.substr(from, end - from));
}

UpdateNotice ParseUpdateNotice(std::wstring_view page) {
    UpdateNotice notice;
    notice.version = Trimmed(NotifierValue(page, L"<!-- Ver='"));
    notice.installerUrl = Trimmed(NotifierValue(page, L"<!-- URL='"));
    notice.whatsNew = NotifierValue(page, L"<!-- WHATSNEW='");
    notice.scriptVersion = Trimmed(NotifierValue(page, L"<!-- ScriptVer='"));
    notice.scriptUrl = Trimmed(NotifierValue(page, L"<!-- ScriptURL='"));
    return notice;
}

std::wstring NotifierQuery(std::wstring_view language, std::wstring_view installationId,
                           std::wstring_view programVersion) {
    return L"?lngid=" + QueryValue(language) + L"&lt=0&isn=" + QueryValue(installationId) +
           L"&pv=1&av=" + QueryValue(programVersion);
}

}  // namespace talvex::ui
