#pragma once
// The command line of talvex-cli, read into options without touching anything else: every
// unknown option, bad value or missing argument is a usage error (exit status 2). Options and
// operands may be mixed; "--" ends the options; a long option takes its value either as the
// next argument or after "=".
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "activity/ConversionQuality.h"
#include "scripts/DownloadQuality.h"

namespace talvex::cli {

enum class Command { Download, Convert, Sites, Version, Help };

// How playlist and channel addresses are treated: the whole list, only the video the address
// names, or not at all (the Download tab's Yes / No / Cancel).
enum class ListChoice { All, Single, Skip };

struct DownloadOptions {
    std::optional<DownloadQuality> quality;  // none: the "DownloadQuality" setting
    std::optional<std::string> folder;
    std::optional<int32_t> convertProfile;  // none: no automatic conversion
    ConversionQuality convertQuality = ConversionQuality::kHigh;
    bool deleteOriginal = false;
    // Start over instead of going on with an unfinished download of the same address.
    bool noContinue = false;
    // Bytes a second for this run (0: none); none: the "MaxDownloadSpeed" setting.
    std::optional<uint64_t> limitRate;
    ListChoice playlists = ListChoice::All;
    ListChoice channels = ListChoice::All;
    std::vector<std::string> urls;
};

struct ConvertOptions {
    std::optional<int32_t> profile;  // required unless manual is set
    ConversionQuality quality = ConversionQuality::kHigh;
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

// Names on the command line and what they stand for; nothing for an unknown name.
std::optional<DownloadQuality> QualityCode(const std::string& name);
std::optional<int32_t> ProfileIndex(const std::string& name);
std::optional<ConversionQuality> ConvertQualityIndex(const std::string& name);
// A rate as --limit-rate takes it: a whole number of bytes a second, or of KB (k, K: 1,024
// bytes) or MB (m, M: 1,048,576 bytes) with the letter right after it ("500k", "2M"); nothing
// for anything else.
std::optional<uint64_t> ByteRate(const std::string& text);

// The usage text printed by --help and after a usage error.
std::string UsageText();

}  // namespace talvex::cli
