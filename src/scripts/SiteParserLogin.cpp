// REQUESTLOGIN: asking the user for a login to YouTube or Facebook, or reusing the one that
// worked last time, and running the service's login script with it.
#include <mutex>

#include "app/DebugLog.h"
#include "scripts/ScriptStopwatch.h"
#include "scripts/ScriptSyntax.h"
#include "scripts/SiteParser.h"

namespace talvex {

void SiteParser::ExecRequestLogin(const std::wstring& line, const SiteScript& script,
                                  IScriptTarget& target, ScriptRun& run) {
    std::lock_guard<DCriticalSection> lock(login_.Lock());
    const auto arguments = ParseArguments(line, 3);
    if (!arguments) {
        return;
    }
    const std::wstring& userVariable = (*arguments)[0];
    const std::wstring& passwordVariable = (*arguments)[1];
    const std::wstring& rememberedVariable = (*arguments)[2];
    const int service = LoginService::ServiceForSiteKey(script.siteKey);
    if (service < 0) {
        return;
    }
    LoginMemory& memory = login_.Memory(service);
    ScriptVariables& variables = run.variables;
    if (memory.loginSucceeded) {
        variables.Set(rememberedVariable, L"TRUE");
        variables.Set(userVariable, memory.userName);
        variables.Set(passwordVariable, memory.password);
    } else {
        std::wstring userName;
        std::wstring password;
        int answer = kLoginPromptCancel;
        {
            // The user's time to answer is not the script's.
            ScriptStopwatch::Paused waiting(run.clock);
            answer = login_.Ask(service, target.OwnerWindow(), userName, password);
        }
        if (answer != kLoginPromptOk) {
            return;
        }
        variables.Set(userVariable, userName);
        variables.Set(passwordVariable, password);
        memory.userName = std::move(userName);
        memory.password = std::move(password);
    }
    const bool youTube = service == kLoginServiceYouTube;
    memory.loginSucceeded = RunLoginScript(
        youTube ? LoginService::kYouTubeLoginScript : LoginService::kFacebookLoginScript, target,
        run);
    if (youTube) {
        variables.Set(L"ERRMSG", Localize(variables.Get(L"ERRMSGID"), variables.Get(L"ERRMSG")));
    }
}

bool SiteParser::RunLoginScript(std::wstring_view key, IScriptTarget& target, ScriptRun& run) {
    std::shared_ptr<const SiteScript> script = GetScript(key);
    if (!script) {
        return false;
    }
    run.Enter(script);
    // The login counts as done when the login script's run leaves no error text; an error text
    // left by an earlier run must not make a good login look failed.
    target.SetErrorText(std::wstring());
    try {
        Execute2(*script, target, run, true);
    } catch (...) {
        return false;
    }
    return !run.Ended() && target.ErrorText().empty();
}

}  // namespace talvex
