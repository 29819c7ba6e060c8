#include "download/DownloadPaths.h"

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

std::filesystem::path ToPath(const std::wstring& text) {
    return std::filesystem::path(WideToUtf8(text));
}

std::wstring FromPath(const std::filesystem::path& path) {
    return Utf8ToWide(path.native());
}

std::string FinalFileName(const std::wstring& title, const std::wstring& extension, int n) {
    std::wstring head = Plain(title);
    std::string tail;
    if (n != 0) {
        tail = "[" + std::to_string(n) + "]";
    }
    tail += "." + WideToUtf8(Plain(extension));
    if (tail.size() > kMaxNameBytes / 2) {
        tail = tail.substr(0, kMaxNameBytes / 2);
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
