#include "scripttools/FunctionSignatures.h"

namespace talvex::scripttools {
namespace {

using K = ArgumentKind;
constexpr std::array<ArgumentKind, 4> kValues{K::kValue, K::kValue, K::kValue, K::kValue};

constexpr std::array<Signature, 22> kFunctions = {{
    {L"ISURLALIVE", 1, kValues, true},
    {L"GETHTML2", 2, kValues},
    {L"GETHTML", 1, kValues},
    {L"GETFILE", -1, kValues, false, false, true},
    {L"POST", 3, kValues},
    {L"SUBSTR", 4, {K::kMode, K::kValue, K::kValue, K::kValue}},
    {L"REPLACE", 3, kValues},
    {L"ADDSTR", 2, kValues},
    {L"URLDCD", 1, kValues},
    {L"URLENC", 1, kValues},
    {L"JSDCD", 1, kValues},
    {L"JSUDCD", 1, kValues},
    {L"GETTITLE", 0, kValues, false, true},
    {L"HEX", 1, {K::kHexText}},
    {L"FINDSTR", 3, kValues},
    {L"STRFROMARR", 3, kValues},
    {L"HTMLDECODE", 1, kValues},
    {L"GETCOOKIE", 2, kValues},
    {L"GETYOUTUBEQ", 1, kValues},
    {L"MEGAVIDEODECRYPT", 3, kValues},
    {L"MD5", 1, kValues},
    {L"DATEDIFF", 0, kValues},
}};

constexpr std::array<Signature, 3> kStatements = {{
    {L"SETCOOKIE", 3, kValues},
    {L"REQUESTLOGIN", 3, {K::kTarget, K::kTarget, K::kTarget}},
    {L"CALLSCRIPT", 2, {K::kKey, K::kValue}},
}};

template <size_t N>
const Signature* FindIn(const std::array<Signature, N>& table, std::wstring_view name) {
    for (const Signature& signature : table) {
        if (signature.name == name) {
            return &signature;
        }
    }
    return nullptr;
}

}  // namespace

const Signature* FindFunctionSignature(std::wstring_view name) {
    return FindIn(kFunctions, name);
}

const Signature* FindStatementSignature(std::wstring_view name) {
    return FindIn(kStatements, name);
}

const Signature* FunctionSignaturesBegin() {
    return kFunctions.data();
}

const Signature* FunctionSignaturesEnd() {
    return kFunctions.data() + kFunctions.size();
}

}  // namespace talvex::scripttools
