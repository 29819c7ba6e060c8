#include "scripttools/StatementForm.h"

#include <array>
#include <string_view>

#include "platform/Utf8.h"
#include "scripts/ScriptFunctionCall.h"
#include "scripts/ScriptSyntax.h"
#include "scripts/TextSearch.h"
#include "scripttools/ArgumentList.h"
#include "scripttools/FunctionSignatures.h"

namespace talvex::scripttools {

namespace {

constexpr const char* kAssignsNothing = "fails and assigns nothing";
constexpr const char* kDoesNothing = "does nothing";

// The statements written KEYWORD=NAME;, in the interpreter's order of testing.
struct ValueStatement {
    std::wstring_view keyword;
    StatementKind kind;
};
constexpr std::array<ValueStatement, 2> kValueStatementsFirst = {{
    {L"VIDURL", StatementKind::kMediaAddress},
    {L"VIDNAME", StatementKind::kTitle},
}};
constexpr std::array<ValueStatement, 3> kRtmpStatements = {{
    {L"RTMP_PLAYPATH", StatementKind::kRtmpPlayPath},
    {L"RTMP_SWFURL", StatementKind::kRtmpSwfUrl},
    {L"RTMP_PAGEURL", StatementKind::kRtmpPageUrl},
}};

// Every word a statement line begins with, for the hints on unknown lines.
constexpr std::array<std::wstring_view, 14> kKeywords = {
    L"VAR",           L"VIDURL",      L"VIDNAME",      L"IF",           L"ENDIF;",
    L"GOTO",          L"MARK",        L"SETCOOKIE",    L"REQUESTLOGIN", L"CALLSCRIPT",
    L"RTMP_PLAYPATH", L"RTMP_SWFURL", L"RTMP_PAGEURL", L"END;",
};

std::string Quoted(const std::wstring& text) {
    return "\"" + WideToUtf8(text) + "\"";
}

std::wstring Upper(std::wstring text) {
    for (wchar_t& c : text) {
        if (c >= L'a' && c <= L'z') {
            c = static_cast<wchar_t>(c - L'a' + L'A');
        }
    }
    return text;
}

// The name a function call begins with: ASCII letters, digits and "_".
std::wstring LeadingName(const std::wstring& text) {
    size_t end = 0;
    while (end < text.size() &&
           ((text[end] >= L'A' && text[end] <= L'Z') || (text[end] >= L'a' && text[end] <= L'z') ||
            (text[end] >= L'0' && text[end] <= L'9') || text[end] == L'_')) {
        ++end;
    }
    return text.substr(0, end);
}

void ReadValueStatement(const std::wstring& line, std::wstring_view keyword, StatementForm& form) {
    // The interpreter splits at the first "=" and then at the first ";".
    std::wstring text = line;
    const std::wstring head = SplitAt(text, L'=');
    const std::wstring name = SplitAt(text, L';');
    const std::string shape = WideToUtf8(keyword) + "=NAME;";
    if (name.empty()) {
        form.problems.push_back("write " + shape + " (with the \";\"): the line does nothing");
        return;
    }
    if (head != keyword) {
        // The variable it does read is then beside the point: no second finding for it.
        form.problems.push_back("write " + shape + ": as written the line reads the variable " +
                                Quoted(name));
        return;
    }
    form.reads.push_back(name);
}

void ReadCondition(const std::wstring& line, StatementForm& form) {
    const size_t then = line.find(L"THEN");
    const char* unreadable =
        "the condition cannot be read (write IF NAME == NAME THEN, or !=): the body always runs";
    if (then == std::wstring::npos || then < 3 ||
        (line.find(L"==", 1) == std::wstring::npos && line.find(L"!=", 1) == std::wstring::npos)) {
        form.problems.push_back(unreadable);
        return;
    }
    const std::wstring condition = line.substr(3, then - 3);
    size_t op = condition.find(L"==");
    if (op == std::wstring::npos) {
        op = condition.find(L"!=");
    }
    if (op == std::wstring::npos) {
        form.problems.push_back(unreadable);
        return;
    }
    const std::wstring left = condition.substr(0, op);
    const std::wstring right = condition.substr(op + 2);
    const std::wstring rest = ReplaceAll(ReplaceAll(condition, left, L""), right, L"");
    if (rest != L"==" && rest != L"!=") {
        // The interpreter's test that only the operator is left between the operands also fails
        // when one operand holds the other ("A == A", "AB == B").
        form.problems.push_back(
            TrimSpace(left) == TrimSpace(right)
                ? "IF compares a variable with itself: the interpreter cannot read such a "
                  "condition, and the body always runs"
                : "the condition cannot be read (one operand holds the other, or more than one "
                  "operator): the body always runs");
        return;
    }
    form.conditionReadable = true;
    form.left = TrimSpace(left);
    form.right = TrimSpace(right);
    if (form.left.empty() || form.right.empty()) {
        form.problems.push_back(
            "an operand is missing: it reads the variable with the empty name, which is empty");
    }
    for (const std::wstring* operand : {&form.left, &form.right}) {
        if (!operand->empty()) {
            form.reads.push_back(*operand);
        }
    }
    if (!TrimSpace(std::wstring_view(line).substr(then + 4)).empty()) {
        form.problems.push_back("the text after THEN is ignored: the body is on the lines below");
    }
}

void ReadAssignment(const std::wstring& line, StatementForm& form) {
    form.kind = StatementKind::kAssignment;
    std::wstring expression = line;
    SplitAt(expression, L' ');
    const std::wstring name = SplitAt(expression, L'=');
    if (name.empty()) {
        form.problems.push_back(
            "write VAR NAME=VALUE; (a name before \"=\"): the line does nothing");
        return;
    }
    form.writes.push_back(name);
    if (name == L"VIDURL") {
        form.problems.push_back(
            "VAR VIDURL sets only the variable: the run then counts as a success but hands no "
            "media address to the download; write VIDURL=NAME;");
    }
    if (!expression.empty() && expression.front() == L'"') {
        form.literal = true;
        std::wstring text = expression;
        while (!text.empty() && text.back() == L';') {
            text.pop_back();
        }
        if (text.size() < 2 || text.back() != L'"') {
            form.problems.push_back(
                "the text has no closing double quote before \";\": its last character is "
                "dropped instead");
        }
        return;
    }
    const std::wstring written = LeadingName(expression);
    const ScriptFunctionEntry* entry = FindScriptFunction(expression);
    if (entry == nullptr) {
        std::string message = Quoted(written.empty() ? expression : written) +
                              " is neither a text in double quotes nor a function: nothing is "
                              "assigned";
        if (FindScriptFunction(Upper(written)) != nullptr) {
            message += " (function names are written in capitals)";
        } else if (!written.empty() &&
                   written.find_first_not_of(L"0123456789") == std::wstring::npos) {
            message += " (a number is a text too: VAR NAME=\"" + WideToUtf8(written) + "\";)";
        } else if (!written.empty() && written == expression.substr(0, expression.find(L';'))) {
            message += " (to copy a variable, write ADDSTR(" + WideToUtf8(written) + ",EMPTY))";
        }
        form.problems.push_back(message);
        return;
    }
    form.function = std::wstring(entry->name);
    if (written != entry->name) {
        form.problems.push_back("unknown function " + Quoted(written) + ": it runs as " +
                                WideToUtf8(entry->name));
    }
    if (const Signature* signature = FindFunctionSignature(entry->name)) {
        ReadArgumentList(*signature, expression.substr(written.size()), kAssignsNothing, form);
    }
}

std::string UnknownHint(const std::wstring& line) {
    const std::wstring upper = Upper(line);
    if (line == L"ENDIF" || StartsWith(line, L"ENDIF ")) {
        return " (write ENDIF; with the semicolon)";
    }
    if (line == L"END") {
        return " (write END; to end the block)";
    }
    if (StartsWith(line, L"IF")) {
        return " (write IF NAME == NAME THEN)";
    }
    if (FindScriptFunction(upper) != nullptr) {
        return " (a function is called in an assignment: VAR NAME=" +
               WideToUtf8(LeadingName(upper)) + "(...);)";
    }
    for (std::wstring_view keyword : kKeywords) {
        if (upper != line && StartsWith(upper, keyword)) {
            return " (statements are written in capitals)";
        }
    }
    if (line.find(L'=') != std::wstring::npos) {
        return " (an assignment begins with VAR)";
    }
    return "";
}

}  // namespace

std::optional<std::wstring> MarkLabel(const std::wstring& line) {
    const size_t colon = line.find(L':', 5);
    if (!StartsWith(line, L"MARK ") || colon == std::wstring::npos) {
        return std::nullopt;
    }
    return line.substr(5, colon - 5);
}

StatementForm ReadStatement(const std::wstring& line) {
    StatementForm form;
    if (StartsWith(line, L"//")) {
        form.kind = StatementKind::kComment;
        return form;
    }
    if (StartsWith(line, L"VAR ")) {
        ReadAssignment(line, form);
        return form;
    }
    for (const ValueStatement& statement : kValueStatementsFirst) {
        if (StartsWith(line, statement.keyword)) {
            form.kind = statement.kind;
            ReadValueStatement(line, statement.keyword, form);
            return form;
        }
    }
    if (StartsWith(line, L"IF ")) {
        form.kind = StatementKind::kIf;
        ReadCondition(line, form);
        return form;
    }
    if (StartsWith(line, L"ENDIF;")) {
        form.kind = StatementKind::kEndIf;
        return form;
    }
    if (StartsWith(line, L"GOTO ")) {
        form.kind = StatementKind::kGoto;
        std::wstring text = line;
        SplitAt(text, L' ');
        form.label = SplitAt(text, L';');
        if (form.label.empty()) {
            form.problems.push_back("write GOTO LABEL; (with the \";\"): the line does nothing");
        }
        return form;
    }
    if (StartsWith(line, L"MARK ")) {
        form.kind = StatementKind::kMark;
        if (const std::optional<std::wstring> label = MarkLabel(line)) {
            form.label = *label;
        } else {
            form.problems.push_back("write MARK LABEL: (with the colon): no GOTO can reach it");
        }
        return form;
    }
    const std::array<std::pair<std::wstring_view, StatementKind>, 3> listed = {{
        {L"SETCOOKIE", StatementKind::kSetCookie},
        {L"REQUESTLOGIN", StatementKind::kRequestLogin},
        {L"CALLSCRIPT", StatementKind::kCallScript},
    }};
    for (const auto& [keyword, kind] : listed) {
        if (StartsWith(line, keyword)) {
            form.kind = kind;
            const std::wstring rest = line.substr(keyword.size());
            ReadArgumentList(*FindStatementSignature(keyword), rest, kDoesNothing, form);
            return form;
        }
    }
    for (const ValueStatement& statement : kRtmpStatements) {
        if (StartsWith(line, statement.keyword)) {
            form.kind = statement.kind;
            ReadValueStatement(line, statement.keyword, form);
            return form;
        }
    }
    form.problems.push_back("unknown statement: the line is ignored" + UnknownHint(line));
    return form;
}

}  // namespace talvex::scripttools
