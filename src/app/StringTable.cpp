#include "app/StringTable.h"

#include <algorithm>
#include <fstream>
#include <mutex>
#include <optional>
#include <system_error>

#include "app/SettingsStore.h"
#include "platform/TextHelpers.h"
#include "platform/Utf8.h"

namespace talvex {

namespace fs = std::filesystem;

namespace {

// Reads UTF-8 text lines. A carriage return before the line feed is not part of the line, a
// byte-order mark at the start of the file is skipped, and a line longer than kMaxLineBytes is
// cut there: its remainder is dropped rather than read as a line of its own.
class LineReader {
public:
    explicit LineReader(const fs::path& file) {
        // Only regular files: a folder or a pipe in the file's place reads as a missing file.
        std::error_code ec;
        if (fs::is_regular_file(file, ec)) {
            in_.open(file, std::ios::binary);
        }
    }

    bool IsOpen() const { return in_.is_open(); }
    // True when the input ended normally rather than with a read error.
    bool ReachedEnd() const { return in_.eof() && !in_.bad(); }

    std::optional<std::wstring> Next() {
        std::string line;
        bool any = false;
        std::streambuf* buf = in_.rdbuf();
        for (;;) {
            const auto c = buf->sbumpc();
            if (c == std::char_traits<char>::eof()) {
                in_.setstate(std::ios::eofbit);
                break;
            }
            any = true;
            if (c == '\n') {
                break;
            }
            if (line.size() < StringTable::kMaxLineBytes) {
                line.push_back(static_cast<char>(c));
            }
        }
        if (!any) {
            return std::nullopt;
        }
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (first_) {
            first_ = false;
            if (line.rfind("\xEF\xBB\xBF", 0) == 0) {
                line.erase(0, 3);
            }
        }
        return Utf8ToWide(line);
    }

private:
    std::ifstream in_;
    bool first_ = true;
};

// The text after the first "=", or empty when there is none.
std::wstring ValueOf(const std::wstring& line) {
    const size_t eq = line.find(L'=');
    return eq == std::wstring::npos ? std::wstring() : line.substr(eq + 1);
}

std::wstring ExpandEscapes(std::wstring_view text) {
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\\' && i + 1 < text.size()) {
            if (text[i + 1] == L'n') {
                out.push_back(L'\n');
                ++i;
                continue;
            }
            if (text[i + 1] == L't') {
                out.push_back(L'\t');
                ++i;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

struct LanguageHeader {
    std::wstring name;
    std::wstring id;
};

// The first non-empty line must hold "lang.name", the line right after it "lang.id"; the
// values are the texts after their first "=".
std::optional<LanguageHeader> ReadHeader(const fs::path& file) {
    LineReader reader(file);
    if (!reader.IsOpen()) {
        return std::nullopt;
    }
    std::optional<std::wstring> line;
    do {
        line = reader.Next();
    } while (line && line->empty());
    if (!line || line->find(L"lang.name") == std::wstring::npos) {
        return std::nullopt;
    }
    LanguageHeader header{ValueOf(*line), {}};
    line = reader.Next();
    if (!line || line->find(L"lang.id") == std::wstring::npos) {
        return std::nullopt;
    }
    header.id = ValueOf(*line);
    if (header.name.empty() || !StringTable::IsValidLanguageId(header.id)) {
        return std::nullopt;
    }
    return header;
}

bool HasIniExtension(const fs::path& file) {
    std::string ext = file.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; });
    return ext == ".ini";
}

}  // namespace

fs::path StringTable::LanguageFolder(const fs::path& resourceFolder) {
    return resourceFolder / "Lang";
}

fs::path StringTable::LanguageFile(const fs::path& resourceFolder, std::wstring_view languageId) {
    return LanguageFolder(resourceFolder) / ("res" + WideToUtf8(languageId) + ".ini");
}

bool StringTable::IsValidLanguageId(std::wstring_view languageId) {
    if (languageId.empty() || languageId.size() > 32) {
        return false;
    }
    return std::all_of(languageId.begin(), languageId.end(), [](wchar_t c) {
        return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') ||
               c == L'-' || c == L'_';
    });
}

bool StringTable::Load(const fs::path& file, bool headerOnly) {
    if (headerOnly) {
        std::optional<LanguageHeader> header = ReadHeader(file);
        if (!header) {
            return false;
        }
        std::unique_lock guard(lock_);
        languages_[header->name] = header->id;
        return true;
    }

    // Read into a fresh table and swap it in, so a reader on another thread sees either the
    // old language or the new one, never a half-loaded mix.
    std::unordered_map<std::wstring, std::wstring> texts;
    LineReader reader(file);
    bool complete = false;
    if (reader.IsOpen()) {
        while (std::optional<std::wstring> line = reader.Next()) {
            const size_t eq = line->find(L'=');
            if (eq == std::wstring::npos) {
                continue;
            }
            texts[std::wstring(Trim(std::wstring_view(*line).substr(0, eq), Blanks::WhiteSpace))] =
                line->substr(eq + 1);
        }
        complete = reader.ReachedEnd();
    }
    std::unique_lock guard(lock_);
    texts_.swap(texts);
    return complete;
}

bool StringTable::LoadLanguage(const fs::path& resourceFolder, std::wstring_view languageId) {
    if (!IsValidLanguageId(languageId)) {
        std::unique_lock guard(lock_);
        texts_.clear();
        return false;
    }
    return Load(LanguageFile(resourceFolder, languageId), false);
}

bool StringTable::LoadCurrentLanguage(const SettingsStore& settings,
                                      const fs::path& resourceFolder) {
    return LoadLanguage(resourceFolder, settings.GetLanguage());
}

bool StringTable::ListLanguages(const fs::path& resourceFolder) {
    std::vector<fs::path> files;
    std::error_code ec;
    for (fs::directory_iterator it(LanguageFolder(resourceFolder), ec), end; !ec && it != end;
         it.increment(ec)) {
        if (it->is_regular_file(ec) && HasIniExtension(it->path())) {
            files.push_back(it->path());
        }
    }
    std::sort(files.begin(), files.end());

    std::map<std::wstring, std::wstring> languages;
    for (const fs::path& file : files) {
        if (std::optional<LanguageHeader> header = ReadHeader(file)) {
            languages[header->name] = header->id;
        }
    }
    std::unique_lock guard(lock_);
    languages_.swap(languages);
    return true;
}

bool StringTable::SwitchLanguage(const SettingsStore& settings, const fs::path& resourceFolder,
                                 std::wstring_view languageName) {
    const std::wstring id = GetLanguageId(languageName);
    if (id.empty()) {
        return false;
    }
    // A setting that cannot be written only loses the choice at the next start; the user still
    // gets the language picked now.
    settings.SetString(setting::kLanguage, id);
    return LoadLanguage(resourceFolder, id);
}

std::wstring StringTable::GetText(std::wstring_view key, std::wstring_view defaultText) const {
    std::shared_lock guard(lock_);
    const auto it = key.empty() ? texts_.end() : texts_.find(std::wstring(key));
    // The built-in texts are written like the file's, so they get the same expansion.
    const bool useDefault = it == texts_.end() || it->second.empty();
    return ExpandEscapes(useDefault ? defaultText : std::wstring_view(it->second));
}

bool StringTable::HasKey(std::wstring_view key) const {
    std::shared_lock guard(lock_);
    return !key.empty() && texts_.find(std::wstring(key)) != texts_.end();
}

std::wstring StringTable::GetLanguageId(std::wstring_view languageName) const {
    std::shared_lock guard(lock_);
    if (languages_.empty()) {
        return std::wstring(kDefaultLanguageId);
    }
    const auto it = languages_.find(std::wstring(languageName));
    return it == languages_.end() ? std::wstring() : it->second;
}

std::vector<std::pair<std::wstring, std::wstring>> StringTable::Languages() const {
    std::shared_lock guard(lock_);
    return {languages_.begin(), languages_.end()};
}

}  // namespace talvex
