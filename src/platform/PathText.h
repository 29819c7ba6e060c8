#pragma once
// Paths made from the program's wide text and back. Both go through UTF-8, never through the
// C++ locale (which is "C" unless someone changes it, and would refuse non-ASCII names).
#include <filesystem>
#include <string>
#include <string_view>

namespace talvex {

std::filesystem::path ToPath(std::wstring_view text);
std::wstring FromPath(const std::filesystem::path& path);

}  // namespace talvex
