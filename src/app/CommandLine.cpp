#include "app/CommandLine.h"

#include "platform/TextHelpers.h"
#include "platform/Utf8.h"

namespace talvex {

namespace {

// Options and their values are separated by blanks and tabs (Blanks::SpaceTab); the line, and
// what follows each value, is trimmed of any white space.

// Step 1: "/name" followed by a blank. Leaves rest at the (trimmed) value part.
bool ReadName(std::wstring_view& rest, std::wstring& name, bool& quoted) {
    if (rest.empty() || rest.front() != L'/') {
        return false;
    }
    size_t start = 1;
    while (start < rest.size() && (IsBlank(rest[start], Blanks::SpaceTab) || rest[start] == L'"')) {
        ++start;
    }
    size_t end = start;
    while (end < rest.size() && !IsBlank(rest[end], Blanks::SpaceTab) && rest[end] != L'"') {
        ++end;
    }
    name.assign(rest.substr(start, end - start));
    if (name.empty() || name.front() == L'/') {
        return false;
    }
    rest = rest.substr(end);
    if (rest.empty() || !IsBlank(rest.front(), Blanks::SpaceTab)) {
        return false;
    }
    rest = Trim(rest, Blanks::WhiteSpace);
    quoted = !rest.empty() && rest.front() == L'"';
    if (rest.size() == 2 && rest[1] == L'"') {
        return false;  // empty quoted value
    }
    if (!rest.empty() && rest.front() == L'/') {
        return false;  // the value is missing
    }
    return true;
}

// Step 2: the value, up to the closing quote (quoted) or the next blank.
bool ReadValue(std::wstring_view& rest, bool quoted, std::wstring& value) {
    auto isDelimiter = [quoted](wchar_t c) {
        return quoted ? c == L'"' : IsBlank(c, Blanks::SpaceTab);
    };
    size_t start = 0;
    while (start < rest.size() && isDelimiter(rest[start])) {
        ++start;
    }
    size_t end = start;
    while (end < rest.size() && !isDelimiter(rest[end])) {
        ++end;
    }
    value.assign(rest.substr(start, end - start));
    if (value.empty()) {
        return false;
    }
    // After a quoted value, continue behind the closing quote (an unclosed one ends the line).
    rest = rest.substr(quoted && end < rest.size() ? end + 1 : end);
    if (!rest.empty() && !IsBlank(rest.front(), Blanks::SpaceTab)) {
        return false;
    }
    rest = Trim(rest, Blanks::WhiteSpace);
    return true;
}

bool NeedsQuotes(std::string_view arg) {
    for (char c : arg) {
        if (IsBlank(c, Blanks::WhiteSpace)) {
            return true;
        }
    }
    return false;
}

// "--addurl" -> "addurl" for the two options that have a long form; empty otherwise.
std::string LongOptionName(std::string_view arg) {
    if (arg.size() < 3 || arg.substr(0, 2) != "--") {
        return {};
    }
    const std::string name = LowerAscii(arg.substr(2));
    return (name == "addurl" || name == "download") ? name : std::string();
}

}  // namespace

bool ParseCommandLine(std::wstring_view line, CommandLineOptions& options) {
    options.clear();
    CommandLineOptions found;
    std::wstring_view rest = Trim(line, Blanks::WhiteSpace);
    std::wstring name;
    std::wstring value;
    bool quoted = false;
    for (;;) {
        if (!ReadName(rest, name, quoted) || !ReadValue(rest, quoted, value)) {
            return false;
        }
        found[LowerAscii(name)] = value;
        name.clear();
        value.clear();
        quoted = false;
        if (rest.empty()) {
            options = std::move(found);
            return true;
        }
    }
}

std::wstring BuildCommandLine(const std::vector<std::string>& args) {
    std::vector<std::string> words;
    for (const std::string& arg : args) {
        std::string_view a = arg;
        if (size_t eq = a.find('='); eq != std::string_view::npos) {
            if (std::string name = LongOptionName(a.substr(0, eq)); !name.empty()) {
                words.push_back("/" + name);
                words.emplace_back(a.substr(eq + 1));
                continue;
            }
        }
        if (std::string name = LongOptionName(a); !name.empty()) {
            words.push_back("/" + name);
            continue;
        }
        words.push_back(arg);
    }
    std::string line;
    for (size_t i = 0; i < words.size(); ++i) {
        if (i > 0) {
            line += ' ';
        }
        if (NeedsQuotes(words[i])) {
            line += '"' + words[i] + '"';
        } else {
            line += words[i];
        }
    }
    return Utf8ToWide(line);
}

std::wstring BuildCommandLine(int argc, const char* const* argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc && argv != nullptr; ++i) {
        if (argv[i] != nullptr) {
            args.emplace_back(argv[i]);
        }
    }
    return BuildCommandLine(args);
}

}  // namespace talvex
