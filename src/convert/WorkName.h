#pragma once
// The encoder's work file beside a conversion's output: "~qrvXXXX.tmp<ext>", XXXX four
// upper-case hex digits. A conversion holds its name by keeping the empty file "~qrvXXXX.tmp"
// on disk from the moment it is named until its work file has been moved into place or
// deleted. Names are taken by creating that file exclusively, so no two conversions (of this
// program or of another one running beside it) are ever given the same work file; the work
// file itself is created exclusively as well, so a stray file under its name is never written
// over.
#include <filesystem>
#include <functional>
#include <optional>

namespace talvex {

// The number the search for a free name starts at (only its low 16 bits count); the search
// walks on from there. Tests use it to make conversions collide.
using WorkNameStart = std::function<unsigned()>;

// Creates the reservation "<folder>/~qrvXXXX.tmp" exclusively and gives its path; the work file
// is that path followed by the output's extension. A random start when start is empty.
// Nothing when the folder cannot take a file or every name is held.
std::optional<std::filesystem::path> ReserveWorkName(const std::filesystem::path& folder,
                                                     const WorkNameStart& start);

// Creates the empty work file exclusively; false when something holds the name already or the
// file cannot be made.
bool CreateWorkFile(const std::filesystem::path& path);

}  // namespace talvex
