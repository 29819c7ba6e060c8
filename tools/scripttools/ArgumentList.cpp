#include "scripttools/ArgumentList.h"

#include "platform/Utf8.h"
#include "scripts/ScriptSyntax.h"

namespace talvex::scripttools {

namespace {

std::vector<std::wstring> SplitAtCommas(const std::wstring& text) {
    std::vector<std::wstring> pieces;
    size_t pos = 0;
    for (;;) {
        const size_t comma = text.find(L',', pos);
        pieces.push_back(TrimSpace(std::wstring_view(text).substr(
            pos, comma == std::wstring::npos ? std::wstring::npos : comma - pos)));
        if (comma == std::wstring::npos) {
            return pieces;
        }
        pos = comma + 1;
    }
}

bool OnlySemicolons(const std::wstring& text) {
    return text.find_first_not_of(L';') == std::wstring::npos;
}

// HEX("text") or HEX(NAME): the text may hold "," and ")".
void ReadHexArgument(const std::wstring& inside, StatementForm& form) {
    std::wstring text = TrimSpace(inside);
    while (!text.empty() && (text.back() == L';')) {
        text.pop_back();
    }
    if (!text.empty() && text.front() == L'"') {
        if (text.size() < 3 || text.back() != L')' || text[text.size() - 2] != L'"') {
            form.problems.push_back(
                "HEX(\"text\") needs its closing quote and \")\": the value is cut differently");
        }
        return;
    }
    while (!text.empty() && (text.back() == L';' || text.back() == L')')) {
        text.pop_back();
    }
    const std::wstring name = TrimSpace(text);
    if (name.empty()) {
        form.problems.push_back("HEX needs a text in double quotes or a variable name");
        return;
    }
    form.reads.push_back(name);
}

}  // namespace

void ReadArgumentList(const Signature& signature, const std::wstring& rest,
                      const std::string& failure, StatementForm& form) {
    const std::string name = WideToUtf8(signature.name);
    const std::wstring text = TrimSpace(rest);
    if (signature.doesNothing) {
        form.problems.push_back(name + " does nothing: it is accepted and assigns nothing");
        return;
    }
    if (signature.arguments == 0) {
        if (signature.readsPage) {
            form.reads.push_back(L"ORGHTML");
        }
        const size_t open = text.find(L'(');
        if (open != std::wstring::npos &&
            !TrimSpace(text.substr(open + 1, text.find(L')') - open - 1)).empty()) {
            form.problems.push_back(
                name + " takes no arguments" +
                (signature.readsPage ? ": it reads the page from ORGHTML" : ": they are ignored"));
        }
        return;
    }
    if (text.empty() || text.front() != L'(') {
        form.problems.push_back("no \"(\" after " + name + ": the arguments cannot be read, " +
                                name + " " + failure);
        return;
    }
    if (signature.kinds[0] == ArgumentKind::kHexText) {
        ReadHexArgument(text.substr(1), form);
        return;
    }
    const size_t close = text.find(L')');
    if (close == std::wstring::npos) {
        form.problems.push_back("no closing \")\": " + name + " " + failure);
        return;
    }
    if (!OnlySemicolons(TrimSpace(text.substr(close + 1)))) {
        form.problems.push_back("the text after \")\" is ignored");
    }
    const std::vector<std::wstring> arguments = SplitAtCommas(text.substr(1, close - 1));
    const size_t expected = static_cast<size_t>(signature.arguments);
    if (arguments.size() != expected) {
        std::string message = name + " takes " + std::to_string(expected) + " argument" +
                              (expected == 1 ? "" : "s") + ", not " +
                              std::to_string(arguments.size()) + ": ";
        if (arguments.size() < expected) {
            message += name + " " + failure;
        } else {
            message += "the last ones are read as one variable name";
        }
        form.problems.push_back(message);
        return;
    }
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        if (argument.empty()) {
            if (!signature.emptyArgumentAllowed) {
                form.problems.push_back("argument " + std::to_string(i + 1) + " is empty: " + name +
                                        " " + failure);
            }
            continue;
        }
        switch (signature.kinds[i]) {
            case ArgumentKind::kValue:
                form.reads.push_back(argument);
                break;
            case ArgumentKind::kTarget:
                form.writes.push_back(argument);
                break;
            case ArgumentKind::kMode:
                if (!StartsWith(argument, L"FWD") && !StartsWith(argument, L"REV")) {
                    form.problems.push_back("the first argument of " + name +
                                            " is FWD or REV, written as it is: " + name + " " +
                                            failure);
                }
                break;
            case ArgumentKind::kKey:
                if (argument.size() >= 2 && argument.front() == L'"' && argument.back() == L'"') {
                    form.key = argument.substr(1, argument.size() - 2);
                } else {
                    form.problems.push_back("the site key is written in double quotes: " + name +
                                            "(\"key\",NAME)");
                }
                break;
            case ArgumentKind::kHexText:
                break;
        }
    }
}

}  // namespace talvex::scripttools
