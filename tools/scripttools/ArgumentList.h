#pragma once
// Reading the argument list of a value function or statement against its signature, for the
// checker: "(A, B, C)" after the name.
#include <string>

#include "scripttools/FunctionSignatures.h"
#include "scripttools/StatementForm.h"

namespace talvex::scripttools {

// rest: what follows the name in the line. Adds the variables read and set to form, and a
// problem for each mistake; failure says what the interpreter then does ("fails and assigns
// nothing", "does nothing").
void ReadArgumentList(const Signature& signature, const std::wstring& rest,
                      const std::string& failure, StatementForm& form);

}  // namespace talvex::scripttools
