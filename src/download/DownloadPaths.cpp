#include "download/DownloadPaths.h"

#include "platform/CollisionName.h"
#include "platform/Utf8.h"

namespace talvex {

namespace {

constexpr size_t kMaxNameBytes = 255;

std::wstring Plain(std::wstring text) {
    for (wchar_t& c : text) {
        if (c == L'/' || c == L'\0') {
            c = L'_';
        }
    }
    return text;
}

}  // namespace

std::string FinalFileName(const std::wstring& title, const std::wstring& extension, int n) {
    std::wstring head = Plain(title);
    std::string tail = WideToUtf8(NumberMark(n)) + "." + WideToUtf8(Plain(extension));
    if (tail.size() > kMaxNameBytes / 2) {
        // Cut before a whole character: a continuation byte never ends the name.
        size_t cut = kMaxNameBytes / 2;
        while (cut > 0 && (static_cast<unsigned char>(tail[cut]) & 0xC0) == 0x80) {
            --cut;
        }
        tail.resize(cut);
    }
    std::string name = WideToUtf8(head);
    // Shorten by whole code points until the name fits.
    while (!head.empty() && name.size() + tail.size() > kMaxNameBytes) {
        head.pop_back();
        name = WideToUtf8(head);
    }
    name += tail;
    if (name == "." || name == "..") {
        name = "_" + name;
    }
    return name;
}

}  // namespace talvex
