#include "scripttools/ScriptChecker.h"

#include <algorithm>
#include <map>
#include <set>

#include "platform/Utf8.h"
#include "scripts/LoginService.h"
#include "scripts/ScriptSyntax.h"
#include "scripttools/ScriptBlocks.h"
#include "scripttools/ScriptPacking.h"
#include "scripttools/StatementForm.h"

namespace talvex::scripttools {

namespace {

// The variables every run starts with.
const std::set<std::wstring> kPreset = {L"VIDURL",   L"VIDNAME",   L"EMPTY", L"ERRMSG",
                                        L"ERRMSGID", L"USERAGENT", L"ORGURL"};

std::string Quoted(const std::wstring& text) {
    return "\"" + WideToUtf8(text) + "\"";
}

struct Read {
    std::wstring name;
    const SourceLine* line;
};

class Checker {
public:
    explicit Checker(const ScriptBlocks& blocks) : blocks_(blocks) {}

    void CheckBlock(const ScriptBlock& block) {
        std::vector<StatementForm> forms;
        forms.reserve(block.statements.size());
        for (const SourceLine& line : block.statements) {
            forms.push_back(ReadStatement(line.text));
            for (const std::string& problem : forms.back().problems) {
                Note(line, problem);
            }
        }
        CheckNesting(block);
        CheckLabels(block, forms);
        for (size_t i = 0; i < forms.size(); ++i) {
            const StatementForm& form = forms[i];
            const SourceLine& line = block.statements[i];
            if (form.kind == StatementKind::kRequestLogin) {
                CheckLogin(block, line);
            } else if (form.kind == StatementKind::kCallScript && form.key && !form.key->empty()) {
                CheckCalledKey(*form.key, line);
            }
            for (const std::wstring& name : form.reads) {
                reads_.push_back({name, &line});
            }
            set_.insert(form.writes.begin(), form.writes.end());
        }
    }

    // Once every block is seen: the reads of names nothing sets.
    void CheckVariables() {
        for (const Read& read : reads_) {
            if (kPreset.count(read.name) != 0 || set_.count(read.name) != 0) {
                continue;
            }
            std::string message = Quoted(read.name) + " is read but never set: it reads as empty";
            if (read.name.front() == L'"' ||
                read.name.find_first_not_of(L"0123456789-") == std::wstring::npos) {
                message +=
                    " (arguments and operands are variable names: put a text in a variable "
                    "first, VAR NAME=\"...\";)";
            }
            Note(*read.line, message);
        }
    }

    std::vector<CheckFinding> findings;

private:
    void CheckNesting(const ScriptBlock& block) {
        // The interpreter pairs them as it skips a body: any line beginning with IF opens.
        std::vector<const SourceLine*> open;
        for (const SourceLine& line : block.statements) {
            if (StartsWith(line.text, L"IF")) {
                open.push_back(&line);
            } else if (StartsWith(line.text, L"ENDIF;")) {
                if (open.empty()) {
                    Note(line, "ENDIF; without an IF above it in this block");
                } else {
                    open.pop_back();
                }
            }
        }
        for (const SourceLine* line : open) {
            Note(*line,
                 "IF without ENDIF;: when the condition does not hold, the rest of the block is "
                 "skipped");
        }
    }

    void CheckLabels(const ScriptBlock& block, const std::vector<StatementForm>& forms) {
        std::map<std::wstring, const SourceLine*> marks;
        for (size_t i = 0; i < forms.size(); ++i) {
            if (forms[i].kind != StatementKind::kMark || !forms[i].problems.empty()) {
                continue;
            }
            const auto [at, added] = marks.emplace(forms[i].label, &block.statements[i]);
            if (!added) {
                Note(block.statements[i], "the label " + Quoted(forms[i].label) +
                                              " is marked already at line " +
                                              std::to_string(at->second->number) +
                                              ": every GOTO goes there, never here");
            }
        }
        for (size_t i = 0; i < forms.size(); ++i) {
            if (forms[i].kind != StatementKind::kGoto || forms[i].label.empty()) {
                continue;
            }
            const std::wstring mark = L"MARK " + forms[i].label + L":";
            const bool found = std::any_of(
                block.statements.begin(), block.statements.end(),
                [&mark](const SourceLine& line) { return StartsWith(line.text, mark); });
            if (!found) {
                Note(block.statements[i],
                     "no line " + WideToUtf8(mark) + " in this block: the GOTO does nothing");
            }
        }
    }

