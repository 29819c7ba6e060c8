#include "convert/ManualCommandRefusal.h"

#include "app/StringTable.h"
#include "convert/ManualCommand.h"

namespace talvex {

std::optional<std::wstring> ManualCommandRefusal(const StringTable* strings,
                                                 std::wstring_view params,
                                                 const std::filesystem::path& encoder) {
    const auto words = SplitCommandWords(params);
    if (!words || (!words->empty() && ManualCommandNamesEncoder(params, encoder))) {
        return std::nullopt;
    }
    constexpr std::wstring_view kBuiltIn =
        L"The manual conversion command must start with ffmpeg (or the encoder's full path): "
        L"only the encoder is run, never another program. Please change the command.";
    if (strings == nullptr) {
        return std::wstring(kBuiltIn);
    }
    return strings->GetText(L"msg.manual.not.encoder", kBuiltIn);
}

}  // namespace talvex
