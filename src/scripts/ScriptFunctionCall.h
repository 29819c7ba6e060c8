#pragma once
// One evaluation of a value function inside an assignment ("VAR name = FUNC(args);").
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "scripts/IScriptTarget.h"
#include "scripts/ScriptVariables.h"

namespace talvex {

struct ScriptCall {
    // The expression after "=", beginning with the function's name.
    const std::wstring& expression;
    ScriptVariables& variables;
    IScriptTarget& target;

    // The values of the variables named by the count arguments; nothing when an argument is
    // empty (the function then fails). The views stay valid until a variable is assigned.
    std::optional<std::vector<std::wstring_view>> ArgumentValues(size_t count) const;
};

// A value to assign, or nothing when the function fails (its target keeps its value).
using ScriptFunction = std::optional<std::wstring> (*)(const ScriptCall&);

struct ScriptFunctionEntry {
    std::wstring_view name;
    ScriptFunction call;
};

// The function whose name the expression begins with, tested in the language's fixed order
// (GETHTML2 before GETHTML); null when the expression names none.
const ScriptFunctionEntry* FindScriptFunction(std::wstring_view expression);

}  // namespace talvex
