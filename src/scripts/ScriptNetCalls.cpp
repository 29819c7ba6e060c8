#include "scripts/ScriptNetCalls.h"

#include "app/DebugLog.h"
#include "net/DNetworking.h"
#include "net/HttpHeaders.h"
#include "platform/TextHelpers.h"
#include "scripts/MediaExtension.h"
#include "scripts/ScriptStopwatch.h"
#include "scripts/ScriptSyntax.h"

namespace talvex {

// A page the client accepts must fit in a variable (a byte gives at most one character).
static_assert(ScriptVariables::kMaxValueLength >= DNetworking::kDefaultPageLimit);

namespace {

void AddHeaders(DNetworking& client, std::wstring_view headerText) {
    for (const auto& [name, value] : ParseHeaderText(headerText)) {
        client.AddRequestHeader(name, value);
    }
}

void UseAgent(DNetworking& client, const std::wstring& userAgent) {
    if (!userAgent.empty()) {
        client.SetUserAgent(userAgent);
    }
}

const StopFlag& Flag(const std::atomic<bool>* stop) {
    return stop != nullptr ? *stop : NeverStop();
}

}  // namespace

bool GetHtml(const std::wstring& url, std::wstring& text, const std::wstring& userAgent,
             const std::atomic<bool>* stop) {
    DebugLog::Write(L"Enter SiteParser::GetHtml with URL:" + url);
    DNetworking client;
    UseAgent(client, userAgent);
    const uint32_t result = client.GetPage(url, text, Flag(stop));
    DebugLog::Write("Exit SiteParser::GetHtml");
    return result == kNetSuccess;
}

std::optional<std::wstring> CallIsUrlAlive(const ScriptCall& call) {
    // An empty argument is not rejected here: it names the (empty) variable "".
    std::wstring text = call.expression;
    SplitAt(text, L'(');
    const std::wstring url = call.variables.Get(SplitAt(text, L')'));
    ScriptStopwatch::Paused waiting(call.run.clock);
    DNetworking client;
    return std::wstring(client.QueryHeaders(url, Flag(call.run.stop)) == kNetSuccess ? L"1" : L"0");
}

std::optional<std::wstring> CallGetHtml(const ScriptCall& call) {
    const auto values = call.ArgumentValues(1);
    if (!values) {
        return std::nullopt;
    }
    std::wstring text;
    ScriptStopwatch::Paused waiting(call.run.clock);
    GetHtml(std::wstring((*values)[0]), text, call.variables.Get(L"USERAGENT"), call.run.stop);
    return text;
}

std::optional<std::wstring> CallGetHtml2(const ScriptCall& call) {
    if (!StartsWith(call.expression, L"GETHTML2")) {
        return std::nullopt;
    }
    const auto values = call.ArgumentValues(2);
    if (!values) {
        return std::nullopt;
    }
    // The client's own user agent: USERAGENT does not apply here.
    DNetworking client;
    AddHeaders(client, (*values)[1]);
    std::wstring text;
    ScriptStopwatch::Paused waiting(call.run.clock);
    client.GetPage(std::wstring((*values)[0]), text, Flag(call.run.stop));
    return text;
}

std::optional<std::wstring> CallGetFile(const ScriptCall&) {
    return std::nullopt;
}

std::optional<std::wstring> CallPost(const ScriptCall& call) {
    const auto values = call.ArgumentValues(3);
    if (!values) {
        return std::nullopt;
    }
    DNetworking client;
    UseAgent(client, call.variables.Get(L"USERAGENT"));
    client.SetPostData(std::wstring((*values)[1]));
    AddHeaders(client, (*values)[2]);
    std::wstring text;
    ScriptStopwatch::Paused waiting(call.run.clock);
    if (client.GetPage(std::wstring((*values)[0]), text, Flag(call.run.stop)) != kNetSuccess) {
        return std::wstring();
    }
    return text;
}

std::optional<std::wstring> CallGetCookie(const ScriptCall& call) {
    const auto values = call.ArgumentValues(2);
    if (!values) {
        return std::nullopt;
    }
    std::wstring value;
    if (DNetworking::GetCookie(std::wstring((*values)[0]), std::wstring((*values)[1]), value) !=
        kNetSuccess) {
        return std::nullopt;
    }
    return value;
}

void ExecSetCookie(const std::wstring& line, ScriptVariables& variables) {
    const auto names = ParseArguments(line, 3);
    if (!names) {
        return;
    }
    DNetworking::SetCookie(variables.Get((*names)[0]), variables.Get((*names)[1]),
                           variables.Get((*names)[2]));
}

std::wstring ProbeMediaExtension(const std::wstring& url, const std::wstring& userAgent,
                                 const std::atomic<bool>* stop) {
    if (url.empty()) {
        return std::wstring();  // no request could succeed
    }
    DNetworking client;
    UseAgent(client, userAgent);
    std::wstring contentType;
    if (client.QueryHeaders(url, Flag(stop)) != kNetSuccess || Flag(stop).load() ||
        client.GetResponseHeader(L"content-type", contentType) != kNetSuccess) {
        return std::wstring();
    }
    if (std::optional<std::wstring> extension = ExtensionFromContentType(contentType)) {
        return *extension;
    }
    return ExtensionFromAddress(url);
}

std::vector<std::pair<std::wstring, std::wstring>> ParseHeaderText(std::wstring_view text) {
    std::vector<std::pair<std::wstring, std::wstring>> headers;
    size_t pos = 0;
    for (;;) {
        const size_t end = text.find(L"\r\n", pos);
        if (end == std::wstring_view::npos) {
            break;  // a last line without CR LF does not count
        }
        const std::wstring_view line = text.substr(pos, end - pos);
        pos = end + 2;
        const size_t colon = line.find(L':');
        if (colon == std::wstring_view::npos || colon == 0) {
            continue;
        }
        headers.emplace_back(LowerAscii(line.substr(0, colon)),
                             std::wstring(line.substr(colon + 1)));
    }
    return headers;
}

}  // namespace talvex
