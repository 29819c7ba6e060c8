#pragma once
// The text functions as the interpreter calls them: arguments parsed from the expression and
// looked up as variables, then the value functions of ScriptTextFunctions.h applied.
#include <optional>
#include <string>

#include "scripts/ScriptFunctionCall.h"

namespace talvex {

std::optional<std::wstring> CallSubStr(const ScriptCall& call);
std::optional<std::wstring> CallReplace(const ScriptCall& call);
std::optional<std::wstring> CallAddStr(const ScriptCall& call);
std::optional<std::wstring> CallUrlDecode(const ScriptCall& call);
std::optional<std::wstring> CallUrlEncode(const ScriptCall& call);
std::optional<std::wstring> CallJsDecode(const ScriptCall& call);
std::optional<std::wstring> CallJsUDecode(const ScriptCall& call);
std::optional<std::wstring> CallGetTitle(const ScriptCall& call);
std::optional<std::wstring> CallHex(const ScriptCall& call);
std::optional<std::wstring> CallFindStr(const ScriptCall& call);
std::optional<std::wstring> CallStrFromArr(const ScriptCall& call);
std::optional<std::wstring> CallHtmlDecode(const ScriptCall& call);
std::optional<std::wstring> CallGetYoutubeQ(const ScriptCall& call);
std::optional<std::wstring> CallMegaVideoDecrypt(const ScriptCall& call);
std::optional<std::wstring> CallMd5(const ScriptCall& call);
std::optional<std::wstring> CallDateDiff(const ScriptCall& call);

}  // namespace talvex
