#pragma once
// One evaluation of a value function inside an assignment ("VAR name = FUNC(args);").
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "scripts/IScriptTarget.h"
#include "scripts/ScriptRun.h"
#include "scripts/ScriptVariables.h"

namespace talvex {

struct ScriptCall {
    // The expression after "=", beginning with the function's name.
    const std::wstring& expression;
    ScriptVariables& variables;
    IScriptTarget& target;
    // The run the call belongs to: what it may still spend, its stop flag and its clock.
    ScriptRun& run;
    // How often the function must go over the whole of the values it reads: the run is charged
    // that many times their length before it runs (a decoder that makes one pass per character
    // code costs that many times the length of its text). 0: reading is not charged.
    uint32_t passes = 0;

    // The values of the variables named by the count arguments, charged to the run; nothing
    // when an argument is empty or the run cannot afford to read them (the function then
    // fails). The views stay valid until a variable is assigned.
    std::optional<std::vector<std::wstring_view>> ArgumentValues(size_t count) const;
    // Charges the run for reading values of this many characters; false when it cannot afford
    // them (the run has then ended, and the function fails).
    bool ChargeReading(uint64_t characters) const { return run.Charge(characters * passes); }
};

// A value to assign, or nothing when the function fails (its target keeps its value).
using ScriptFunction = std::optional<std::wstring> (*)(const ScriptCall&);

struct ScriptFunctionEntry {
    std::wstring_view name;
    ScriptFunction call;
    uint32_t passes = 0;  // see ScriptCall::passes
};

// The function whose name the expression begins with, tested in the language's fixed order
// (GETHTML2 before GETHTML); null when the expression names none.
const ScriptFunctionEntry* FindScriptFunction(std::wstring_view expression);

}  // namespace talvex
