#include "cli/CliOptions.h"

#include <charconv>
#include <functional>
#include <system_error>
#include <utility>

namespace talvex::cli {

namespace {

template <class T>
std::optional<T> Lookup(const std::vector<std::pair<const char*, T>>& table,
                        const std::string& name) {
    for (const auto& [key, value] : table) {
        if (name == key) {
            return value;
        }
    }
    return std::nullopt;
}

std::optional<ListChoice> ListChoiceOf(const std::string& name) {
    return Lookup<ListChoice>(
        {{"all", ListChoice::All}, {"single", ListChoice::Single}, {"skip", ListChoice::Skip}},
        name);
}

std::optional<int32_t> WholeNumber(const std::string& text) {
    int32_t value = 0;
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    if (text.empty() || result.ec != std::errc() || result.ptr != end) {
        return std::nullopt;
    }
    return value;
}

// One option of a command: its names, how many values it takes, and what it does with them
// (an error text when a value is bad).
struct OptionRule {
    const char* shortName;  // "-q", or nullptr
    const char* longName;   // "--quality"
    int values;
    std::function<std::string(const std::vector<std::string>&)> apply;
};

std::string BadValue(const std::string& option, const std::string& value) {
    return "invalid value '" + value + "' for " + option;
}

std::vector<OptionRule> DownloadRules(DownloadOptions& o) {
    return {
        {"-q", "--quality", 1,
         [&o](const std::vector<std::string>& v) {
             o.quality = QualityCode(v[0]);
             return o.quality ? std::string() : BadValue("--quality", v[0]);
         }},
        {"-o", "--folder", 1,
         [&o](const std::vector<std::string>& v) {
             o.folder = v[0];
             return v[0].empty() ? BadValue("--folder", v[0]) : std::string();
         }},
        {nullptr, "--convert", 1,
         [&o](const std::vector<std::string>& v) {
             o.convertProfile = ProfileIndex(v[0]);
             return o.convertProfile ? std::string() : BadValue("--convert", v[0]);
         }},
        {nullptr, "--convert-quality", 1,
         [&o](const std::vector<std::string>& v) {
             const auto q = ConvertQualityIndex(v[0]);
             o.convertQuality = q.value_or(ConversionQuality::kHigh);
             return q ? std::string() : BadValue("--convert-quality", v[0]);
         }},
        {nullptr, "--delete-original", 0,
         [&o](const std::vector<std::string>&) {
             o.deleteOriginal = true;
             return std::string();
         }},
        {nullptr, "--no-continue", 0,
         [&o](const std::vector<std::string>&) {
             o.noContinue = true;
             return std::string();
         }},
        {nullptr, "--limit-rate", 1,
         [&o](const std::vector<std::string>& v) {
             o.limitRate = ByteRate(v[0]);
             return o.limitRate ? std::string()
                                : BadValue("--limit-rate", v[0]) +
                                      " (bytes per second, or with k or M: 500k, 2M; 0: none)";
         }},
        {nullptr, "--playlists", 1,
         [&o](const std::vector<std::string>& v) {
             const auto c = ListChoiceOf(v[0]);
             o.playlists = c.value_or(ListChoice::All);
             return c ? std::string() : BadValue("--playlists", v[0]);
         }},
        {nullptr, "--channels", 1,
         [&o](const std::vector<std::string>& v) {
             const auto c = ListChoiceOf(v[0]);
             o.channels = c.value_or(ListChoice::All);
             return c ? std::string() : BadValue("--channels", v[0]);
         }},
    };
}

std::vector<OptionRule> ConvertRules(ConvertOptions& o) {
    return {
        {"-p", "--profile", 1,
         [&o](const std::vector<std::string>& v) {
             o.profile = ProfileIndex(v[0]);
             return o.profile ? std::string() : BadValue("--profile", v[0]);
         }},
        {nullptr, "--quality", 1,
         [&o](const std::vector<std::string>& v) {
             const auto q = ConvertQualityIndex(v[0]);
             o.quality = q.value_or(ConversionQuality::kHigh);
             return q ? std::string() : BadValue("--quality", v[0]);
         }},
        {nullptr, "--volume", 1,
         [&o](const std::vector<std::string>& v) {
             const auto n = WholeNumber(v[0]);
             if (!n || *n < 0 || *n > 200) {
                 return BadValue("--volume", v[0]) + " (0 to 200)";
             }
             o.volume = *n;
             return std::string();
         }},
        {nullptr, "--trim", 2,
         [&o](const std::vector<std::string>& v) {
             o.trim = true;
             o.trimStart = v[0];
             o.trimEnd = v[1];
             return std::string();
         }},
        {nullptr, "--replace", 0,
         [&o](const std::vector<std::string>&) {
             o.replace = true;
             return std::string();
         }},
        {nullptr, "--manual", 1,
         [&o](const std::vector<std::string>& v) {
             o.manual = v[0];
             return v[0].empty() ? BadValue("--manual", v[0]) : std::string();
         }},
    };
}

// Reads the options and operands after the command word; an error text, or empty.
std::string ParseCommandArguments(const std::vector<std::string>& args, size_t first,
                                  std::vector<OptionRule> rules,
                                  std::vector<std::string>& operands) {
    bool optionsEnded = false;
    for (size_t i = first; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            operands.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        std::string name = arg;
        std::optional<std::string> inlineValue;
        if (arg.rfind("--", 0) == 0) {
            const size_t eq = arg.find('=');
            if (eq != std::string::npos) {
                name = arg.substr(0, eq);
                inlineValue = arg.substr(eq + 1);
            }
        }
        const OptionRule* rule = nullptr;
        for (const OptionRule& s : rules) {
            if (name == s.longName || (s.shortName != nullptr && name == s.shortName)) {
                rule = &s;
            }
        }
        if (rule == nullptr) {
            return "unknown option " + name;
        }
        std::vector<std::string> values;
        if (inlineValue) {
            if (rule->values != 1) {
                return "option " + name + " takes " +
                       (rule->values == 0 ? "no value" : std::to_string(rule->values) + " values");
            }
            values.push_back(*inlineValue);
        } else {
            const size_t count = static_cast<size_t>(rule->values);
            if (count > 0 && i + count >= args.size()) {
                return "option " + name + " needs " +
                       (rule->values == 1 ? std::string("a value") : "two values");
            }
            for (size_t k = 0; k < count; ++k) {
                values.push_back(args[++i]);
            }
        }
        if (std::string error = rule->apply(values); !error.empty()) {
            return error;
        }
    }
    return {};
}

}  // namespace

std::optional<DownloadQuality> QualityCode(const std::string& name) {
    return Lookup<DownloadQuality>({{"best", DownloadQuality::kBest},
                                    {"1080p", DownloadQuality::kHd1080},
                                    {"720p", DownloadQuality::kHd720},
                                    {"480p", DownloadQuality::kHq480},
                                    {"360p-flv", DownloadQuality::kHq360Flv},
                                    {"360p-mp4", DownloadQuality::kHq360Mp4},
                                    {"normal", DownloadQuality::kNormal}},
                                   name);
}

std::optional<int32_t> ProfileIndex(const std::string& name) {
    return Lookup<int32_t>(
        {{"ipod", 0}, {"iphone", 1}, {"psp", 2}, {"cell", 3}, {"wmv", 4}, {"xvid", 5}, {"mp3", 6}},
        name);
}

std::optional<ConversionQuality> ConvertQualityIndex(const std::string& name) {
    return Lookup<ConversionQuality>({{"high", ConversionQuality::kHigh},
                                      {"optimal", ConversionQuality::kOptimal},
                                      {"medium", ConversionQuality::kMedium},
                                      {"low", ConversionQuality::kLow}},
                                     name);
}

std::optional<uint64_t> ByteRate(const std::string& text) {
    uint64_t multiplier = 1;
    std::string digits = text;
    if (!digits.empty()) {
        const char unit = digits.back();
        if (unit == 'k' || unit == 'K') {
            multiplier = 1024;
        } else if (unit == 'm' || unit == 'M') {
            multiplier = 1024 * 1024;
        }
        if (multiplier != 1) {
            digits.pop_back();
        }
    }
    uint64_t value = 0;
    const char* end = digits.data() + digits.size();
    const auto result = std::from_chars(digits.data(), end, value);
    if (digits.empty() || result.ec != std::errc() || result.ptr != end ||
        value > UINT64_MAX / multiplier) {
        return std::nullopt;
    }
    return value * multiplier;
}

ParseResult ParseArguments(const std::vector<std::string>& args) {
    ParseResult result;
    if (args.empty()) {
        result.error = "no command given";
        return result;
    }
    const std::string& word = args[0];
    Options& options = result.options;
    if (word == "--help" || word == "-h" || word == "help") {
        options.command = Command::Help;
        result.ok = true;
        return result;
    }
    if (word == "--version") {
        options.command = Command::Version;
        result.ok = args.size() == 1;
        if (!result.ok) {
            result.error = "--version takes no arguments";
        }
        return result;
    }
    if (word == "sites") {
        options.command = Command::Sites;
        result.ok = args.size() == 1;
        if (!result.ok) {
            result.error = "sites takes no arguments";
        }
        return result;
    }
    if (word == "download") {
        options.command = Command::Download;
        DownloadOptions& o = options.download;
        result.error = ParseCommandArguments(args, 1, DownloadRules(o), o.urls);
        if (result.error.empty() && o.urls.empty()) {
            result.error = "no address given";
        }
        if (result.error.empty() && o.deleteOriginal && !o.convertProfile) {
            result.error = "--delete-original needs --convert";
        }
    } else if (word == "convert") {
        options.command = Command::Convert;
        ConvertOptions& o = options.convert;
        result.error = ParseCommandArguments(args, 1, ConvertRules(o), o.files);
        if (result.error.empty() && o.files.empty()) {
            result.error = "no file given";
        }
        if (result.error.empty() && !o.profile && !o.manual) {
            result.error = "--profile is required (or --manual)";
        }
        if (result.error.empty() && o.profile && o.manual) {
            result.error = "--profile and --manual exclude each other";
        }
    } else {
        result.error =
            word.rfind('-', 0) == 0 ? "unknown option " + word : "unknown command " + word;
        return result;
    }
    result.ok = result.error.empty();
    return result;
}

std::string UsageText() {
    return R"(Usage:
  talvex-cli download [options] URL...
      -q, --quality best|1080p|720p|480p|360p-flv|360p-mp4|normal
                                (default: the desktop program's download quality)
      -o, --folder DIR          (default: the desktop program's download folder)
      --convert ipod|iphone|psp|cell|wmv|xvid|mp3
                                convert each download when it completes
      --convert-quality high|optimal|medium|low   (default high)
      --delete-original         delete the download after its conversion
      --no-continue             start over instead of going on with an interrupted
                                download of the same address in the folder
      --limit-rate RATE         bytes per second for all downloads together, or with k or M
                                after the number (500k, 2M); 0: no limit (default: the
                                desktop program's speed limit)
      --playlists all|single|skip   (default all)
      --channels all|single|skip    (default all)
  talvex-cli convert [options] FILE...
      -p, --profile ipod|iphone|psp|cell|wmv|xvid|mp3   (required unless --manual)
      --quality high|optimal|medium|low   (default high)
      --volume 0..200           (default 100)
      --trim START END          HH:MM:SS each; END 00:00:00 means the end
      --replace                 replace an existing output file
      --manual "TEXT"           a manual command, e.g. "ffmpeg -i %1 -ab 128k %2.mp3"
  talvex-cli sites              the site script file's version and its site keys
  talvex-cli --version | --help

Exit status: 0 every item completed; 1 an item failed or was canceled, or no address was
supported; 2 usage error; 130 interrupted.
)";
}

}  // namespace talvex::cli
