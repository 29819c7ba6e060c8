#include "scripttools/ScriptRunner.h"

#include <unistd.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "app/SettingsStore.h"
#include "app/StringTable.h"
#include "cli/Console.h"
#include "cli/TerminalLogin.h"
#include "engine/SiteAddresses.h"
#include "net/DNetworking.h"
#include "net/HttpHeaders.h"
#include "platform/FileOps.h"
#include "platform/Folders.h"
#include "platform/TextHelpers.h"
#include "platform/Utf8.h"
#include "scripts/ScriptFilePaths.h"
#include "scripts/ScriptSyntax.h"
#include "scripts/ScriptTargetRecord.h"
#include "scripts/SiteParser.h"
#include "scripttools/LoginAnswer.h"
#include "scripttools/ScriptChecker.h"
#include "scripttools/ScriptLineMap.h"
#include "scripttools/ScriptPacking.h"
#include "scripttools/StatementTracer.h"
#include "scripttools/ToolCommands.h"

namespace talvex::scripttools {

namespace fs = std::filesystem;

namespace {

struct Loaded {
    std::string label;              // the file (or files) the table came from
    std::vector<SourceLine> lines;  // their text, for line numbers
};

// A packed file, as the program loads it at start (the digest must match).
std::optional<Loaded> LoadPacked(const fs::path& file, SiteParser& parser, std::FILE* err) {
    if (!parser.Scripts().LoadScriptsFrom(file, true)) {
        // Which file and why: missing, unreadable, a digest that does not match ...
        for (const std::string& line : parser.Scripts().LoadReport()) {
            std::fprintf(err, "talvex-scripts: %s\n", line.c_str());
        }
        return std::nullopt;
    }
    return Loaded{file.string(), ScriptFileLines(file).value_or(std::vector<SourceLine>())};
}

// Sources: checked together (the findings are shown, the run goes on), packed into a temporary
// file and loaded from it, so that they run exactly as they would once packed.
std::optional<Loaded> LoadSources(const std::vector<fs::path>& files, SiteParser& parser,
                                  std::FILE* err) {
    Loaded loaded;
    std::vector<std::string> texts;
    for (const fs::path& file : files) {
        std::optional<std::string> bytes = ReadWholeFile(file);
        if (!bytes) {
            std::fprintf(err, "talvex-scripts: cannot read %s\n", file.c_str());
            return std::nullopt;
        }
        const std::vector<SourceLine> lines = SourceFileLines(file.string(), *bytes);
        loaded.lines.insert(loaded.lines.end(), lines.begin(), lines.end());
        loaded.label += (loaded.label.empty() ? "" : " ") + file.string();
        texts.push_back(std::move(*bytes));
    }
    const std::vector<CheckFinding> findings = CheckScriptText(loaded.lines);
    for (const CheckFinding& finding : findings) {
        std::fprintf(err, "%s\n", FormatFinding(finding).c_str());
    }
    if (!findings.empty()) {
        std::fprintf(err, "talvex-scripts: check finds %zu mistake%s; running anyway\n",
                     findings.size(), findings.size() == 1 ? "" : "s");
    }
    const std::optional<std::string> packed = PackSources("source", texts);
    if (!packed) {
        std::fputs("talvex-scripts: a source holds a zero byte\n", err);
        return std::nullopt;
    }
    std::error_code ec;
    const std::optional<fs::path> temp = CreateUniqueTempFile(fs::temp_directory_path(ec), "~qrv");
    const bool ok =
        temp && WriteFileReplacing(*temp, *packed) && parser.Scripts().LoadScriptsFrom(*temp, true);
    if (temp) {
        RemoveRegularFile(*temp);
    }
    if (!ok) {
        std::fputs("talvex-scripts: cannot pack the sources into a temporary file\n", err);
        return std::nullopt;
    }
    return loaded;
}

std::optional<Loaded> Load(const RunOptions& options, SiteParser& parser, std::FILE* err) {
    if (options.scripts.empty()) {
        const std::optional<fs::path> path = ChooseScriptPath();
        if (!path) {
            std::fputs("talvex-scripts: no script file in the data folder and none to seed it\n",
                       err);
            return std::nullopt;
        }
        return LoadPacked(*path, parser, err);
    }
    const bool packed =
        std::any_of(options.scripts.begin(), options.scripts.end(),
                    [](const fs::path& file) { return file.extension() == ".qrs"; });
    if (packed && options.scripts.size() > 1) {
        std::fputs("talvex-scripts: a packed script file (.qrs) runs alone\n", err);
        return std::nullopt;
    }
    return packed ? LoadPacked(options.scripts[0], parser, err)
                  : LoadSources(options.scripts, parser, err);
}

std::string Utf8(const std::wstring& text) {
    return WideToUtf8(text);
}

std::wstring SchemeOf(const std::wstring& url) {
    const size_t separator = url.find(L"://");
    std::wstring scheme = url.substr(0, separator == std::wstring::npos ? 0 : separator);
    for (wchar_t& c : scheme) {
        if (c >= L'A' && c <= L'Z') {
            c = static_cast<wchar_t>(c - L'A' + L'a');
        }
    }
    return scheme;
}

// The download's first request: the size and whether byte ranges are served.
void PrintSizeQuery(const std::wstring& mediaUrl, std::FILE* out) {
    const std::wstring scheme = SchemeOf(mediaUrl);
    if (scheme == L"rtmp" || scheme == L"rtmpe") {
        std::fputs("size: not queried for an RTMP stream\n", out);
        return;
    }
    if (scheme != L"http" && scheme != L"https") {
        std::fputs("size: not queried: the download takes only http, https and rtmp addresses\n",
                   out);
        return;
    }
    DNetworking net(DNetworking::kDefaultUserAgent);
    if (net.QueryHeaders(mediaUrl) != kNetSuccess) {
        const std::wstring status = net.StatusCode();
        std::fprintf(out, "size: the query failed%s: the download would fail\n",
                     status == L"unknown" ? "" : (" (status " + Utf8(status) + ")").c_str());
        return;
    }
    std::wstring ranges;
    const bool acceptsRanges = net.GetResponseHeader(L"accept-ranges", ranges) == kNetSuccess &&
                               LowerAscii(TrimSpace(ranges)) == L"bytes";
    std::fprintf(out, "size: %llu bytes, ranges: %s\n",
                 static_cast<unsigned long long>(net.ContentLength().value_or(0)),
                 acceptsRanges ? "yes" : "no");
}

std::string JoinIds(const std::vector<std::wstring>& ids) {
    std::string text;
    for (const std::wstring& id : ids) {
        text += (text.empty() ? "" : ",") + Utf8(id);
    }
    return text;
}

// What the program would take from the run, one "name: value" line each.
void PrintResults(const ScriptTargetRecord& target, bool ok, std::FILE* out) {
    std::fprintf(out, "title: %s\nextension: %s\nmedia: %s\n", Utf8(target.title).c_str(),
                 Utf8(target.extension).c_str(), Utf8(target.mediaUrl).c_str());
    const std::pair<const char*, const std::wstring*> rtmp[] = {
        {"rtmp play path", &target.rtmpPlayPath},
        {"rtmp swf address", &target.rtmpSwfUrl},
        {"rtmp page address", &target.rtmpPageUrl},
    };
    for (const auto& [label, value] : rtmp) {
        if (!value->empty()) {
            std::fprintf(out, "%s: %s\n", label, Utf8(*value).c_str());
        }
    }
    if (target.isListParent) {
        std::fprintf(out, "ids: %s\n", JoinIds(target.idList).c_str());
    }
    if (ok && !target.mediaUrl.empty()) {
        std::fflush(out);
        PrintSizeQuery(target.mediaUrl, out);
    } else if (ok) {
        std::fputs(
            "error: the variable VIDURL is set but no VIDURL statement handed the address to the "
            "download, which would fail without a message\n",
            out);
    } else if (!target.errorText.empty()) {
        std::fprintf(out, "error: %s\n", Utf8(target.errorText).c_str());
    } else {
        std::fputs("error: the script found no media address and set no error message\n", out);
    }
    std::fflush(out);
}

}  // namespace

int RunSiteScript(const RunOptions& options, std::FILE* out, std::FILE* err) {
    SettingsStore settings;
    StringTable strings;
    strings.LoadCurrentLanguage(settings, ResourceFolder());
    SiteParser parser(&strings);
    const std::optional<Loaded> loaded = Load(options, parser, err);
    if (!loaded) {
        return kExitFailed;
    }
    const std::shared_ptr<const SiteScript> script = parser.GetScript(options.url);
    if (!script) {
        std::fprintf(out, "script: none in %s\nerror: no site script handles this address\n",
                     loaded->label.c_str());
        return kExitFailed;
    }
    const ScriptLineMap lineMap(loaded->lines);
    std::fprintf(out, "script: %s (%s)\n", Utf8(parser.FindSiteKey(options.url)).c_str(),
                 lineMap.FileOf(*script).value_or(loaded->label).c_str());
    std::fflush(out);

    cli::Console console(STDERR_FILENO, isatty(STDERR_FILENO) == 1);
    cli::TerminalLogin terminal(console, &strings, "/dev/tty", -1);
    std::optional<LoginAnswer> answer;
    if (options.loginUser) {
        answer.emplace(*options.loginUser, options.loginPassword);
    }
    parser.SetLoginPrompt(answer ? static_cast<ILoginPrompt*>(&*answer) : &terminal);
    StatementTracer tracer(lineMap, err);
    if (options.trace) {
        parser.SetStatementObserver(&tracer);
    }

    // As a download item sets it up; list addresses as the program expands them when asked to.
    ScriptTargetRecord target;
    target.pageUrl = options.url;
    target.formatChoice = options.quality;
    target.isListParent = IsPlayListAddress(options.url) || IsChannelAddress(options.url);
    const bool ok = parser.Execute1(target);
    parser.SetStatementObserver(nullptr);
    parser.SetLoginPrompt(nullptr);
    if (options.trace) {
        tracer.Finish();
        std::fprintf(err, "(%llu statements run, the limit is %llu)\n",
                     static_cast<unsigned long long>(tracer.StatementsRun()),
                     static_cast<unsigned long long>(SiteParser::kDefaultStatementBudget));
        std::fflush(err);
    }

    const bool usable = ok && !target.mediaUrl.empty();
    PrintResults(target, ok, out);
    return usable ? kExitOk : kExitFailed;
}

}  // namespace talvex::scripttools
