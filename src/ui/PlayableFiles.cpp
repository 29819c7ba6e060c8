#include "ui/PlayableFiles.h"

#include <algorithm>
#include <array>
#include <cwctype>
#include <filesystem>
#include <system_error>

#include "platform/Utf8.h"

namespace talvex::ui {

namespace fs = std::filesystem;

namespace {

constexpr std::array<std::wstring_view, 7> kPlayableExtensions = {
    L".flv", L".mp4", L".mov", L".f4v", L".3gp", L".3g2", L".mp3"};

// A download writes into a name holding ".tmp." until it is complete.
constexpr std::wstring_view kUnfinishedMark = L".tmp.";

bool EqualIgnoringCase(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
               return std::towlower(static_cast<wint_t>(x)) ==
                      std::towlower(static_cast<wint_t>(y));
           });
}

}  // namespace

bool HasPlayableExtension(std::wstring_view name) {
    const size_t dot = name.rfind(L'.');
    if (dot == std::wstring_view::npos) {
        return false;
    }
    const std::wstring_view extension = name.substr(dot);
    return std::any_of(
        kPlayableExtensions.begin(), kPlayableExtensions.end(),
        [&](std::wstring_view known) { return EqualIgnoringCase(extension, known); });
}

bool FileNameLess(std::wstring_view a, std::wstring_view b) {
    const bool folded = std::lexicographical_compare(
        a.begin(), a.end(), b.begin(), b.end(), [](wchar_t x, wchar_t y) {
            return std::towlower(static_cast<wint_t>(x)) < std::towlower(static_cast<wint_t>(y));
        });
    if (folded) {
        return true;
    }
    if (!EqualIgnoringCase(a, b)) {
        return false;
    }
    return a < b;
}

std::vector<std::wstring> ListPlayableFiles(const std::wstring& folder) {
    std::vector<std::wstring> names;
    if (folder.empty()) {
        return names;
    }
    std::error_code error;
    fs::directory_iterator it(fs::path(WideToUtf8(folder)), error);
    if (error) {
        return names;
    }
    for (; it != fs::directory_iterator(); it.increment(error)) {
        if (error) {
            break;
        }
        std::error_code typeError;
        if (!it->is_regular_file(typeError)) {
            continue;
        }
        const std::string bytes = it->path().filename().string();
        std::wstring name = Utf8ToWide(bytes);
        if (WideToUtf8(name) != bytes) {
            continue;
        }
        if (HasPlayableExtension(name) && name.find(kUnfinishedMark) == std::wstring::npos) {
            names.push_back(std::move(name));
        }
    }
    std::sort(names.begin(), names.end(),
              [](const std::wstring& a, const std::wstring& b) { return FileNameLess(a, b); });
    return names;
}

}  // namespace talvex::ui
