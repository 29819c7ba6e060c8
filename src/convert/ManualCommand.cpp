#include "convert/ManualCommand.h"

#include <system_error>

#include "platform/TextHelpers.h"
#include "platform/Utf8.h"

namespace talvex {

namespace {

std::wstring ReplaceAll(std::wstring text, std::wstring_view from, std::wstring_view to) {
    size_t at = 0;
    while ((at = text.find(from, at)) != std::wstring::npos) {
        text.replace(at, from.size(), to);
        at += to.size();
    }
    return text;
}

// "%1" and "%2" both stand for the source, replaced in one pass so that a source name holding
// "%2" is not replaced again.
std::wstring SubstituteSource(std::wstring_view text, const std::wstring& source) {
    std::wstring out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'%' && i + 1 < text.size() &&
            (text[i + 1] == L'1' || text[i + 1] == L'2')) {
            out += source;
            ++i;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

}  // namespace

std::optional<std::vector<std::wstring>> SplitCommandWords(std::wstring_view text) {
    std::vector<std::wstring> words;
    std::wstring word;
    bool inWord = false;
    size_t i = 0;
    while (i < text.size()) {
        wchar_t c = text[i];
        if (IsBlank(c, Blanks::SpaceTabLineBreaks)) {
            if (inWord) {
                words.push_back(std::move(word));
                word.clear();
                inWord = false;
            }
            ++i;
            continue;
        }
        inWord = true;
        if (c == L'\'') {
            size_t close = text.find(L'\'', i + 1);
            if (close == std::wstring_view::npos) {
                return std::nullopt;
            }
            word.append(text.substr(i + 1, close - i - 1));
            i = close + 1;
        } else if (c == L'"') {
            ++i;
            for (;;) {
                if (i >= text.size()) {
                    return std::nullopt;
                }
                wchar_t d = text[i];
                if (d == L'"') {
                    ++i;
                    break;
                }
                if (d == L'\\' && i + 1 < text.size() &&
                    (text[i + 1] == L'\\' || text[i + 1] == L'"' || text[i + 1] == L'$' ||
                     text[i + 1] == L'`')) {
                    word.push_back(text[i + 1]);
                    i += 2;
                    continue;
                }
                if (d == L'\\' && i + 1 < text.size() && text[i + 1] == L'\n') {
                    i += 2;  // a continued line
                    continue;
                }
                word.push_back(d);
                ++i;
            }
        } else if (c == L'\\') {
            if (i + 1 >= text.size()) {
                return std::nullopt;
            }
            if (text[i + 1] != L'\n') {
                word.push_back(text[i + 1]);
            }
            i += 2;
        } else {
            word.push_back(c);
            ++i;
        }
    }
    if (inWord) {
        words.push_back(std::move(word));
    }
    return words;
}

bool ManualCommandNamesEncoder(std::wstring_view params, const std::filesystem::path& encoder) {
    const auto words = SplitCommandWords(params);
    if (!words || words->empty()) {
        return false;
    }
    const std::wstring& first = words->front();
    if (first == L"ffmpeg" || first == Utf8ToWide(encoder.string())) {
        return true;
    }
    // Another absolute name of the same file (a link, "/bin" beside "/usr/bin"). Whatever the
    // name, what runs is the encoder's own path, so the answer cannot go stale.
    const std::filesystem::path named(WideToUtf8(first));
    std::error_code error;
    return named.is_absolute() && encoder.is_absolute() &&
           std::filesystem::equivalent(named, encoder, error);
}

std::optional<CommandLine> BuildManualCommand(std::wstring_view params,
                                              const std::wstring& sourcePath,
                                              const std::filesystem::path& encoder) {
    auto words = SplitCommandWords(params);
    if (!words || words->empty() || !ManualCommandNamesEncoder(params, encoder)) {
        return std::nullopt;
    }
    CommandLine command;
    command.text =
        SubstituteSource(ReplaceAll(std::wstring(params), L" -i ", L" -y -i "), sourcePath);

    const size_t count = words->size();
    for (size_t i = 0; i < count; ++i) {
        const std::wstring& word = (*words)[i];
        if (i == 0) {
            command.argv.push_back(encoder.string());
            continue;
        }
        // A word "-i" with words on both sides is what " -i " stands for in the text.
        if (i > 0 && i + 1 < count && word == L"-i") {
            command.argv.push_back("-y");
        }
        command.argv.push_back(WideToUtf8(SubstituteSource(word, sourcePath)));
    }
    return command;
}

}  // namespace talvex
