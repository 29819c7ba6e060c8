#pragma once
// The trace of "run --trace": one line per executed statement, with where it is and what it set
// (or, for IF and GOTO, where the run went on), so that an author sees the first statement at
// which a page no longer matches what the script looks for. Statements that run other blocks
// (CALLSCRIPT, REQUESTLOGIN) show their line before the called block's lines, indented below
// it, and a closing line after them.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "scripts/IStatementObserver.h"
#include "scripttools/ScriptLineMap.h"
#include "scripttools/StatementForm.h"
#include "scripttools/TraceValues.h"

namespace talvex::scripttools {

class StatementTracer : public IStatementObserver {
public:
    // Lines go to out as they happen.
    StatementTracer(const ScriptLineMap& lines, std::FILE* out) : lines_(lines), out_(out) {}

    void BeforeStatement(const SiteScript& script, size_t index,
                         const ScriptVariables& variables) override;
    void AfterStatement(const SiteScript& script, size_t index, size_t next,
                        const ScriptVariables& variables) override;

    // Statements started so far (what the statement budget counts).
    uint64_t StatementsRun() const { return statementsRun_; }
    // Prints the statements that started and never finished (one that threw; none otherwise).
    void Finish();

private:
    struct Open {
        const SiteScript* script = nullptr;
        size_t index = 0;
        StatementForm form;
        std::wstring before;   // the assigned variable's value before the statement
        bool existed = false;  // whether it had been set (or read) before
        bool printed = false;
    };

    // What the statement did, for the text after "->".
    std::string Effects(const Open& open, size_t next, const ScriptVariables& variables,
                        bool nestedRunning);
    // The line number of a statement of script ("[index]" when unknown).
    std::string LineOf(const SiteScript& script, size_t index) const;
    std::string ValueOf(const ScriptVariables& variables, const std::wstring& name) const;
    void Print(const Open& open, const std::string& effects, size_t depth);

    const ScriptLineMap& lines_;
    std::FILE* out_;
    TraceValues values_;
    std::vector<Open> open_;
    uint64_t statementsRun_ = 0;
};

}  // namespace talvex::scripttools
