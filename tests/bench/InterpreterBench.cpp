// How fast the site script interpreter runs, and proof that its text functions stay linear in
// the length of the page: each text benchmark runs at several sizes with an adversarial pattern
// (a long marker that almost matches everywhere) and reports its complexity fit. Two more show
// the run limits at work: how soon a script that rewrites huge texts is refused under the
// default limits, and what share of the character limit the bundled scripts use on large pages
// (served by a real nginx; skipped when it does not start).
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "app/SettingsStore.h"
#include "platform/Folders.h"
#include "platform/Utf8.h"
#include "scripts/Encryption.h"
#include "scripts/FileNameSanitizer.h"
#include "scripts/ScriptFile.h"
#include "scripts/ScriptTargetRecord.h"
#include "scripts/ScriptTextFunctions.h"
#include "scripts/SiteParser.h"
#include "scripts/TextSearch.h"
#include "support/NginxServer.h"
#include "support/TestHome.h"

namespace talvex {
namespace {

constexpr size_t kMiB = size_t{1} << 20;

// A page of the given length: "x" filler with a marker pair near its end.
std::wstring Page(size_t length) {
    std::wstring page(length, L'x');
    const std::wstring tail = L"<a href=\"rtmp://media/clip\">";
    page.replace(length - tail.size() - 100, tail.size(), tail);
    return page;
}

// A long text that almost matches at every position of an all-"a" text.
std::wstring NearMiss(size_t length) {
    return std::wstring(length - 1, L'a') + L"b";
}

class ScriptBench {
public:
    // Loads one script under "bench.test"; settingsFile: whether a settings file exists (the
    // debug log reads it at every line, as in real use).
    ScriptBench(const std::vector<std::wstring>& lines, bool settingsFile) {
        if (settingsFile) {
            SettingsStore().SetNumber(setting::kDebugLogging, 0);
            SettingsStore().SetString(setting::kLanguage, L"1033");
        }
        std::string body = "SITE \"bench.test\"\r\nBEGIN\r\n";
        for (const std::wstring& line : lines) {
            body += WideToUtf8(line) + "\r\n";
        }
        body += "END;\r\n";
        const auto text = ComposeScriptText("1.0", body);
        const auto file = home_.Root() / "scripts0.qrs";
        test::WriteFileBytes(file, QRV::Encryption().Encipher(*text));
        loaded_ = text && parser_.Scripts().LoadScriptsFrom(file, false);
        target_.pageUrl = L"http://bench.test/page";
    }
    bool Loaded() const { return loaded_; }
    bool Run() { return parser_.Execute1(target_); }
    bool RunWith(ScriptRun& run) {
        run.variables.Set(L"ORGURL", target_.pageUrl);
        return parser_.Execute2(*parser_.GetScript(target_.pageUrl), target_, run, false);
    }
    // Statements one run executes.
    uint64_t CountStatements() {
        auto script = parser_.GetScript(target_.pageUrl);
        ScriptRun run(SiteParser::kDefaultStatementBudget);
        run.variables.Set(L"ORGURL", target_.pageUrl);
        parser_.Execute2(*script, target_, run, false);
        return SiteParser::kDefaultStatementBudget - run.statementsLeft;
    }

private:
    test::TestHome home_;
    SiteParser parser_;
    ScriptTargetRecord target_;
    bool loaded_ = false;
};

// The loop: GOTO/MARK with IF and ADDSTR, SUBSTR, REPLACE on short texts: the interpreter's
// own cost per statement.
std::vector<std::wstring> CounterLoop(int rounds) {
    return {L"VAR n = \"\";",
            L"VAR x = \"x\";",
            L"VAR y = \"y\";",
            L"VAR s = \"abc=x&def=y\";",
            L"VAR limit = \"" + std::wstring(rounds, L'x') + L"\";",
            L"MARK loop:",
            L"// one round",
            L"VAR n = ADDSTR(n, x);",
            L"VAR m = SUBSTR(FWD, s, x, y);",
            L"VAR r = REPLACE(s, x, y);",
            L"IF n != limit THEN",
            L"GOTO loop;",
            L"ENDIF;",
            L"VAR u = \"rtmp://media/clip\";",
            L"VIDURL = u;"};
}

// The same loop cutting and rewriting a 1 MiB page each round.
std::vector<std::wstring> PageLoop(int rounds) {
    return {L"VAR page = \"" + Page(kMiB) + L"\";",
            L"VAR n = \"\";",
            L"VAR x = \"x\";",
            L"VAR limit = \"" + std::wstring(rounds, L'x') + L"\";",
            L"VAR start = \"<a href=\"\";",
            L"VAR end = \"\"\";",
            L"VAR y = \"y\";",
            L"MARK loop:",
            L"VAR n = ADDSTR(n, x);",
            L"VAR u = SUBSTR(FWD, page, start, end);",
            L"VAR p = REPLACE(page, x, y);",
            L"VAR at = FINDSTR(page, start, EMPTY);",
            L"IF n != limit THEN",
            L"GOTO loop;",
            L"ENDIF;",
            L"VIDURL = u;"};
}

void RunScript(benchmark::State& state, const std::vector<std::wstring>& lines, bool settings) {
    ScriptBench bench(lines, settings);
    if (!bench.Loaded()) {
        state.SkipWithError("script file did not load");
        return;
    }
    const uint64_t statements = bench.CountStatements();
    for (auto _ : state) {
        benchmark::DoNotOptimize(bench.Run());
    }
    state.counters["statements"] = static_cast<double>(statements);
    state.counters["statements/s"] = benchmark::Counter(
        static_cast<double>(statements) * static_cast<double>(state.iterations()),
        benchmark::Counter::kIsRate);
}

void BM_CounterLoop(benchmark::State& state) {
    RunScript(state, CounterLoop(static_cast<int>(state.range(0))), state.range(1) != 0);
}
// Second argument: 1 with a settings file present (the debug log reads it at every line).
BENCHMARK(BM_CounterLoop)->Args({2000, 0})->Args({2000, 1})->Unit(benchmark::kMillisecond);

void BM_PageLoop(benchmark::State& state) {
    RunScript(state, PageLoop(static_cast<int>(state.range(0))), false);
}
BENCHMARK(BM_PageLoop)->Arg(20)->Unit(benchmark::kMillisecond);

// --- the run limits ---

// Doubles X to the 32 Mi value bound, then rewrites it whole every round: about half a second
// a round, a million-statement loop for hours without the run limits. Figures: how long until
// the run is refused, after how many statements, and by which limit.
void BM_HostileRewriteLoop(benchmark::State& state) {
    ScriptBench bench({L"VAR X = \"xxxxxxxx\";", L"MARK again:", L"VAR X = ADDSTR(X, X);",
                       L"VAR X = REPLACE(X, X, X);", L"GOTO again;"},
                      false);
    if (!bench.Loaded()) {
        state.SkipWithError("script file did not load");
        return;
    }
    ScriptRunEnd ended = ScriptRunEnd::kNone;
    uint64_t statements = 0;
    for (auto _ : state) {
        ScriptRun run(ScriptLimits{});
        bench.RunWith(run);
        ended = run.ended;
        statements = ScriptLimits().statements - run.statementsLeft;
    }
    if (ended != ScriptRunEnd::kCharacters && ended != ScriptRunEnd::kBusyTime) {
        state.SkipWithError("the run was not refused by the character or the time limit");
    }
    state.counters["statements"] = static_cast<double>(statements);
    // 1: the time limit ended it first; 0: the character limit.
    state.counters["by_time"] = ended == ScriptRunEnd::kBusyTime ? 1.0 : 0.0;
}
BENCHMARK(BM_HostileRewriteLoop)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// Pages of about 1 MiB for the bundled youtube.com script: a watch page (the fixture's, padded
// with markup before its player), and a playlist of 200 videos with markup between them.
class LargeSite {
public:
    LargeSite() {
        const std::string filler =
            "<div class=\"related-item\"><a href=\"/watch?v=other\">Another video you may "
            "like</a><span class=\"stat\">1,234 views</span></div>\n";
        std::string padding;
        while (padding.size() < kMiB) {
            padding += filler;
        }
        std::string watch = test::ReadFileBytes(std::filesystem::path(TALVEX_SOURCE_DIR) /
                                                "tests/fixtures/site/www.youtube.com/watch/"
                                                "aHDtour2011.html");
        watch.insert(watch.find("<div id=\"watch-player\""), padding);
        test::WriteFileBytes(root_.Path() / "watch", watch);
        std::string list = "<html><body><ol>\n";
        for (int i = 0; i < 200; ++i) {
            list +=
                "<li data-video-id=\"aHDtour2011\">" + padding.substr(0, kMiB / 200) + "</li>\n";
        }
        list += "</ol></body></html>\n";
        test::WriteFileBytes(root_.Path() / "playlist", list);
        nginx_.SetRoot(root_.Path());
        nginx_.AddVirtualHost("www.youtube.com", root_.Path());
        started_ = nginx_.Start();
        if (started_) {
            proxy_ = std::make_unique<test::ScopedEnv>("http_proxy", nginx_.ProxyAddress());
        }
    }
    bool Started() const { return started_; }

private:
    test::TempDir root_;
    test::NginxServer nginx_;
    bool started_ = false;
    std::unique_ptr<test::ScopedEnv> proxy_;
};

// Characters the bundled script charges for one address, and their share of the limit.
void BM_BundledScriptOnLargePage(benchmark::State& state, const wchar_t* address) {
    static LargeSite site;
    test::TestHome home;
    SiteParser parser;
    if (!site.Started() ||
        !parser.Scripts().LoadScriptsFrom(ResourceFolder() / "scripts.qrs", true)) {
        state.SkipWithError("no nginx, or no bundled scripts.qrs beside the program");
        return;
    }
    ScriptTargetRecord target;
    target.pageUrl = address;
    target.formatChoice = DownloadQuality::kBest;
    uint64_t characters = 0;
    for (auto _ : state) {
        ScriptRun run(ScriptLimits{});
        run.variables.Set(L"ORGURL", target.pageUrl);
        parser.Execute2(*parser.GetScript(target.pageUrl), target, run, false);
        characters = ScriptLimits().characters - run.charactersLeft;
    }
    if (target.mediaUrl.empty()) {
        state.SkipWithError("the script found no media address");
    }
    state.counters["characters"] = static_cast<double>(characters);
    state.counters["limit_share"] =
        static_cast<double>(characters) / static_cast<double>(ScriptLimits().characters);
}
BENCHMARK_CAPTURE(BM_BundledScriptOnLargePage, watch, L"http://www.youtube.com/watch?v=aHDtour2011")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_BundledScriptOnLargePage, playlist,
                  L"http://www.youtube.com/playlist?list=PLlarge")
    ->Unit(benchmark::kMillisecond);

// --- text functions on 1 MiB (and the sizes around it, for the complexity fit) ---

void BM_SubStrPage(benchmark::State& state) {
    const std::wstring page = Page(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(SubStr(L"FWD", page, L"<a href=\"", L"\""));
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_SubStrPage)->RangeMultiplier(2)->Range(128 << 10, 2 << 20)->Complexity();

void BM_SubStrNearMissMarker(benchmark::State& state) {
    const size_t n = static_cast<size_t>(state.range(0));
    const std::wstring text(n, L'a');
    const std::wstring marker = NearMiss(n / 2);
    for (auto _ : state) {
        benchmark::DoNotOptimize(SubStr(L"REV", text, marker, marker));
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_SubStrNearMissMarker)->RangeMultiplier(2)->Range(128 << 10, 2 << 20)->Complexity();

void BM_ReplacePage(benchmark::State& state) {
    const std::wstring page = Page(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(ReplaceAll(page, L"x", L"yy"));
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ReplacePage)->RangeMultiplier(2)->Range(128 << 10, 2 << 20)->Complexity();

void BM_ReplaceNearMiss(benchmark::State& state) {
    const size_t n = static_cast<size_t>(state.range(0));
    const std::wstring text(n, L'a');
    const std::wstring search = NearMiss(n / 2);
    for (auto _ : state) {
        benchmark::DoNotOptimize(ReplaceAll(text, search, L"z"));
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ReplaceNearMiss)->RangeMultiplier(2)->Range(128 << 10, 2 << 20)->Complexity();

void BM_FindStrPage(benchmark::State& state) {
    const std::wstring page = Page(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(FindStr(page, L"<a href=\"", 0));
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_FindStrPage)->RangeMultiplier(2)->Range(128 << 10, 2 << 20)->Complexity();

void BM_FindStrNearMiss(benchmark::State& state) {
    const size_t n = static_cast<size_t>(state.range(0));
    const std::wstring text(n, L'a');
    const std::wstring search = NearMiss(n / 2);
    for (auto _ : state) {
        benchmark::DoNotOptimize(FindStr(text, search, 0));
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_FindStrNearMiss)->RangeMultiplier(2)->Range(128 << 10, 2 << 20)->Complexity();

void BM_StrFromArrManyDelimiters(benchmark::State& state) {
    const size_t n = static_cast<size_t>(state.range(0));
    std::wstring text(n, L'a');
    std::wstring delimiters;
    for (size_t i = 0; i < n / 4; ++i) {
        delimiters += static_cast<wchar_t>(0x4e00 + i);
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(StrFromArr(text, delimiters, 2));
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_StrFromArrManyDelimiters)->RangeMultiplier(2)->Range(128 << 10, 2 << 20)->Complexity();

// The end-of-run title chain (text codecs and sanitiser) on a title as long as a page.
void BM_TitleChain(benchmark::State& state) {
    const size_t n = static_cast<size_t>(state.range(0));
    std::wstring title;
    while (title.size() < n) {
        title += L"a.EXE &amp; &#65; ";
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(TitleToFileName(title));
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_TitleChain)->RangeMultiplier(2)->Range(64 << 10, 1 << 20)->Complexity();

}  // namespace
}  // namespace talvex

BENCHMARK_MAIN();
