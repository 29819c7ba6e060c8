#include "scripts/ScriptFileProblem.h"

namespace talvex {

std::string ScriptFileProblemText(ScriptFileProblem problem) {
    switch (problem) {
        case ScriptFileProblem::kNone:
            return "it can be used";
        case ScriptFileProblem::kNotFound:
            return "it does not exist";
        case ScriptFileProblem::kNotAFile:
            return "it is not a regular file";
        case ScriptFileProblem::kTooLarge:
            return "it is too large to be a script file";
        case ScriptFileProblem::kUnreadable:
            return "it cannot be read";
        case ScriptFileProblem::kEmpty:
            return "it is empty";
        case ScriptFileProblem::kBadDigest:
            return "its check sum does not match (the file is damaged, or it cannot be "
                   "deciphered as a script file)";
        case ScriptFileProblem::kNoVersionLine:
            return "it has no version line (SCRIPTVER) after its check sum";
    }
    return "it cannot be used";
}

std::string DescribeUnusableScriptFile(const std::filesystem::path& path,
                                       ScriptFileProblem problem) {
    return "the script file " + path.string() +
           " cannot be used: " + ScriptFileProblemText(problem);
}

}  // namespace talvex
