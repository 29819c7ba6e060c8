#pragma once
// Turning plain-text site script sources into the bytes of an enciphered script file, as
// "talvex-scripts pack" writes it and the tracing runner loads a source without packing it
// first.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace talvex::scripttools {

// The whole file; nothing when it is not a regular file or cannot be read.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path);

// A source as script file lines: byte order mark removed, every line (the last included) ended
// with CR LF, whatever line ends it had (LF, CR LF or a lone CR).
std::string NormalizeSource(std::string_view source);

// The enciphered script file holding the sources in the order given, each normalized, after the
// digest line and "SCRIPTVER =version;". Nothing when a source holds a zero byte (the digest
// would not cover what follows it) or the digest cannot be computed.
std::optional<std::string> PackSources(std::string_view version,
                                       const std::vector<std::string>& sources);

// Writes bytes to path through a temporary file in the same folder, so that a failed or
// interrupted run never leaves a partial file under the final name.
bool WriteFileReplacing(const std::filesystem::path& path, const std::string& bytes);

}  // namespace talvex::scripttools
