#pragma once
// The vendor's notifier page: an ordinary page whose HTML comments announce the newest program
// and script file, e.g. <!-- Ver='3.6' -->. Each value stands between its start marker and the
// end marker "' -->" (the first occurrence of each; markers match without regard to case); a
// value whose markers are missing is empty.
#include <string>
#include <string_view>

namespace talvex::ui {

struct UpdateNotice {
    std::wstring version;        // Ver: the newest program version
    std::wstring installerUrl;   // URL: where its installer is
    std::wstring whatsNew;       // WHATSNEW: the changes, shown as they are
    std::wstring scriptVersion;  // ScriptVer: the newest script file version
    std::wstring scriptUrl;      // ScriptURL: where that script file is
};

// The text after the first startMarker (any case) up to the following "' -->"; empty when
// either marker is missing.
std::wstring NotifierValue(std::wstring_view page, std::wstring_view startMarker);

// Every value of the page. The versions and addresses lose surrounding blanks; the changes text
// is kept exactly.
UpdateNotice ParseUpdateNotice(std::wstring_view page);

// The query sent with the request for "/notifier.html":
// "?lngid=<language>&lt=0&isn=<installation id>&pv=1&av=<program version>". Characters that
// would change the address's meaning (blanks, "&", "#", "%", non-ASCII ...) are percent-encoded
// in UTF-8; the usual values (digits, letters, dots, dashes) go as they are.
std::wstring NotifierQuery(std::wstring_view language, std::wstring_view installationId,
                           std::wstring_view programVersion);

}  // namespace talvex::ui
