#include "MediaFixtures.h"

#include <chrono>
#include <sstream>

#include "platform/Process.h"

namespace talvex::test {

namespace fs = std::filesystem;

int RunProgram(const std::vector<std::string>& argv) {
    Process p;
    Process::Options o;
    o.searchPath = true;
    if (!p.Start(argv, o)) {
        return -1;
    }
    return p.Wait(-1).value_or(-1);
}

bool MakeClip(const fs::path& file, int width, int height, double seconds,
              const std::vector<std::string>& extraArgs) {
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    std::vector<std::string> argv = {"ffmpeg",    "-hide_banner",
                                     "-loglevel", "error",
                                     "-nostdin",  "-y",
                                     "-f",        "lavfi",
                                     "-i",        "testsrc=size=" + size + ":rate=25",
                                     "-f",        "lavfi",
                                     "-i",        "sine=frequency=440:sample_rate=44100",
                                     "-t",        std::to_string(seconds),
                                     "-pix_fmt",  "yuv420p"};
    if (extraArgs.empty()) {
        argv.insert(argv.end(), {"-c:v", "libx264", "-preset", "ultrafast", "-c:a", "aac"});
    } else {
        argv.insert(argv.end(), extraArgs.begin(), extraArgs.end());
    }
    argv.push_back(file.string());
    return RunProgram(argv) == 0 && fs::exists(file);
}

MediaInfo Probe(const fs::path& file) {
    MediaInfo info;
    Process p;
    Process::Options o;
    o.searchPath = true;
    o.stdoutMode = Process::Stream::Pipe;
    if (!p.Start({"ffprobe", "-v", "error", "-show_entries",
                  "format=format_name,duration:stream=codec_type,codec_name,width,height,"
                  "sample_rate,channels",
                  "-of", "default=nw=1", file.string()},
                 o)) {
        return info;
    }
    std::string out;
    while (p.ReadStdout(out, -1) == Process::ReadResult::Data) {
    }
    if (p.Wait(-1) != 0) {
        return info;
    }
    info.ok = true;
    std::istringstream in(out);
    std::string line;
    std::map<std::string, std::string> stream;
    auto flush = [&] {
        if (stream.empty()) {
            return;
        }
        if (stream["codec_type"] == "video") {
            info.hasVideo = true;
            info.videoCodec = stream["codec_name"];
            info.width = std::atoi(stream["width"].c_str());
            info.height = std::atoi(stream["height"].c_str());
        } else if (stream["codec_type"] == "audio") {
            info.hasAudio = true;
            info.audioCodec = stream["codec_name"];
            info.sampleRate = std::atoi(stream["sample_rate"].c_str());
            info.channels = std::atoi(stream["channels"].c_str());
        }
        stream.clear();
    };
    while (std::getline(in, line)) {
        size_t eq = line.find('=');
        if (eq == std::string::npos) {
            continue;
        }
        std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        if (key == "format_name") {
            flush();  // the format follows the streams
            info.formatName = value;
        } else if (key == "duration") {
            info.duration = std::atof(value.c_str());
        } else {
            if (key == "codec_name") {
                flush();  // each stream begins with its codec name
            }
            stream[key] = value;
        }
    }
    flush();
    return info;
}

std::vector<fs::path> WorkFilesIn(const fs::path& folder) {
    std::vector<fs::path> found;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().filename().string().rfind("~qrv", 0) == 0) {
            found.push_back(entry.path());
        }
    }
    return found;
}

void FinishSink::Post(uint32_t message, uintptr_t wParam, intptr_t) {
    if (message != kMsgItemFinished) {
        return;
    }
    std::lock_guard lock(mutex_);
    ++finished_[wParam];
    changed_.notify_all();
}

bool FinishSink::WaitFinished(const void* item, int count, int limitSeconds) {
    std::unique_lock lock(mutex_);
    const auto key = reinterpret_cast<uintptr_t>(item);
    return changed_.wait_for(lock, std::chrono::seconds(limitSeconds),
                             [&] { return finished_[key] >= count; });
}

int FinishSink::FinishedCount(const void* item) {
    std::lock_guard lock(mutex_);
    return finished_[reinterpret_cast<uintptr_t>(item)];
}

}  // namespace talvex::test
