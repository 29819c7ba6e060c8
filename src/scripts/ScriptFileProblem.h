#pragma once
// Why a script file could not be used, in words a user or a script author can act on. The
// program tells which file and why in its debug log, and the command-line programs print it.
#include <filesystem>
#include <string>

namespace talvex {

enum class ScriptFileProblem {
    kNone,
    kNotFound,       // no file under that name
    kNotAFile,       // a folder or another non-regular file
    kTooLarge,       // larger than any script file (Encryption::kMaxFileSize)
    kUnreadable,     // it could not be opened or read
    kEmpty,          // no first line
    kBadDigest,      // the digest line does not match: damaged, or not enciphered as a script file
    kNoVersionLine,  // no second line beginning with "SCRIPTVER "
};

// The reason, as the end of a sentence: "it does not exist".
std::string ScriptFileProblemText(ScriptFileProblem problem);

// "the script file PATH cannot be used: REASON".
std::string DescribeUnusableScriptFile(const std::filesystem::path& path,
                                       ScriptFileProblem problem);

}  // namespace talvex
