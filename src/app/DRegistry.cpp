#include "app/DRegistry.h"

#include <cstdlib>

#include "app/SettingsFile.h"
#include "app/SettingsStore.h"
#include "platform/Utf8.h"

namespace talvex {

namespace {

bool IsNameStart(wchar_t c) {
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || c == L'_';
}

bool IsNameChar(wchar_t c) {
    return IsNameStart(c) || (c >= L'0' && c <= L'9');
}

}  // namespace

std::wstring ExpandEnvironmentVariables(std::wstring_view text) {
    std::wstring out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] != L'$') {
            out += text[i++];
            continue;
        }
        size_t nameStart = i + 1;
        size_t nameEnd = nameStart;
        size_t end = 0;  // one past the whole reference
        if (nameStart < text.size() && text[nameStart] == L'{') {
            ++nameStart;
            nameEnd = nameStart;
            while (nameEnd < text.size() && IsNameChar(text[nameEnd])) {
                ++nameEnd;
            }
            if (nameEnd < text.size() && text[nameEnd] == L'}' && nameEnd > nameStart &&
                IsNameStart(text[nameStart])) {
                end = nameEnd + 1;
            }
        } else if (nameStart < text.size() && IsNameStart(text[nameStart])) {
            while (nameEnd < text.size() && IsNameChar(text[nameEnd])) {
                ++nameEnd;
            }
            end = nameEnd;
        }
        if (end == 0) {
            out += text[i++];  // not a reference
            continue;
        }
        const std::string name = WideToUtf8(text.substr(nameStart, nameEnd - nameStart));
        if (const char* value = std::getenv(name.c_str())) {
            out += Utf8ToWide(value);
        } else {
            out.append(text.substr(i, end - i));
        }
        i = end;
    }
    return out;
}

DRegistry::~DRegistry() {
    Close();
}

bool DRegistry::Open() {
    return Open(SettingsStore::DefaultFile());
}

bool DRegistry::Open(const std::filesystem::path& file) {
    Close();
    try {
        SettingsDocument doc = ReadSettingsFile(file);
        if (doc.state != SettingsFileState::Valid) {
            return false;
        }
        for (const auto& [key, v] : doc.values.items()) {
            if (v.is_string()) {
                values_[Utf8ToWide(key)] = Text{Utf8ToWide(v.get_ref<const std::string&>()), false};
            } else if (v.is_object()) {
                auto e = v.find("expand");
                if (e != v.end() && e->is_string()) {
                    values_[Utf8ToWide(key)] =
                        Text{Utf8ToWide(e->get_ref<const std::string&>()), true};
                }
            }
        }
        file_ = file;
        open_ = true;
    } catch (...) {
        values_.clear();
        return false;
    }
    return true;
}

bool DRegistry::ReadString(std::wstring_view name, std::wstring& value) const {
    if (!open_) {
        return false;
    }
    auto it = values_.find(name);
    if (it == values_.end()) {
        return false;
    }
    value = it->second.expand ? ExpandEnvironmentVariables(it->second.text) : it->second.text;
    return true;
}

void DRegistry::Close() {
    values_.clear();
    file_.clear();
    open_ = false;
}

}  // namespace talvex
