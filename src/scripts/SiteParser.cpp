#include "scripts/SiteParser.h"

#include <exception>
#include <vector>

#include "app/DebugLog.h"
#include "app/StringTable.h"
#include "scripts/FileNameSanitizer.h"
#include "scripts/MediaExtension.h"
#include "scripts/ScriptFunctionCall.h"
#include "scripts/ScriptNetCalls.h"
#include "scripts/ScriptSyntax.h"
#include "scripts/TextSearch.h"

namespace talvex {
namespace {

// "KEYWORD = name;": the variable name, empty when it is missing or has no ";".
std::wstring NameOfValueStatement(const std::wstring& line) {
    std::wstring text = line;
    SplitAt(text, L'=');
    return SplitAt(text, L';');
}

std::vector<std::wstring> SplitIds(std::wstring_view ids) {
    std::vector<std::wstring> result;
    size_t pos = 0;
    while (pos <= ids.size()) {
        const size_t comma = ids.find(L',', pos);
        const size_t end = comma == std::wstring_view::npos ? ids.size() : comma;
        if (end > pos) {
            result.emplace_back(ids.substr(pos, end - pos));
        }
        pos = end + 1;
    }
    return result;
}

// Drops the nesting level a run took when it leaves.
class NestingLevel {
public:
    explicit NestingLevel(int& depth) : depth_(depth) { ++depth_; }
    ~NestingLevel() { --depth_; }
    NestingLevel(const NestingLevel&) = delete;
    NestingLevel& operator=(const NestingLevel&) = delete;

private:
    int& depth_;
};

}  // namespace

SiteParser::SiteParser(const StringTable* strings) : strings_(strings) {}

void SiteParser::SetLimits(const ScriptLimits& limits) {
    statementBudget_.store(limits.statements);
    characterBudget_.store(limits.characters);
    busyMilliseconds_.store(limits.busyTime.count());
    nesting_.store(limits.nesting);
}

ScriptLimits SiteParser::Limits() const {
    return ScriptLimits{statementBudget_.load(), characterBudget_.load(),
                        std::chrono::milliseconds(busyMilliseconds_.load()), nesting_.load()};
}

bool SiteParser::Execute1(IScriptTarget& target) {
    DebugLog::Write("Enter SiteParser::Execute1");
    try {
        std::shared_ptr<const SiteScript> script = GetScript(target.PageUrl());
        if (!script) {
            return false;
        }
        ScriptRun run(Limits());
        run.observer = observer_.load();
        run.stop = target.ScriptStopFlag();
        run.Enter(script);
        for (const wchar_t* name :
             {L"VIDURL", L"VIDNAME", L"EMPTY", L"ERRMSG", L"ERRMSGID", L"USERAGENT"}) {
            run.variables.Set(name, std::wstring());
        }
        run.variables.Set(L"ORGURL", target.PageUrl());
        DebugLog::Write("Exit SiteParser::Execute1 (success)");
        return Execute2(*script, target, run, false);
    } catch (...) {
        DebugLog::Write("Exit SiteParser::Execute1 (fails)");
        return false;
    }
}

bool SiteParser::Execute2(const SiteScript& script, IScriptTarget& target, ScriptRun& run,
                          bool nested) {
    DebugLog::Write("Enter SiteParser::Execute2");
    if (run.stop == nullptr) {
        run.stop = target.ScriptStopFlag();
    }
    // Every CALLSCRIPT and login block is a level deeper on this thread's stack: a script file
    // whose blocks call one another without end must not exhaust it.
    const NestingLevel level(run.depth);
    if (run.depth > run.limits.nesting) {
        run.End(ScriptRunEnd::kNesting);
    }
    bool reachedEnd = true;
    size_t index = 0;
    while (index < script.Count()) {
        // A statement costs at least the characters of its line.
        if (!run.StartStatement() || !run.Charge(script.lines[index].size())) {
            break;
        }
        Trace(script.lines[index]);
        if (run.observer != nullptr) {
            run.observer->BeforeStatement(script, index, run.variables);
        }
        Step step;
        try {
            step = ExecuteLine(script, index, target, run, nested);
        } catch (...) {
            // A statement that throws (out of memory, say) ends the loop; the end-of-run steps
            // are skipped and the result is taken as the variables stand.
            reachedEnd = false;
            break;
        }
        if (run.observer != nullptr) {
            const size_t next = step.flow == Flow::kNext   ? index + 1
                                : step.flow == Flow::kJump ? step.target + 1
                                                           : script.Count();
            run.observer->AfterStatement(script, index, next, run.variables);
        }
        switch (step.flow) {
            case Flow::kNext:
                ++index;
                break;
            case Flow::kJump:
                index = step.target + 1;
                break;
            case Flow::kEnd:
                index = script.Count();
                break;
            case Flow::kReturn:
                return step.result;
        }
    }
    if (reachedEnd && !run.Ended()) {
        try {
            FinishRun(target, run);
        } catch (...) {
        }
    }
    DebugLog::Write("Exit SiteParser::Execute2");
    return RunResult(target, run);
}

SiteParser::Step SiteParser::ExecuteLine(const SiteScript& script, size_t index,
                                         IScriptTarget& target, ScriptRun& run, bool nested) {
    const std::wstring& line = script.lines[index];
    ScriptVariables& variables = run.variables;
    if (StartsWith(line, L"//")) {
        return {};
    }
    if (StartsWith(line, L"VAR ")) {
        std::wstring statement = line;
        if (!SplitAt(statement, L' ').empty()) {
            ExecuteStatement(run, statement, target);
        }
        return {};
    }
    if (StartsWith(line, L"VIDURL")) {
        const std::wstring name = NameOfValueStatement(line);
        if (!name.empty() && run.Charge(variables.Get(name).size())) {
            std::wstring value = variables.Get(name);
            target.SetMediaUrl(value);
            variables.Set(L"VIDURL", std::move(value));
        }
        return {};
    }
    if (StartsWith(line, L"VIDNAME")) {
        const std::wstring name = NameOfValueStatement(line);
        if (!name.empty() && run.Charge(variables.Get(name).size())) {
            std::wstring value = variables.Get(name);
            target.SetTitle(TrimSpace(value));
            variables.Set(L"VIDNAME", std::move(value));
        }
        return {};
    }
    if (StartsWith(line, L"IF ")) {
        return ExecIf(script, index, run);
    }
    if (StartsWith(line, L"ENDIF;")) {
        return {};
    }
    if (StartsWith(line, L"GOTO ")) {
        return ExecGoto(script, line, run);
    }
    if (StartsWith(line, L"MARK ")) {
        return {};
    }
    if (StartsWith(line, L"SETCOOKIE")) {
        ExecSetCookie(line, variables);
        return {};
    }
    if (StartsWith(line, L"REQUESTLOGIN")) {
        ExecRequestLogin(line, script, target, run);
        return {};
    }
    if (StartsWith(line, L"CALLSCRIPT")) {
        if (nested) {
            return {Flow::kEnd};
        }
        // The called script's result is the whole run's: no end-of-run steps here.
        return {Flow::kReturn, 0, ExecCallScript(line, target, run)};
    }
    if (StartsWith(line, L"RTMP_PLAYPATH")) {
        const std::wstring name = NameOfValueStatement(line);
        if (!name.empty() && run.Charge(variables.Get(name).size())) {
            target.SetRtmpPlayPath(variables.Get(name));
        }
        return {};
    }
    if (StartsWith(line, L"RTMP_SWFURL")) {
        const std::wstring name = NameOfValueStatement(line);
        if (!name.empty() && run.Charge(variables.Get(name).size())) {
            target.SetRtmpSwfUrl(variables.Get(name));
        }
        return {};
    }
    if (StartsWith(line, L"RTMP_PAGEURL")) {
        ExecRTMP_SetPageUrl(line, run, target);
        return {};
    }
    return {};
}

void SiteParser::ExecuteStatement(ScriptRun& run, const std::wstring& statement,
                                  IScriptTarget& target) {
    DebugLog::Write(L"Enter SiteParser::ExecuteStatement:" + statement);
    std::wstring expression = statement;
    const std::wstring name = SplitAt(expression, L'=');
    if (name.empty()) {
        return;
    }
    if (!expression.empty() && expression.front() == L'"') {
        // A literal: trailing ";" removed, then the first and last characters (the quotes).
        size_t end = expression.size();
        while (end > 0 && expression[end - 1] == L';') {
            --end;
        }
        std::wstring value = end >= 2 ? expression.substr(1, end - 2) : std::wstring();
        run.variables.Set(name, std::move(value));
        return;
    }
    if (const ScriptFunctionEntry* function = FindScriptFunction(expression)) {
        std::optional<std::wstring> value =
            function->call(ScriptCall{expression, run.variables, target, run, function->passes});
        // Writing the value costs its length too.
        if (value && run.Charge(value->size())) {
            run.variables.Set(name, std::move(*value));
        }
        return;
    }
    DebugLog::Write("Exit SiteParser::ExecuteStatement");
}

SiteParser::Step SiteParser::ExecIf(const SiteScript& script, size_t index, ScriptRun& run) {
    const std::wstring& line = script.lines[index];
    const size_t then = line.find(L"THEN");
    if (then == std::wstring::npos || then == 0 ||
        (line.find(L"==", 1) == std::wstring::npos && line.find(L"!=", 1) == std::wstring::npos)) {
        return {};  // malformed: the body runs
    }
    const std::wstring condition = line.substr(3, then - 3);
    bool equality = true;
    size_t op = condition.find(L"==");
    if (op == std::wstring::npos) {
        equality = false;
        op = condition.find(L"!=");
        if (op == std::wstring::npos) {
            return {};
        }
    }
    const std::wstring left = condition.substr(0, op);
    const std::wstring right = condition.substr(op + 2);
    // Only the operator may remain once both operands are taken out: this rejects conditions
    // such as "a == b == c".
    const std::wstring rest = ReplaceAll(ReplaceAll(condition, left, L""), right, L"");
    if (rest != L"==" && rest != L"!=") {
        return {};
    }
    const std::wstring& leftValue = run.variables.Get(TrimSpace(left));
    const std::wstring& rightValue = run.variables.Get(TrimSpace(right));
    if ((leftValue == rightValue) == equality) {
        return {};
    }
    // Skip the body: on after the ENDIF; that closes this IF, or to the end without one.
    int depth = 0;
    for (size_t i = index + 1; i < script.Count(); ++i) {
        const std::wstring& candidate = script.lines[i];
        if (StartsWith(candidate, L"IF")) {
            ++depth;
        } else if (StartsWith(candidate, L"ENDIF;")) {
            if (--depth < 0) {
                return {Flow::kJump, i};
            }
        }
    }
    return {Flow::kEnd};
}

SiteParser::Step SiteParser::ExecGoto(const SiteScript& script, const std::wstring& line,
                                      ScriptRun& run) {
    std::wstring text = line;
    SplitAt(text, L' ');
    const std::wstring label = SplitAt(text, L';');
    if (label.empty()) {
        return {};
    }
    auto& known = run.labels[&script];
    auto found = known.find(label);
    if (found == known.end()) {
        const std::wstring mark = L"MARK " + label + L":";
        size_t at = std::wstring::npos;
        for (size_t i = 0; i < script.Count(); ++i) {
            if (StartsWith(script.lines[i], mark)) {
                at = i;
                break;
            }
        }
        found = known.emplace(label, at).first;
    }
    if (found->second == std::wstring::npos) {
        return {};
    }
    return {Flow::kJump, found->second};
}

bool SiteParser::ExecCallScript(const std::wstring& line, IScriptTarget& target, ScriptRun& run) {
    DebugLog::Write(L"Enter SiteParser::ExecCallScript:" + line);
    try {
        if (line.empty()) {
            DebugLog::Write("Enter SiteParser::ExecCallScript (fails 1)");
            return false;
        }
        std::wstring text = line;
        if (!StartsWith(SplitAt(text, L'('), L"CALLSCRIPT")) {
            DebugLog::Write("Enter SiteParser::ExecCallScript (fails 2)");
            return false;
        }
        const std::wstring keyArgument = SplitAt(text, L',');
        if (keyArgument.empty()) {
            DebugLog::Write("Enter SiteParser::ExecCallScript (fails 3)");
            return false;
        }
        const std::wstring addressArgument = SplitAt(text, L')');
        if (addressArgument.empty()) {
            DebugLog::Write("Enter SiteParser::ExecCallScript (fails 4)");
            return false;
        }
        std::wstring address = run.variables.Get(addressArgument);
        if (address.empty()) {
            address = target.PageUrl();
        }
        run.variables.Set(L"ORGURL", address);
        std::wstring key =
            keyArgument.size() > 2 ? keyArgument.substr(1, keyArgument.size() - 2) : L"";
        if (key.empty()) {
            key = FindSiteKey(address);
        }
        std::shared_ptr<const SiteScript> script = GetScript(key);
        if (!script) {
            DebugLog::Write("Enter SiteParser::ExecCallScript (fails 5)");
            return false;
        }
        run.Enter(script);
        const bool result = Execute2(*script, target, run, true);
        DebugLog::Write(result ? "Enter SiteParser::ExecCallScript (success)"
                               : "Enter SiteParser::ExecCallScript (fails 6)");
        return result;
    } catch (...) {
        DebugLog::Write("Enter SiteParser::ExecCallScript (fails 7)");
        return false;
    }
}

void SiteParser::ExecRTMP_SetPageUrl(const std::wstring& line, ScriptRun& run,
                                     IScriptTarget& target) {
    DebugLog::Write("Enter SiteParser::ExecRTMP_SetPageUrl");
    const std::wstring name = NameOfValueStatement(line);
    if (name.empty()) {
        DebugLog::Write("Exit SiteParser::ExecRTMP_SetPageUrl (fails)");
        return;
    }
    if (run.Charge(run.variables.Get(name).size())) {
        target.SetRtmpPageUrl(run.variables.Get(name));
    }
    DebugLog::Write("Exit SiteParser::ExecRTMP_SetPageUrl (success)");
}

void SiteParser::FinishRun(IScriptTarget& target, ScriptRun& run) {
    const std::wstring_view title = run.variables.Get(L"VIDNAME");
    target.SetTitle(TitleToFileName(title.substr(0, kTitleReadLimit)));

    const std::wstring mediaUrl = target.MediaUrl();
    std::optional<std::wstring> extension = ExtensionFromScheme(mediaUrl);
    if (!extension) {
        extension = ProbeMediaExtension(mediaUrl, run.variables.Get(L"USERAGENT"), run.stop);
    }
    target.SetExtension(*extension);

    const std::wstring& ids = run.variables.Get(L"PLAYLISTIDS");
    if (!ids.empty() && target.IsListParent()) {
        target.SetIdList(SplitIds(ids));
    }
}

bool SiteParser::RunResult(IScriptTarget& target, ScriptRun& run) {
    switch (run.ended) {
        case ScriptRunEnd::kNone:
            break;
        case ScriptRunEnd::kStopped:
            // The user stopped it: no error to show, and none left from before.
            target.SetErrorText(std::wstring());
            return false;
        case ScriptRunEnd::kStatements:
        case ScriptRunEnd::kBusyTime:
            target.SetErrorText(
                Localize(std::wstring(kBudgetErrorKey), std::wstring(kBudgetErrorText)));
            return false;
        case ScriptRunEnd::kCharacters:
            target.SetErrorText(
                Localize(std::wstring(kCharactersErrorKey), std::wstring(kCharactersErrorText)));
            return false;
        case ScriptRunEnd::kNesting:
            target.SetErrorText(
                Localize(std::wstring(kNestingErrorKey), std::wstring(kNestingErrorText)));
            return false;
    }
    const std::wstring& message = run.variables.Get(L"ERRMSG");
    const std::wstring& messageId = run.variables.Get(L"ERRMSGID");
    const std::wstring& mediaUrl = run.variables.Get(L"VIDURL");
    if (mediaUrl.empty() || !message.empty() || !messageId.empty()) {
        target.SetErrorText(Localize(messageId, message));
        return false;
    }
    return true;
}

std::wstring SiteParser::Localize(const std::wstring& key, const std::wstring& builtIn) const {
    if (strings_ == nullptr) {
        return builtIn;
    }
    return strings_->HasKey(key) ? strings_->GetText(key, builtIn) : builtIn;
}

}  // namespace talvex
