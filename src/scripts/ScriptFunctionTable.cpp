#include <array>

#include "scripts/ScriptFunctionCall.h"
#include "scripts/ScriptNetCalls.h"
#include "scripts/ScriptSyntax.h"
#include "scripts/ScriptTextCalls.h"

namespace talvex {
namespace {

// Tested in this order: a name that begins another (GETHTML, GETHTML2) comes after it.
constexpr std::array<ScriptFunctionEntry, 22> kFunctions = {{
    {L"ISURLALIVE", CallIsUrlAlive},
    {L"GETHTML2", CallGetHtml2},
    {L"GETHTML", CallGetHtml},
    {L"GETFILE", CallGetFile},
    {L"POST", CallPost},
    {L"SUBSTR", CallSubStr},
    {L"REPLACE", CallReplace},
    {L"ADDSTR", CallAddStr},
    {L"URLDCD", CallUrlDecode},
    {L"URLENC", CallUrlEncode},
    {L"JSDCD", CallJsDecode},
    {L"JSUDCD", CallJsUDecode},
    {L"GETTITLE", CallGetTitle},
    {L"HEX", CallHex},
    {L"FINDSTR", CallFindStr},
    {L"STRFROMARR", CallStrFromArr},
    {L"HTMLDECODE", CallHtmlDecode},
    {L"GETCOOKIE", CallGetCookie},
    {L"GETYOUTUBEQ", CallGetYoutubeQ},
    {L"MEGAVIDEODECRYPT", CallMegaVideoDecrypt},
    {L"MD5", CallMd5},
    {L"DATEDIFF", CallDateDiff},
}};

}  // namespace

std::optional<std::vector<std::wstring_view>> ScriptCall::ArgumentValues(size_t count) const {
    const auto names = ParseArguments(expression, count);
    if (!names) {
        return std::nullopt;
    }
    std::vector<std::wstring_view> values;
    values.reserve(count);
    for (const std::wstring& name : *names) {
        values.emplace_back(variables.Get(name));
    }
    return values;
}

const ScriptFunctionEntry* FindScriptFunction(std::wstring_view expression) {
    for (const ScriptFunctionEntry& entry : kFunctions) {
        if (StartsWith(expression, entry.name)) {
            return &entry;
        }
    }
    return nullptr;
}

}  // namespace talvex
