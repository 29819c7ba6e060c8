#pragma once
// The script functions and statements that reach the network, each one synchronous request
// through its own HTTP client on the thread of the run. Failures are not reported: a page
// fetch assigns the empty (or partial) text, ISURLALIVE "0", GETCOOKIE nothing; scripts test
// the values. A request ends at once when the run's stop flag is set, and the run's clock does
// not count the time spent waiting for it.
#include <atomic>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "scripts/ScriptFunctionCall.h"

namespace talvex {

std::optional<std::wstring> CallIsUrlAlive(const ScriptCall& call);
std::optional<std::wstring> CallGetHtml(const ScriptCall& call);
std::optional<std::wstring> CallGetHtml2(const ScriptCall& call);
// GETFILE is accepted so that scripts may hold it; it does nothing and assigns nothing.
std::optional<std::wstring> CallGetFile(const ScriptCall& call);
std::optional<std::wstring> CallPost(const ScriptCall& call);
std::optional<std::wstring> CallGetCookie(const ScriptCall& call);

// The SETCOOKIE statement: "SETCOOKIE(address, name, data);" stores the cookie in the process's
// cookie store, so every later request of any client sends it. Does nothing when an argument is
// empty.
void ExecSetCookie(const std::wstring& line, ScriptVariables& variables);

// Fetches a page; logs "Enter SiteParser::GetHtml with URL:" and the address. userAgent empty
// means the client's default. True when the client's result code is 0; text holds what the
// client returned either way. stop (may be null) ends the fetch early, with an empty text.
bool GetHtml(const std::wstring& url, std::wstring& text, const std::wstring& userAgent,
             const std::atomic<bool>* stop = nullptr);

// The extension of a media address from the server's content type (a header query: HEAD, then
// GET), else from the address itself; empty when the query fails, no content type comes back
// or stop (may be null) is set.
std::wstring ProbeMediaExtension(const std::wstring& url, const std::wstring& userAgent,
                                 const std::atomic<bool>* stop = nullptr);

// Request headers for GETHTML2 and POST: the text cut into lines at CR LF (a last line without
// CR LF does not count); a line's name is the text before its first ":" lower-cased, its value
// everything after the ":" unchanged. Lines without ":" are skipped.
std::vector<std::pair<std::wstring, std::wstring>> ParseHeaderText(std::wstring_view text);

}  // namespace talvex
