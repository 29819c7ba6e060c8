#pragma once
// File names of stored downloads. Paths are built from the program's wide text as UTF-8, never
// through the C++ locale (PathText.h), the way the download code names every path.
#include <filesystem>
#include <string>

#include "platform/PathText.h"

namespace talvex {

// "title.extension", or "title[n].extension" when n is not 0. The parts come from web pages and
// the user: a path separator or NUL becomes "_", a name that would be "." or ".." gets a "_"
// prefix, and a title longer than a file name may be (255 bytes) is shortened, so that
// the result is always one plain name inside the download folder.
std::string FinalFileName(const std::wstring& title, const std::wstring& extension, int n);

}  // namespace talvex
