#pragma once
// Real media for the conversion tests: clips made by the encoder at test time, their streams
// read back with ffprobe, and a message sink that waits for an item's finished notice.
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/MessageSink.h"

namespace talvex::test {

// A test pattern with a sine tone: H.264 in MP4 (or what extraArgs ask for), 4:2:0 pixels.
// False when the encoder failed.
bool MakeClip(const std::filesystem::path& file, int width, int height, double seconds,
              const std::vector<std::string>& extraArgs = {});

struct MediaInfo {
    bool ok = false;
    std::string formatName;  // ffprobe's format_name, e.g. "mov,mp4,m4a,3gp,3g2,mj2"
    double duration = 0;
    bool hasVideo = false;
    bool hasAudio = false;
    std::string videoCodec;
    std::string audioCodec;
    int width = 0;
    int height = 0;
    int sampleRate = 0;
    int channels = 0;
};

MediaInfo Probe(const std::filesystem::path& file);

// Runs a program (argument vector, no shell) and returns its exit code, or -1.
int RunProgram(const std::vector<std::string>& argv);

// Files in folder whose name starts with "~qrv" (work files left behind).
std::vector<std::filesystem::path> WorkFilesIn(const std::filesystem::path& folder);

class FinishSink : public IMessageSink {
public:
    void Post(uint32_t message, uintptr_t wParam, intptr_t lParam) override;
    // Waits (at most limitSeconds, a guard against a hang) until item has posted count
    // finished notices; false when it has not.
    bool WaitFinished(const void* item, int count = 1, int limitSeconds = 180);
    int FinishedCount(const void* item);

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::map<uintptr_t, int> finished_;
};

}  // namespace talvex::test
