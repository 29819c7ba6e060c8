#include "convert/EncoderReport.h"

#include <chrono>
#include <map>
#include <mutex>
#include <regex>
#include <sstream>

#include <unistd.h>

#include "platform/Folders.h"
#include "platform/Process.h"
#include "platform/Utf8.h"

namespace talvex {

namespace fs = std::filesystem;

namespace {

// Reads one of the child's streams until it ends or the time limit passes; false on the
// time limit or an error.
bool ReadUntilEnd(Process& process, bool fromStderr, std::string& out, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
        if (left <= 0) {
            return false;
        }
        auto r = fromStderr ? process.ReadStderr(out, static_cast<int>(left))
                            : process.ReadStdout(out, static_cast<int>(left));
        if (r == Process::ReadResult::End) {
            return true;
        }
        if (r == Process::ReadResult::Error) {
            return false;
        }
    }
}

int ToInt(const std::wstring& digits) {
    try {
        return std::stoi(digits);
    } catch (...) {
        return 0;
    }
}

}  // namespace

fs::path EncoderPath() {
    fs::path bundled = ResourceFolder() / "ffmpeg";
    std::error_code ec;
    if (fs::is_regular_file(bundled, ec) && ::access(bundled.c_str(), X_OK) == 0) {
        return bundled;
    }
    fs::path found = FindExecutableOnPath("ffmpeg");
    return found.empty() ? fs::path("ffmpeg") : found;
}

std::optional<std::wstring> EncoderReport(const fs::path& encoder, const fs::path& file,
                                          int timeoutMs) {
    Process process;
    Process::Options options;
    options.stderrMode = Process::Stream::Pipe;
    options.searchPath = true;
    if (!process.Start({encoder.string(), "-i", file.string()}, options)) {
        return std::nullopt;
    }
    std::string bytes;
    const bool ended = ReadUntilEnd(process, true, bytes, timeoutMs);
    if (!ended) {
        process.Kill();
    }
    process.Wait(-1);
    if (!ended || bytes.empty()) {
        return std::nullopt;
    }
    std::string_view text(bytes);
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        text.remove_prefix(3);
    }
    return Utf8ToWide(text);
}

std::optional<VideoStreamInfo> ParseVideoStream(std::wstring_view report) {
    // Codec, then anything up to the comma (profile, codec tag); pixel format, optionally
    // with its colour details in parentheses (which hold commas); then width x height.
    static const std::wregex pattern(
        LR"(Video: ([[:w:]]+)[^,]*, ([[:w:]]+)(?:\([^)]*\))?[^,]*, ([[:d:]]+)x([[:d:]]+))");
    std::wcmatch match;
    if (!std::regex_search(report.data(), report.data() + report.size(), match, pattern)) {
        return std::nullopt;
    }
    VideoStreamInfo info;
    info.codec = match[1].str();
    info.pixelFormat = match[2].str();
    info.size.width = ToInt(match[3].str());
    info.size.height = ToInt(match[4].str());
    return info;
}

PictureSize ProbePictureSize(const fs::path& encoder, const fs::path& file) {
    auto report = EncoderReport(encoder, file);
    if (!report) {
        return {};
    }
    auto info = ParseVideoStream(*report);
    return info ? info->size : PictureSize{};
}

bool EncoderListHasAmrNb(std::string_view encodersList) {
    std::istringstream in{std::string(encodersList)};
    std::string line;
    while (std::getline(in, line)) {
        // " A..... libopencore_amrnb  OpenCORE AMR-NB ... (codec amr_nb)"
        size_t flags = line.find_first_not_of(' ');
        if (flags == std::string::npos || line[flags] != 'A') {
            continue;
        }
        if (line.find("amr_nb") != std::string::npos || line.find("amrnb") != std::string::npos) {
            return true;
        }
    }
    return false;
}

bool EncoderHasAmrNb(const fs::path& encoder) {
    static std::mutex mutex;
    static std::map<fs::path, bool> known;
    {
        std::lock_guard lock(mutex);
        if (auto it = known.find(encoder); it != known.end()) {
            return it->second;
        }
    }
    bool has = false;
    Process process;
    Process::Options options;
    options.stdoutMode = Process::Stream::Pipe;
    options.searchPath = true;
    if (process.Start({encoder.string(), "-hide_banner", "-encoders"}, options)) {
        std::string list;
        bool ended = ReadUntilEnd(process, false, list, kReportTimeoutMs);
        if (!ended) {
            process.Kill();
        }
        process.Wait(-1);
        has = EncoderListHasAmrNb(list);
    }
    std::lock_guard lock(mutex);
    known[encoder] = has;
    return has;
}

}  // namespace talvex
