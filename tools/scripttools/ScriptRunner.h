#pragma once
// "talvex-scripts run": runs the site script an address selects, with the program's interpreter,
// statement budget, HTTP client (and so its proxy settings and time-outs), language file and
// login prompt, and prints what the program would take from the run.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "scripts/DownloadQuality.h"

namespace talvex::scripttools {

struct RunOptions {
    std::wstring url;
    // Sources (any name but *.qrs), packed together in this order as "pack" would, or one packed
    // script file; none: the script file the program itself loads (the data folder's newest,
    // seeded from the resource folder).
    std::vector<std::filesystem::path> scripts;
    bool trace = false;
    DownloadQuality quality = DownloadQuality::kBest;
    // Every login is answered with this user and password instead of a terminal prompt.
    std::optional<std::wstring> loginUser;
    std::wstring loginPassword;
};

// Results go to out ("name: value" lines), the trace and messages to err. 0 when the run found
// a media address the download could use, 1 otherwise.
int RunSiteScript(const RunOptions& options, std::FILE* out, std::FILE* err);

}  // namespace talvex::scripttools
