#include "ui/UpdateRules.h"

#include <optional>

#include "app/SettingsStore.h"
#include "net/Address.h"
#include "platform/TextHelpers.h"
#include "platform/Utf8.h"
#include "scripts/FileNameSanitizer.h"
#include "ui/VersionCompare.h"

namespace talvex::ui {

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

std::string PercentDecoded(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            const int high = HexValue(text[i + 1]);
            const int low = HexValue(text[i + 2]);
            if (high >= 0 && low >= 0) {
                out += static_cast<char>(high * 16 + low);
                i += 2;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

// Names of the program's own files in the data folder: the numbered script files and their
// downloads ("scripts..."), the debug log ("Log.txt"), the HTTP client's work files ("~...").
bool IsOwnDataFileName(std::wstring_view name) {
    const std::wstring lower = LowerAscii(name);
    return lower.rfind(L"scripts", 0) == 0 || lower == L"log.txt" || lower.rfind(L"~", 0) == 0;
}

}  // namespace

bool IsWebAddress(std::wstring_view address) {
    return ParseAddress(address).has_value();
}

bool IsHttpsAddress(std::wstring_view address) {
    const std::optional<AddressParts> parts = ParseAddress(address);
    return parts && parts->scheme == "https";
}

UpdateStep DecideUpdate(const UpdateNotice& notice, std::wstring_view programVersion,
                        std::wstring_view scriptVersion) {
    if (IsNewerVersion(notice.version, programVersion)) {
        return IsHttpsAddress(notice.installerUrl) ? UpdateStep::kOfferProgram
                                                   : UpdateStep::kUnusableNotice;
    }
    if (IsNewerVersion(notice.scriptVersion, scriptVersion)) {
        return IsPlainVersion(notice.scriptVersion) && IsWebAddress(notice.scriptUrl)
                   ? UpdateStep::kUpdateScripts
                   : UpdateStep::kUnusableNotice;
    }
    return UpdateStep::kNothingNewer;
}

std::filesystem::path ScriptDownloadTarget(const std::filesystem::path& currentScriptFile,
                                           std::wstring_view version) {
    std::filesystem::path target = currentScriptFile;
    target.replace_extension("." + WideToUtf8(version));
    return target;
}

std::wstring InstallerFileName(std::wstring_view address) {
    static const std::wstring kFallback = L"talvex-installer";
    const std::optional<AddressParts> parts = ParseAddress(address);
    if (!parts) {
        return kFallback;
    }
    const std::string& path = parts->path;
    const size_t slash = path.rfind('/');
    const std::string segment = slash == std::string::npos ? path : path.substr(slash + 1);
    std::wstring name = SanitizeFileName(Utf8ToWide(PercentDecoded(segment)));
    const size_t first = name.find_first_not_of(L". ");
    name = first == std::wstring::npos ? std::wstring() : name.substr(first);
    while (!name.empty() && (name.back() == L' ' || name.back() == L'.')) {
        name.pop_back();
    }
    if (name.empty()) {
        return kFallback;
    }
    if (IsOwnDataFileName(name)) {
        return CutToUtf8Bytes(L"installer-" + name, kMaxFileNameBytes);
    }
    return name;
}

bool ClaimAutomaticCheck(const SettingsStore& settings, uint32_t now) {
    if (now < settings.GetNumber(setting::kNextCheckAutoUpdate)) {
        return false;
    }
    settings.SetNumber(setting::kNextCheckAutoUpdate, now + kAutomaticCheckInterval);
    return true;
}

}  // namespace talvex::ui
