#include "scripttools/StatementTracer.h"

#include <algorithm>

#include "platform/Utf8.h"
#include "scripts/ScriptSyntax.h"

namespace talvex::scripttools {

namespace {

// A statement line as it is shown: long ones (a long text in quotes) cut.
std::string StatementText(const std::wstring& line) {
    constexpr size_t kShown = 100;
    if (line.size() <= kShown) {
        return WideToUtf8(line);
    }
    return WideToUtf8(line.substr(0, kShown)) + "...";
}

std::string Name(const std::wstring& name) {
    return WideToUtf8(name);
}

}  // namespace

std::string StatementTracer::LineOf(const SiteScript& script, size_t index) const {
    const int line = lines_.Line(script, index);
    return line > 0 ? std::to_string(line) : "[" + std::to_string(index) + "]";
}

void StatementTracer::BeforeStatement(const SiteScript& script, size_t index,
                                      const ScriptVariables& variables) {
    ++statementsRun_;
    if (!open_.empty() && !open_.back().printed) {
        // A statement that runs another block: its line comes before that block's lines.
        Open& parent = open_.back();
        Print(parent, Effects(parent, parent.index + 1, variables, true), open_.size() - 1);
        parent.printed = true;
    }
    Open open;
    open.script = &script;
    open.index = index;
    open.form = ReadStatement(script.lines[index]);
    if (open.form.kind == StatementKind::kAssignment && !open.form.writes.empty()) {
        if (const std::wstring* value = variables.Find(open.form.writes[0])) {
            open.before = *value;
            open.existed = true;
        }
    }
    open_.push_back(std::move(open));
}

void StatementTracer::AfterStatement(const SiteScript& script, size_t index, size_t next,
                                     const ScriptVariables& variables) {
    const auto mine = [&](const Open& open) {
        return open.script == &script && open.index == index;
    };
    if (std::none_of(open_.begin(), open_.end(), mine)) {
        return;  // not a statement this tracer saw begin
    }
    // Statements above it in a called block that threw never got here.
    while (!mine(open_.back())) {
        if (!open_.back().printed) {
            Print(open_.back(), "  -> did not finish", open_.size() - 1);
        }
        open_.pop_back();
    }
    Open open = std::move(open_.back());
    open_.pop_back();
    const std::string effects = Effects(open, next, variables, false);
    if (open.printed) {
        // The closing line of a statement that ran another block.
        std::fprintf(out_, "%s%s  (end of %s)%s\n", std::string(2 * open_.size(), ' ').c_str(),
                     lines_.Where(*open.script, open.index).c_str(),
                     StatementText(open.script->lines[open.index]).c_str(), effects.c_str());
    } else {
        Print(open, effects, open_.size());
    }
}

void StatementTracer::Finish() {
    while (!open_.empty()) {
        if (!open_.back().printed) {
            Print(open_.back(), "  -> did not finish", open_.size() - 1);
        }
        open_.pop_back();
    }
    std::fflush(out_);
}

std::string StatementTracer::ValueOf(const ScriptVariables& variables,
                                     const std::wstring& name) const {
    const std::wstring* value = variables.Find(name);
    return values_.Format(value != nullptr ? *value : std::wstring());
}

void StatementTracer::Print(const Open& open, const std::string& effects, size_t depth) {
    std::fprintf(out_, "%s%s  %s%s\n", std::string(2 * depth, ' ').c_str(),
                 lines_.Where(*open.script, open.index).c_str(),
                 StatementText(open.script->lines[open.index]).c_str(), effects.c_str());
}

std::string StatementTracer::Effects(const Open& open, size_t next,
                                     const ScriptVariables& variables, bool nestedRunning) {
    const StatementForm& form = open.form;
    const SiteScript& script = *open.script;
    const bool ended = next >= script.Count();
    switch (form.kind) {
        case StatementKind::kComment:
        case StatementKind::kMark:
        case StatementKind::kEndIf:
            return "";
        case StatementKind::kUnknown:
            return "  -> not a statement: ignored";
        case StatementKind::kAssignment: {
            if (form.writes.empty()) {
                return "  -> nothing assigned";
            }
            const std::wstring& name = form.writes[0];
            const std::wstring* after = variables.Find(name);
            if (after == nullptr) {
                return "  -> " + Name(name) + " not set: nothing was assigned";
            }
            return "  -> " + Name(name) + " = " + ValueOf(variables, name) +
                   (open.existed && *after == open.before ? " (unchanged)" : "");
        }
        case StatementKind::kMediaAddress:
            return "  -> VIDURL = " + ValueOf(variables, L"VIDURL");
        case StatementKind::kTitle:
            return "  -> VIDNAME = " + ValueOf(variables, L"VIDNAME");
        case StatementKind::kRtmpPlayPath:
        case StatementKind::kRtmpSwfUrl:
        case StatementKind::kRtmpPageUrl:
            return form.reads.empty() ? "  -> nothing"
                                      : "  -> " + ValueOf(variables, form.reads[0]);
        case StatementKind::kIf: {
            std::string text = "  -> ";
            if (form.conditionReadable) {
                text += Name(form.left) + " = " + ValueOf(variables, form.left) + ", " +
                        Name(form.right) + " = " + ValueOf(variables, form.right) + ": ";
            }
            if (next == open.index + 1) {
                return text + (form.conditionReadable ? "holds, the body runs"
                                                      : "the condition cannot be read, the body "
                                                        "runs");
            }
            // A jump to a last ENDIF; also ends the block; only the line tells them apart.
            if (ended && !StartsWith(script.lines[next - 1], L"ENDIF;")) {
                return text + "does not hold, and no ENDIF; follows: the block ends";
            }
            return text + "does not hold: on after line " + LineOf(script, next - 1);
        }
        case StatementKind::kGoto:
            if (next == open.index + 1) {
                return "  -> no line MARK " + Name(form.label) + ": in this block: goes on";
            }
            return "  -> on after line " + LineOf(script, next - 1);
        case StatementKind::kSetCookie: {
            std::string text = "  ->";
            for (const std::wstring& name : form.reads) {
                text += " " + Name(name) + " = " + ValueOf(variables, name) + ";";
            }
            return text;
        }
        case StatementKind::kRequestLogin: {
            if (form.writes.size() != 3) {
                return "  -> does nothing";
            }
            const std::wstring* password = variables.Find(form.writes[1]);
            if (password != nullptr) {
                values_.AddSecret(*password);
            }
            std::string text =
                "  -> " + Name(form.writes[0]) + " = " + ValueOf(variables, form.writes[0]) + ", " +
                Name(form.writes[1]) + " = (hidden, " +
                std::to_string(password != nullptr ? password->size() : 0) + " chars), " +
                Name(form.writes[2]) + " = " + ValueOf(variables, form.writes[2]);
            if (!nestedRunning) {
                text += ", ERRMSG = " + ValueOf(variables, L"ERRMSG");
            }
            return text;
        }
        case StatementKind::kCallScript:
            if (nestedRunning) {
                return "  -> ORGURL = " + ValueOf(variables, L"ORGURL") + ", runs the block";
            }
            if (!open_.empty()) {
                return "  -> a called block cannot call another: this one ends here";
            }
            return open.printed ? ": the called block's result is the run's"
                                : "  -> ORGURL = " + ValueOf(variables, L"ORGURL") +
                                      ": no block to run, the run fails";
    }
    return "";
}

}  // namespace talvex::scripttools
