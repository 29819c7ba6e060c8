#pragma once
// The site script interpreter. It owns the script table and the login service, and runs a
// site's script for one target (a download item, or the engine's record when it expands a
// playlist): the script fetches the page, cuts out the media address and title, and hands them
// to the target. Any number of runs may go on at once on different threads; each has its own
// variable table, and they share only the script table, the login service and the string table.
//
// Statements are lines tested by prefix, in this order: "//" comment, "VAR " assignment,
// "VIDURL", "VIDNAME", "IF ", "ENDIF;", "GOTO ", "MARK ", "SETCOOKIE", "REQUESTLOGIN",
// "CALLSCRIPT", "RTMP_PLAYPATH", "RTMP_SWFURL", "RTMP_PAGEURL"; anything else is ignored.
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "scripts/IScriptTarget.h"
#include "scripts/IStatementObserver.h"
#include "scripts/LoginService.h"
#include "scripts/ScriptLimits.h"
#include "scripts/ScriptRun.h"
#include "scripts/ScriptTable.h"

namespace talvex {

class StringTable;

class SiteParser {
public:
    // Statements one top-level run may execute, nested runs included.
    static constexpr uint64_t kDefaultStatementBudget = ScriptLimits().statements;
    // The error texts of runs ended by a limit (keys and built-in English texts): the
    // statements or the time ran out; too many characters; too many blocks inside one another.
    static constexpr std::wstring_view kBudgetErrorKey = L"msg.err.script.too.long";
    static constexpr std::wstring_view kBudgetErrorText =
        L"The site script did not finish in time and was stopped.";
    static constexpr std::wstring_view kCharactersErrorKey = L"msg.err.script.too.much.text";
    static constexpr std::wstring_view kCharactersErrorText =
        L"The site script handled more text than a site script may and was stopped.";
    static constexpr std::wstring_view kNestingErrorKey = L"msg.err.script.too.deep";
    static constexpr std::wstring_view kNestingErrorText =
        L"The site script called other site scripts too many levels deep and was stopped.";
    // The end of a run reads no more of VIDNAME than this. The title it makes is cut to 235
    // bytes, and each of its characters comes from at most a few dozen characters of VIDNAME
    // (an entity, a reference, a direction mark), so the cut changes no title; it keeps the
    // file-name rules from spending minutes on a huge one.
    static constexpr size_t kTitleReadLimit = 65'536;

    // strings: the localized texts for error messages; may be null (built-in texts only). Not
    // owned; must outlive the parser.
    explicit SiteParser(const StringTable* strings = nullptr);
    SiteParser(const SiteParser&) = delete;
    SiteParser& operator=(const SiteParser&) = delete;

    // The script table.
    ScriptTable& Scripts() { return scripts_; }
    const ScriptTable& Scripts() const { return scripts_; }
    bool LoadScripts(bool checkIntegrity) { return scripts_.LoadScripts(checkIntegrity); }
    void ClearScripts() { scripts_.ClearScripts(); }
    std::wstring FindSiteKey(std::wstring_view address) const {
        return scripts_.FindSiteKey(address);
    }
    // Shared ownership: a reload of the table never frees a script a run still executes.
    std::shared_ptr<const SiteScript> GetScript(std::wstring_view text) const {
        return scripts_.GetScript(text);
    }
    std::wstring ScriptVersion() const { return scripts_.ScriptVersion(); }
    // The text for key in the user's language, builtIn when there is none (the error texts of
    // runs, shared with the items that run the scripts).
    std::wstring Localize(const std::wstring& key, const std::wstring& builtIn) const;

    // The user interface's login prompt (not owned; null: every login request is declined).
    void SetLoginPrompt(ILoginPrompt* prompt) { login_.SetPrompt(prompt); }
    LoginService& Login() { return login_; }
    // What the runs that start after these calls may spend (ScriptLimits: the defaults).
    void SetStatementBudget(uint64_t statements) { statementBudget_.store(statements); }
    void SetLimits(const ScriptLimits& limits);
    ScriptLimits Limits() const;
    // Told of every statement of the runs that start after this call (not owned; null: none).
    // Meant for a parser that runs one script at a time: the tracing runner of script authors.
    void SetStatementObserver(IStatementObserver* observer) { observer_.store(observer); }

    // Runs the script for the target's page address. True when a media address was found and
    // the script set no error; otherwise false, with the target's error text set (none when the
    // address has no script, or when the target's stop flag ended the run). Never throws.
    bool Execute1(IScriptTarget& target);
    // Runs one script with the run's variables; nested for CALLSCRIPT and login scripts. A run
    // that would put more blocks inside one another than the run's nesting limit ends there.
    bool Execute2(const SiteScript& script, IScriptTarget& target, ScriptRun& run, bool nested);
    // One assignment: statement is the text after "VAR ", "name = expression;".
    void ExecuteStatement(ScriptRun& run, const std::wstring& statement, IScriptTarget& target);
    // CALLSCRIPT("key", variable): runs the script for the key (or, with an empty key, for the
    // variable's address) as a nested run; its result is returned.
    bool ExecCallScript(const std::wstring& line, IScriptTarget& target, ScriptRun& run);
    // RTMP_PAGEURL = name;
    void ExecRTMP_SetPageUrl(const std::wstring& line, ScriptRun& run, IScriptTarget& target);
    // REQUESTLOGIN(userVariable, passwordVariable, rememberedVariable); under the login lock.
    void ExecRequestLogin(const std::wstring& line, const SiteScript& script, IScriptTarget& target,
                          ScriptRun& run);

private:
    enum class Flow { kNext, kJump, kEnd, kReturn };
    struct Step {
        Flow flow = Flow::kNext;
        size_t target = 0;    // the line to go on after (kJump)
        bool result = false;  // the run's result (kReturn)
    };

    Step ExecuteLine(const SiteScript& script, size_t index, IScriptTarget& target, ScriptRun& run,
                     bool nested);
    Step ExecIf(const SiteScript& script, size_t index, ScriptRun& run);
    Step ExecGoto(const SiteScript& script, const std::wstring& line, ScriptRun& run);
    void FinishRun(IScriptTarget& target, ScriptRun& run);
    bool RunResult(IScriptTarget& target, ScriptRun& run);
    bool RunLoginScript(std::wstring_view key, IScriptTarget& target, ScriptRun& run);
    ScriptTable scripts_;
    LoginService login_;
    const StringTable* strings_;
    std::atomic<uint64_t> statementBudget_{ScriptLimits().statements};
    std::atomic<uint64_t> characterBudget_{ScriptLimits().characters};
    std::atomic<int64_t> busyMilliseconds_{ScriptLimits().busyTime.count()};
    std::atomic<int> nesting_{ScriptLimits().nesting};
    std::atomic<IStatementObserver*> observer_{nullptr};
};

}  // namespace talvex
