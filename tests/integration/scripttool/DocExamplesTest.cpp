// Every example of docs/site-scripts.md runs and gives what the page says it gives. An example is
// a fenced block marked "script" (statements, run as the block of the key "docs.example" for the
// address kExampleAddress) or "scriptfile" (a whole source, run for the address on its
// "talvex-scripts run" comment line). Its comment lines state the results:
//   // -> NAME = "value"        the variable holds exactly value when the run reaches the line
//   // -> NAME begins "value"   ... begins with value
//   // -> NAME matches "regex"  ... matches the regular expression as a whole
//   // -> result: FIELD = "value"  after the run: title, extension, media, error, ids, or
//                                  rtmp play path / rtmp swf address / rtmp page address
// The examples run in this process, through the program's interpreter, against the fixture
// video site.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <sstream>

#include "integration/sitescripts/FixtureSite.h"
#include "platform/Utf8.h"
#include "scripts/ScriptSyntax.h"
#include "scripts/ScriptTargetRecord.h"
#include "scripts/SiteParser.h"
#include "scripttools/ScriptChecker.h"
#include "scripttools/ScriptPacking.h"
#include "scripttools/SourceLines.h"
#include "support/TestHome.h"

namespace talvex::test {
namespace {

namespace fs = std::filesystem;

constexpr const wchar_t* kExampleAddress = L"http://docs.example/watch?v=1";

struct Example {
    int line = 0;  // of the fence in the page
    bool wholeFile = false;
    std::string text;
};

std::vector<Example> Examples() {
    std::istringstream in(ReadFileBytes(fs::path(TALVEX_SOURCE_DIR) / "docs" / "site-scripts.md"));
    std::vector<Example> examples;
    std::string line;
    Example* open = nullptr;
    for (int number = 1; std::getline(in, line); ++number) {
        if (open != nullptr) {
            if (line.rfind("```", 0) == 0) {
                open = nullptr;
            } else {
                open->text += line + "\n";
            }
        } else if (line == "```script" || line == "```scriptfile") {
            examples.push_back({number, line == "```scriptfile", ""});
            open = &examples.back();
        }
    }
    return examples;
}

struct Expectation {
    std::wstring name;
    std::string how;  // "=", "begins", "matches"
    std::wstring value;
};

// "// -> NAME = "value"" and the other forms; nothing for any other line.
std::optional<Expectation> ReadExpectation(std::wstring line) {
    if (!StartsWith(line, L"// -> ")) {
        return std::nullopt;
    }
    line = line.substr(6);
    const size_t first = line.find(L'"');
    const size_t last = line.rfind(L'"');
    if (first == std::wstring::npos || last == first) {
        return std::nullopt;
    }
    const std::wstring head = TrimSpace(line.substr(0, first));
    for (const char* how : {" =", " begins", " matches"}) {
        const std::wstring suffix = Utf8ToWide(how);
        if (head.size() > suffix.size() && head.ends_with(suffix)) {
            return Expectation{TrimSpace(head.substr(0, head.size() - suffix.size())), how + 1,
                               line.substr(first + 1, last - first - 1)};
        }
    }
    return std::nullopt;
}

std::string Describe(const Expectation& e, const std::wstring& actual) {
    return WideToUtf8(e.name) + " " + e.how + " \"" + WideToUtf8(e.value) + "\", but it is \"" +
           WideToUtf8(actual) + "\"";
}

bool Meets(const Expectation& e, const std::wstring& actual) {
    if (e.how == "=") {
        return actual == e.value;
    }
    if (e.how == "begins") {
        return StartsWith(actual, e.value);
    }
    return std::regex_match(WideToUtf8(actual), std::regex(WideToUtf8(e.value)));
}

// Checks the variable expectations as the run passes their comment lines.
class ExpectationChecker : public IStatementObserver {
public:
    void BeforeStatement(const SiteScript&, size_t, const ScriptVariables&) override {}
    void AfterStatement(const SiteScript& script, size_t index, size_t,
                        const ScriptVariables& variables) override {
        const std::optional<Expectation> e = ReadExpectation(script.lines[index]);
        if (!e || StartsWith(e->name, L"result:")) {
            return;
        }
        ++checked;
        const std::wstring* value = variables.Find(e->name);
        const std::wstring actual = value != nullptr ? *value : std::wstring();
        if (!Meets(*e, actual)) {
            failures.push_back(Describe(*e, actual));
        }
    }
    int checked = 0;
    std::vector<std::string> failures;
};

std::wstring ResultField(const ScriptTargetRecord& record, const std::wstring& field) {
    if (field == L"ids") {
        std::wstring ids;
        for (const std::wstring& id : record.idList) {
            ids += (ids.empty() ? L"" : L",") + id;
        }
        return ids;
    }
    const std::map<std::wstring, const std::wstring*> fields = {
        {L"title", &record.title},
        {L"extension", &record.extension},
        {L"media", &record.mediaUrl},
        {L"error", &record.errorText},
        {L"rtmp play path", &record.rtmpPlayPath},
        {L"rtmp swf address", &record.rtmpSwfUrl},
        {L"rtmp page address", &record.rtmpPageUrl},
    };
    const auto found = fields.find(field);
    return found != fields.end() ? *found->second : L"(no such result field)";
}

// The address on the "talvex-scripts run" line of a whole-file example.
std::wstring RunAddress(const std::string& text) {
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("//", 0) == 0 && line.find("talvex-scripts run") != std::string::npos) {
            return Utf8ToWide(line.substr(line.rfind(' ') + 1));
        }
    }
    return {};
}

