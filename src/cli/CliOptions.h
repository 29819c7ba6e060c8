#pragma once
// The command line of talvex-cli, read into options without touching anything else: every
// unknown option, bad value or missing argument is a usage error (exit status 2). Options and
// operands may be mixed; "--" ends the options; a long option takes its value either as the
// next argument or after "=".
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace talvex::cli {

enum class Command { Download, Convert, Sites, Version, Help };

// How playlist and channel addresses are treated: the whole list, only the video the address
// names, or not at all (the Download tab's Yes / No / Cancel).
enum class ListChoice { All, Single, Skip };

struct DownloadOptions {
    std::optional<int32_t> quality;  // a quality code; none: the "DownloadQuality" setting
    std::optional<std::string> folder;
    std::optional<int32_t> convertProfile;  // none: no automatic conversion
    int32_t convertQuality = 0;
    bool deleteOriginal = false;
    ListChoice playlists = ListChoice::All;
    ListChoice channels = ListChoice::All;
    std::vector<std::string> urls;
};

struct ConvertOptions {
    std::optional<int32_t> profile;  // required unless manual is set
    int32_t quality = 0;
    int32_t volume = 100;
    bool trim = false;
    std::string trimStart;
    std::string trimEnd;
    bool replace = false;
    std::optional<std::string> manual;
    std::vector<std::string> files;
};

struct Options {
    Command command = Command::Help;
    DownloadOptions download;
    ConvertOptions convert;
};

struct ParseResult {
    bool ok = false;
    Options options;
    std::string error;  // for a usage error: what was wrong, one line
};

// args excludes the program name.
ParseResult ParseArguments(const std::vector<std::string>& args);

// Names on the command line and the codes behind them; nothing for an unknown name.
std::optional<int32_t> QualityCode(const std::string& name);
std::optional<int32_t> ProfileIndex(const std::string& name);
std::optional<int32_t> ConvertQualityIndex(const std::string& name);

// The usage text printed by --help and after a usage error.
std::string UsageText();

}  // namespace talvex::cli
