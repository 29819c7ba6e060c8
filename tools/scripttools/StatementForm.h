#pragma once
// One statement line read the way the interpreter reads it: which statement it is, the variables
// it reads and sets, and the mistakes in its form that the interpreter passes over in silence
// (a wrong argument count, a missing ";", an unknown name).
#include <optional>
#include <string>
#include <vector>

namespace talvex::scripttools {

enum class StatementKind {
    kComment,
    kAssignment,
    kMediaAddress,  // VIDURL=NAME;
    kTitle,         // VIDNAME=NAME;
    kIf,
    kEndIf,
    kGoto,
    kMark,
    kSetCookie,
    kRequestLogin,
    kCallScript,
    kRtmpPlayPath,
    kRtmpSwfUrl,
    kRtmpPageUrl,
    kUnknown,
};

struct StatementForm {
    StatementKind kind = StatementKind::kUnknown;
    // Assignment: the function it calls (empty for a text in quotes or for nothing at all).
    std::wstring function;
    bool literal = false;  // assignment of a text in double quotes
    // Variables whose values the statement uses, and those it sets, in argument order.
    std::vector<std::wstring> reads;
    std::vector<std::wstring> writes;
    // IF: the operands, when the condition can be read at all.
    bool conditionReadable = false;
    std::wstring left;
    std::wstring right;
    // GOTO: the label it looks for; MARK: the label it carries (empty when malformed).
    std::wstring label;
    // CALLSCRIPT: the key between the quotes (empty: chosen by the address); none when the key
    // is not written in quotes.
    std::optional<std::wstring> key;
    // Mistakes in the form of this line alone, each saying what the interpreter does instead.
    std::vector<std::string> problems;
};

// line: trimmed, not empty.
StatementForm ReadStatement(const std::wstring& line);

// The label a MARK line carries (text between "MARK " and the first ":"), as GOTO looks for it.
std::optional<std::wstring> MarkLabel(const std::wstring& line);

}  // namespace talvex::scripttools
