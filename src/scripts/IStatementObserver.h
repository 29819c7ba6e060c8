#pragma once
// Watching a run statement by statement: the script author's tracing runner shows each executed
// line and what it set. The calls come on the run's thread, for nested runs (CALLSCRIPT, login
// scripts) too, and must not throw. An observer only looks: it gets nothing it could change.
#include <cstddef>

#include "scripts/ScriptVariables.h"
#include "scripts/SiteScript.h"

namespace talvex {

class IStatementObserver {
public:
    virtual ~IStatementObserver() = default;

    // The statement at index of script is about to run (it has been counted against the budget).
    virtual void BeforeStatement(const SiteScript& script, size_t index,
                                 const ScriptVariables& variables) = 0;
    // It ran; next is the index of the statement that comes next in this script, or
    // script.Count() when the script ends there. A statement that runs other scripts (CALLSCRIPT,
    // REQUESTLOGIN) has their statements observed between the two calls. Not called for a
    // statement that threw.
    virtual void AfterStatement(const SiteScript& script, size_t index, size_t next,
                                const ScriptVariables& variables) = 0;
};

}  // namespace talvex
