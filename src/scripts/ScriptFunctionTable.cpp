#include <array>

#include "scripts/ScriptFunctionCall.h"
#include "scripts/ScriptNetCalls.h"
#include "scripts/ScriptSyntax.h"
#include "scripts/ScriptTextCalls.h"
#include "scripts/TextCodecs.h"

namespace talvex {
namespace {

// Tested in this order: a name that begins another (GETHTML, GETHTML2) comes after it. The
// third value is how often the function must go over the whole of the values it reads, which
// the run is charged for before it runs (its result is charged when it is assigned): REPLACE
// measures its result before it builds it, GETYOUTUBEQ and MEGAVIDEODECRYPT build several
// intermediate texts, and the decoders make one pass per entity or character code. 0: the
// function stops at what it looks for, or only copies what it is charged for as its result;
// the run's time limit bounds such scans.
constexpr std::array<ScriptFunctionEntry, 22> kFunctions = {{
    {L"ISURLALIVE", CallIsUrlAlive, 0},
    {L"GETHTML2", CallGetHtml2, 0},
    {L"GETHTML", CallGetHtml, 0},
    {L"GETFILE", CallGetFile, 0},
    {L"POST", CallPost, 1},
    {L"SUBSTR", CallSubStr, 0},
    {L"REPLACE", CallReplace, 2},
    {L"ADDSTR", CallAddStr, 0},
    {L"URLDCD", CallUrlDecode, 1},
    {L"URLENC", CallUrlEncode, 1},
    {L"JSDCD", CallJsDecode, kEscapePasses},
    {L"JSUDCD", CallJsUDecode, kEscapePasses},
    {L"GETTITLE", CallGetTitle, 0},
    {L"HEX", CallHex, 1},
    {L"FINDSTR", CallFindStr, 0},
    {L"STRFROMARR", CallStrFromArr, 0},
    {L"HTMLDECODE", CallHtmlDecode, kNamedEntityPasses},
    {L"GETCOOKIE", CallGetCookie, 0},
    {L"GETYOUTUBEQ", CallGetYoutubeQ, 8},
    {L"MEGAVIDEODECRYPT", CallMegaVideoDecrypt, 8},
    {L"MD5", CallMd5, 1},
    {L"DATEDIFF", CallDateDiff, 0},
}};

}  // namespace

std::optional<std::vector<std::wstring_view>> ScriptCall::ArgumentValues(size_t count) const {
    const auto names = ParseArguments(expression, count);
    if (!names) {
        return std::nullopt;
    }
    std::vector<std::wstring_view> values;
    values.reserve(count);
    uint64_t characters = 0;
    for (const std::wstring& name : *names) {
        values.emplace_back(variables.Get(name));
        characters += values.back().size();
    }
    if (passes != 0 && !ChargeReading(characters)) {
        return std::nullopt;
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
