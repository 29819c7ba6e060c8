#include "platform/PathText.h"

#include "platform/Utf8.h"

namespace talvex {

std::filesystem::path ToPath(std::wstring_view text) {
    return std::filesystem::path(WideToUtf8(text));
}

std::wstring FromPath(const std::filesystem::path& path) {
    return Utf8ToWide(path.native());
}

}  // namespace talvex
