#include "scripttools/TraceValues.h"

#include <algorithm>
#include <cstdio>

#include "platform/Utf8.h"
#include "scripts/TextCodecs.h"
#include "scripts/TextSearch.h"

namespace talvex::scripttools {

void TraceValues::AddSecret(const std::wstring& secret) {
    if (secret.empty()) {
        return;
    }
    for (const std::wstring& form : {secret, UrlEncode(secret)}) {
        if (std::find(secrets_.begin(), secrets_.end(), form) == secrets_.end()) {
            secrets_.push_back(form);
        }
    }
    // Longer forms first, so a form that contains another is masked whole.
    std::sort(secrets_.begin(), secrets_.end(),
              [](const std::wstring& a, const std::wstring& b) { return a.size() > b.size(); });
}

bool TraceValues::IsSecret(const std::wstring& value) const {
    return std::find(secrets_.begin(), secrets_.end(), value) != secrets_.end();
}

std::string TraceValues::Format(const std::wstring& value) const {
    std::wstring shown = value;
    for (const std::wstring& secret : secrets_) {
        shown = ReplaceAll(shown, secret, L"***");
    }
    const bool cut = shown.size() > kMaxShown;
    if (cut) {
        shown.resize(kShownCharacters);
    }
    std::wstring escaped;
    for (wchar_t c : shown) {
        if (c == L'\n') {
            escaped += L"\\n";
        } else if (c == L'\r') {
            escaped += L"\\r";
        } else if (c == L'\t') {
            escaped += L"\\t";
        } else if (c < 0x20 || c == 0x7F) {
            wchar_t code[8];
            std::swprintf(code, 8, L"\\x%02x", static_cast<unsigned>(c));
            escaped += code;
        } else {
            escaped += c;
        }
    }
    std::string out = "\"" + WideToUtf8(escaped) + (cut ? "...\"" : "\"");
    if (cut) {
        out += " (" + std::to_string(value.size()) + " chars)";
    }
    return out;
}

}  // namespace talvex::scripttools
