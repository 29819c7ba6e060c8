// Benchmark driver (not a test): downloads one media address end to end through a download
// item, the way the program does (site script, temporary file, size query, one stream or four
// segments, final move), and prints the outcome with the process's peak resident memory.
//   download_bench [--single] MEDIA_URL OUTPUT_FOLDER
// The site script hands the address itself out as the media address. The item uses four
// segments when the server accepts ranges; --single makes it use one stream, as it does after a
// server refused ranges. Exit code 0 when the file was stored.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "download/DownloadItem.h"
#include "download/DownloadPaths.h"
#include "platform/Tick.h"
#include "platform/Utf8.h"
#include "scripts/Encryption.h"
#include "scripts/ScriptFile.h"
#include "scripts/SiteParser.h"
#include "unit/download/RecordingSink.h"

namespace {

// Peak resident set size of this process in KiB (VmHWM).
long PeakResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::strtol(line.c_str() + 6, nullptr, 10);
        }
    }
    return -1;
}

bool LoadScript(talvex::SiteParser& parser, const std::filesystem::path& folder) {
    const std::string body =
        "SITE \"127.0.0.1\"\r\nBEGIN\r\nVAR U=ADDSTR(ORGURL,EMPTY);\r\nVIDURL=U;\r\n"
        "VAR T=\"bench\";\r\nVIDNAME=T;\r\nEND;\r\n";
    std::optional<std::string> plain = talvex::ComposeScriptText("1", body);
    if (!plain) {
        return false;
    }
    const std::filesystem::path file = folder / "bench-scripts.qrs";
    std::ofstream(file, std::ios::binary) << talvex::QRV::Encryption().Encipher(*plain);
    return parser.Scripts().LoadScriptsFrom(file, true);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace talvex;
    const bool single = argc == 4 && std::strcmp(argv[1], "--single") == 0;
    if (argc != (single ? 4 : 3)) {
        std::fprintf(stderr, "usage: %s [--single] MEDIA_URL OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const char* url = argv[single ? 2 : 1];
    const std::filesystem::path folder = argv[single ? 3 : 2];
    std::filesystem::create_directories(folder);
    SiteParser parser;
    if (!LoadScript(parser, folder)) {
        std::fprintf(stderr, "cannot load the benchmark script\n");
        return 2;
    }
    test::RecordingSink sink;
    RefPtr<DownloadItem> item(new DownloadItem(&parser, DownloadQuality::kNormal, false));
    item->ownerWindow = &sink;
    item->workPath = FromPath(folder);
    item->SetPageUrl(Utf8ToWide(url));
    if (single) {
        item->SetRetrySingle();
    }
    const uint64_t start = TickMs();
    if (!item->Run() || !sink.WaitFinished(item.get(), 1, 600000)) {
        std::fprintf(stderr, "the download did not finish\n");
        return 1;
    }
    test::WaitUntil([&] { return item->RefCount() == 1; }, 10000);
    const uint64_t elapsed = TickMs() - start;
    const bool stored = item->state.load() == ActivityState::Completed;
    std::printf("%s %s segments=%s ms=%llu peak_rss_kib=%ld file=%s\n",
                stored ? "stored" : "failed", item->IsMultiStream() ? "multi" : "single",
                item->IsMultiStream() ? "4" : "1", static_cast<unsigned long long>(elapsed),
                PeakResidentKiB(), WideToUtf8(item->OutputPath()).c_str());
    return stored ? 0 : 1;
}
