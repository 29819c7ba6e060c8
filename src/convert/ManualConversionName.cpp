#include "convert/ManualConversionName.h"

#include "app/StringTable.h"

namespace talvex {

std::wstring ManualConversionName(const StringTable& strings, std::wstring_view sourcePath) {
    const size_t slash = sourcePath.rfind(L'/');
    const std::wstring_view fileName =
        slash == std::wstring_view::npos ? sourcePath : sourcePath.substr(slash + 1);
    std::wstring name = strings.GetText(L"grid.item.name.default", L"Manual Conversion - %1");
    // Past each inserted name, so a "%1" inside the file name stays as it is.
    for (size_t at = name.find(L"%1"); at != std::wstring::npos;
         at = name.find(L"%1", at + fileName.size())) {
        name.replace(at, 2, fileName);
    }
    return name;
}

}  // namespace talvex
