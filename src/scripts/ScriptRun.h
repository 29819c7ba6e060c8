#pragma once
// The state one top-level script run shares with every run nested in it (CALLSCRIPT, login
// scripts): the variable table, what the run may still spend and the jump labels already
// looked up.
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "scripts/ScriptLimits.h"
#include "scripts/ScriptStopwatch.h"
#include "scripts/ScriptVariables.h"
#include "scripts/SiteScript.h"

namespace talvex {

class IStatementObserver;

struct ScriptRun {
    // The default limits with another statement limit.
    explicit ScriptRun(uint64_t statementBudget)
        : ScriptRun(ScriptLimits{statementBudget, ScriptLimits().characters,
                                 ScriptLimits().busyTime, ScriptLimits().nesting}) {}
    explicit ScriptRun(const ScriptLimits& runLimits)
        : limits(runLimits),
          statementsLeft(runLimits.statements),
          charactersLeft(runLimits.characters) {}

    const ScriptLimits limits;
    ScriptVariables variables;
    // Statements and characters the run may still spend, over all nested runs. A script that
    // never ends would otherwise hold its worker (and, inside a login, the login lock) forever.
    uint64_t statementsLeft;
    uint64_t charactersLeft;
    // Set once a limit was reached or the run was stopped: every run still on the stack stops
    // at once, and the end-of-run steps are skipped.
    ScriptRunEnd ended = ScriptRunEnd::kNone;
    // Blocks running inside one another at the moment (the top-level block counts 1).
    int depth = 0;
    ScriptStopwatch clock;
    // Set from another thread to stop the run (null: nobody stops it).
    const std::atomic<bool>* stop = nullptr;
    // Line index of "MARK <label>:" per script and label (npos when absent), so a loop's GOTO
    // does not scan the script each time.
    std::unordered_map<const SiteScript*, std::unordered_map<std::wstring, size_t>> labels;
    // The scripts the run has entered, kept alive to its end so that the addresses keying
    // labels cannot be reused by another script after a reload of the table.
    std::vector<std::shared_ptr<const SiteScript>> scriptsEntered;
    // Told of every statement of the run and its nested runs; null: nobody watches.
    IStatementObserver* observer = nullptr;

    bool Ended() const { return ended != ScriptRunEnd::kNone; }
    // The first reason given stays.
    void End(ScriptRunEnd why) {
        if (ended == ScriptRunEnd::kNone) {
            ended = why;
        }
    }

    // Counts characters handled against the limit: false, with the run ended, when they do not
    // fit (nothing is counted then).
    bool Charge(uint64_t characters) {
        if (characters > charactersLeft) {
            charactersLeft = 0;
            End(ScriptRunEnd::kCharacters);
            return false;
        }
        charactersLeft -= characters;
        return true;
    }

    // Before each statement: false, with the run ended, once it was stopped or a limit other
    // than characters is reached; otherwise the statement is counted.
    bool StartStatement() {
        if (Ended()) {
            return false;
        }
        if (stop != nullptr && stop->load(std::memory_order_relaxed)) {
            End(ScriptRunEnd::kStopped);
        } else if (statementsLeft == 0) {
            End(ScriptRunEnd::kStatements);
        } else if (clock.Busy() > limits.busyTime) {
            End(ScriptRunEnd::kBusyTime);
        } else {
            --statementsLeft;
        }
        return !Ended();
    }

    // Keeps the script alive to the end of the run (once, however often it is entered).
    void Enter(std::shared_ptr<const SiteScript> script) {
        if (std::find(scriptsEntered.begin(), scriptsEntered.end(), script) ==
            scriptsEntered.end()) {
            scriptsEntered.push_back(std::move(script));
        }
    }
};

}  // namespace talvex
