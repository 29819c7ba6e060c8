#pragma once
// The state one top-level script run shares with every run nested in it (CALLSCRIPT, login
// scripts): the variable table, the statement budget and the jump labels already looked up.
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "scripts/ScriptVariables.h"
#include "scripts/SiteScript.h"

namespace talvex {

class IStatementObserver;

struct ScriptRun {
    explicit ScriptRun(uint64_t statementBudget) : statementsLeft(statementBudget) {}

    ScriptVariables variables;
    // Statements the run may still execute, over all nested runs. A script that never ends
    // would otherwise hold its worker (and, inside a login, the login lock) forever.
    uint64_t statementsLeft;
    // Set once the budget ran out: every run still on the stack stops at once.
    bool budgetExceeded = false;
    // Line index of "MARK <label>:" per script and label (npos when absent), so a loop's GOTO
    // does not scan the script each time.
    std::unordered_map<const SiteScript*, std::unordered_map<std::wstring, size_t>> labels;
    // The scripts the run has entered, kept alive to its end so that the addresses keying
    // labels cannot be reused by another script after a reload of the table.
    std::vector<std::shared_ptr<const SiteScript>> scriptsEntered;
    // Told of every statement of the run and its nested runs; null: nobody watches.
    IStatementObserver* observer = nullptr;
};

}  // namespace talvex
