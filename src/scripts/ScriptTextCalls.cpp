#include "scripts/ScriptTextCalls.h"

#include <ctime>

#include "scripts/ScriptFormatFunctions.h"
#include "scripts/ScriptSyntax.h"
#include "scripts/ScriptTextFunctions.h"
#include "scripts/TextCodecs.h"
#include "scripts/TextSearch.h"

namespace talvex {
namespace {

// A one-argument function applying codec to the argument's value.
template <std::wstring (*codec)(std::wstring_view)>
std::optional<std::wstring> CallCodec(const ScriptCall& call) {
    const auto values = call.ArgumentValues(1);
    if (!values) {
        return std::nullopt;
    }
    return codec((*values)[0]);
}

}  // namespace

std::optional<std::wstring> CallSubStr(const ScriptCall& call) {
    // The mode is a literal; the other three arguments are variables.
    const auto arguments = ParseArguments(call.expression, 4);
    if (!arguments) {
        return std::nullopt;
    }
    // Table entries stay where they are when later look-ups add names.
    const std::wstring& source = call.variables.Get((*arguments)[1]);
    const std::wstring& start = call.variables.Get((*arguments)[2]);
    const std::wstring& end = call.variables.Get((*arguments)[3]);
    return SubStr((*arguments)[0], source, start, end);
}

std::optional<std::wstring> CallReplace(const ScriptCall& call) {
    const auto values = call.ArgumentValues(3);
    if (!values) {
        return std::nullopt;
    }
    // A short search text and a long replacement multiply a text: check before building it.
    if (ReplacedLength((*values)[0], (*values)[1], (*values)[2]) >
        call.variables.MaxValueLength()) {
        return std::nullopt;
    }
    return ReplaceAll((*values)[0], (*values)[1], (*values)[2]);
}

std::optional<std::wstring> CallAddStr(const ScriptCall& call) {
    const auto values = call.ArgumentValues(2);
    if (!values || (*values)[0].size() + (*values)[1].size() > call.variables.MaxValueLength()) {
        return std::nullopt;
    }
    std::wstring result;
    result.reserve((*values)[0].size() + (*values)[1].size());
    result.append((*values)[0]).append((*values)[1]);
    return result;
}

std::optional<std::wstring> CallUrlDecode(const ScriptCall& call) {
    return CallCodec<UrlDecode>(call);
}

std::optional<std::wstring> CallUrlEncode(const ScriptCall& call) {
    // One character can become twelve ("%xx" for each of up to four UTF-8 bytes).
    const auto values = call.ArgumentValues(1);
    if (!values || (*values)[0].size() > call.variables.MaxValueLength() / 12) {
        return std::nullopt;
    }
    return UrlEncode((*values)[0]);
}

std::optional<std::wstring> CallJsDecode(const ScriptCall& call) {
    return CallCodec<DecodeHexEscapes>(call);
}

std::optional<std::wstring> CallJsUDecode(const ScriptCall& call) {
    return CallCodec<DecodeU00Escapes>(call);
}

std::optional<std::wstring> CallHtmlDecode(const ScriptCall& call) {
    return CallCodec<DecodeNamedEntities>(call);
}

std::optional<std::wstring> CallGetTitle(const ScriptCall& call) {
    return GetTitle(call.variables.Get(L"ORGHTML"));
}

std::optional<std::wstring> CallHex(const ScriptCall& call) {
    const HexArgument argument = ParseHexArgument(call.expression);
    if (argument.isLiteral) {
        return UrlDecode(argument.text);
    }
    const std::wstring& value = call.variables.Get(argument.text);
    if (!call.ChargeReading(value.size())) {
        return std::nullopt;
    }
    return UrlDecode(value);
}

std::optional<std::wstring> CallFindStr(const ScriptCall& call) {
    const auto values = call.ArgumentValues(3);
    if (!values) {
        return std::nullopt;
    }
    return FindStr((*values)[0], (*values)[1], ReadDecimalInt((*values)[2]));
}

std::optional<std::wstring> CallStrFromArr(const ScriptCall& call) {
    const auto values = call.ArgumentValues(3);
    if (!values) {
        return std::nullopt;
    }
    return StrFromArr((*values)[0], (*values)[1], ReadDecimalInt((*values)[2]));
}

std::optional<std::wstring> CallGetYoutubeQ(const ScriptCall& call) {
    const auto values = call.ArgumentValues(1);
    if (!values) {
        return std::nullopt;
    }
    return ChooseFormatAddress((*values)[0], call.target.FormatChoice());
}

std::optional<std::wstring> CallMegaVideoDecrypt(const ScriptCall& call) {
    const auto values = call.ArgumentValues(3);
    if (!values) {
        return std::nullopt;
    }
    // The bit string is four times the text; the scrambled block is 32 digits long anyway.
    if ((*values)[0].size() > call.variables.MaxValueLength() / 4) {
        return std::nullopt;
    }
    return MegaVideoDecrypt((*values)[0], ReadDecimalInt((*values)[1]),
                            ReadDecimalInt((*values)[2]));
}

std::optional<std::wstring> CallMd5(const ScriptCall& call) {
    const auto values = call.ArgumentValues(1);
    if (!values) {
        return std::nullopt;
    }
    return Md5Text((*values)[0]);
}

std::optional<std::wstring> CallDateDiff(const ScriptCall&) {
    return DateDiffText(std::time(nullptr));
}

}  // namespace talvex