    void CheckLogin(const ScriptBlock& block, const SourceLine& line) {
        const int service = LoginService::ServiceForSiteKey(block.openingKey);
        if (service < 0) {
            Note(line, "REQUESTLOGIN does nothing in a block whose key is not " +
                           WideToUtf8(LoginService::kYouTubeSiteKey) + " or " +
                           WideToUtf8(LoginService::kFacebookSiteKey));
            return;
        }
        const std::wstring loginKey(service == kLoginServiceYouTube
                                        ? LoginService::kYouTubeLoginScript
                                        : LoginService::kFacebookLoginScript);
        const TableEntry* entry = blocks_.Lookup(loginKey);
        if (entry == nullptr || entry->block == nullptr) {
            Note(line, "REQUESTLOGIN runs the block " + Quoted(loginKey) +
                           ", which these sources do not have: every login fails");
        }
    }

    void CheckCalledKey(const std::wstring& key, const SourceLine& line) {
        const TableEntry* entry = blocks_.Lookup(key);
        if (entry == nullptr || entry->block == nullptr) {
            Note(line, "no block has the key " + Quoted(key) +
                           " (or a key that occurs in it): the CALLSCRIPT fails");
        }
    }

    void Note(const SourceLine& line, std::string message) {
        findings.push_back({line.file, line.number, std::move(message)});
    }

    const ScriptBlocks& blocks_;
    std::vector<Read> reads_;
    std::set<std::wstring> set_;
};

}  // namespace

std::vector<CheckFinding> CheckScriptText(const std::vector<SourceLine>& lines) {
    const ScriptBlocks blocks = ReadBlocks(lines);
    Checker checker(blocks);
    for (const auto& block : blocks.blocks) {
        checker.CheckBlock(*block);
    }
    checker.CheckVariables();
    std::vector<CheckFinding> findings = blocks.findings;
    findings.insert(findings.end(), checker.findings.begin(), checker.findings.end());
    // Files in the order given, lines in order.
    std::map<std::string, size_t> fileOrder;
    for (const SourceLine& line : lines) {
        fileOrder.emplace(line.file, fileOrder.size());
    }
    std::stable_sort(findings.begin(), findings.end(),
                     [&fileOrder](const CheckFinding& a, const CheckFinding& b) {
                         const size_t fa = fileOrder[a.file];
                         const size_t fb = fileOrder[b.file];
                         return fa != fb ? fa < fb : a.line < b.line;
                     });
    return findings;
}

std::vector<CheckFinding> CheckFiles(const std::vector<std::filesystem::path>& files) {
    std::vector<SourceLine> lines;
    std::vector<CheckFinding> unreadable;
    for (const std::filesystem::path& file : files) {
        if (file.extension() == ".qrs") {
            if (std::optional<std::vector<SourceLine>> packed = ScriptFileLines(file)) {
                lines.insert(lines.end(), packed->begin(), packed->end());
            } else {
                unreadable.push_back({file.string(), 0, "not a script file that can be read"});
            }
            continue;
        }
        const std::optional<std::string> bytes = ReadWholeFile(file);
        if (!bytes) {
            unreadable.push_back({file.string(), 0, "cannot be read"});
            continue;
        }
        if (bytes->find('\0') != std::string::npos) {
            unreadable.push_back({file.string(), 0, "holds a zero byte: it cannot be packed"});
        }
        const std::vector<SourceLine> own = SourceFileLines(file.string(), *bytes);
        lines.insert(lines.end(), own.begin(), own.end());
    }
    std::vector<CheckFinding> findings = CheckScriptText(lines);
    unreadable.insert(unreadable.end(), findings.begin(), findings.end());
    return unreadable;
}

}  // namespace talvex::scripttools