class DocExamples : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(site_.Start()) << site_.LastError(); }

    TestHome home_;
    FixtureSite site_;
};

TEST_F(DocExamples, EveryExampleGivesWhatThePageSays) {
    const std::vector<Example> examples = Examples();
    ASSERT_GE(examples.size(), 30u);
    for (const Example& example : examples) {
        SCOPED_TRACE("docs/site-scripts.md:" + std::to_string(example.line));
        const std::string text = example.wholeFile
                                     ? example.text
                                     : "SITE \"docs.example\"\nBEGIN\n" + example.text + "END;\n";
        const std::wstring address = example.wholeFile ? RunAddress(text) : kExampleAddress;
        ASSERT_FALSE(address.empty()) << "no \"talvex-scripts run\" line";
        if (example.wholeFile) {
            for (const scripttools::CheckFinding& finding :
                 scripttools::CheckScriptText(scripttools::SourceFileLines("example", text))) {
                ADD_FAILURE() << scripttools::FormatFinding(finding);
            }
        }
        TempDir dir;
        const fs::path file = dir.Path() / "example.qrs";
        ASSERT_TRUE(
            scripttools::WriteFileReplacing(file, scripttools::PackSources("1", {text}).value()));
        SiteParser parser;
        ASSERT_TRUE(parser.Scripts().LoadScriptsFrom(file, true));
        ExpectationChecker checker;
        parser.SetStatementObserver(&checker);
        ScriptTargetRecord record;
        record.pageUrl = address;
        record.formatChoice = DownloadQuality::kBest;
        record.isListParent = true;
        parser.Execute1(record);
        for (const std::string& failure : checker.failures) {
            ADD_FAILURE() << failure;
        }
        int results = 0;
        int during = 0;
        std::istringstream lines(text);
        std::string line;
        while (std::getline(lines, line)) {
            const std::optional<Expectation> e = ReadExpectation(TrimSpace(Utf8ToWide(line)));
            if (e && StartsWith(e->name, L"result:")) {
                ++results;
                const std::wstring actual = ResultField(record, TrimSpace(e->name.substr(7)));
                EXPECT_TRUE(Meets(*e, actual)) << Describe(*e, actual);
            } else if (e) {
                ++during;
            }
        }
        EXPECT_EQ(checker.checked, during) << "a stated value on a line the run never reached";
        EXPECT_GT(during + results, 0) << "an example that states no result";
    }
}

}  // namespace
}  // namespace talvex::test
