#pragma once
// What an unfinished HTTP download needs to go on after the program ended: kept as JSON beside
// its work file ("~qrvXXXX.tmp" has "~qrvXXXX.tmp.json"), replaced whole by rename, and only
// ever behind the data: a segment's "done" counts bytes that were flushed to the disk before
// the record was written, so a record never claims more than the file holds.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace talvex {

// One byte range of the file (inclusive) and how many of its first bytes are on disk.
struct ResumeSegment {
    uint64_t start = 0;
    uint64_t to = 0;
    uint64_t done = 0;
};

struct ResumeRecord {
    // The program that wrote it: each program goes on only with its own downloads.
    std::string program;
    std::wstring pageUrl;
    std::wstring mediaUrl;
    std::wstring title;
    std::wstring extension;
    uint64_t size = 0;
    // The server's validators of the media when it sent them; empty when not.
    std::string etag;
    std::string lastModified;
    // The choices the download was made with.
    int32_t formatChoice = 0;
    bool autoConvert = false;
    bool convertFlag = false;
    int32_t conversionQuality = 0;
    int32_t conversionProfile = 0;
    // Several ranged streams at once, or one stream of the whole file (then one segment).
    bool multiStream = false;
    std::vector<ResumeSegment> segments;

    // Bytes on disk over every segment.
    uint64_t Done() const;
    std::string ToJson() const;
    // Nothing when bytes are not a record of this version, or describe an impossible download
    // (segments that do not cover the size in order, done past a segment's end, no size);
    // why then says what is wrong.
    static std::optional<ResumeRecord> Parse(std::string_view bytes, std::string* why = nullptr);
};

// Records are a few hundred bytes; anything larger is not one.
inline constexpr size_t kMaxResumeRecordBytes = 64 * 1024;

std::filesystem::path RecordPathFor(const std::filesystem::path& workFile);
// Whether name is a download's work file name, "~qrv" four hex digits ".tmp".
bool IsWorkFileName(std::string_view name);

// Reads and checks a record file (a regular file only, never blocking on a pipe).
std::optional<ResumeRecord> ReadResumeRecord(const std::filesystem::path& path,
                                             std::string* why = nullptr);
// Replaces the record at path atomically. False when it could not be written.
bool WriteResumeRecord(const std::filesystem::path& path, const ResumeRecord& record);

}  // namespace talvex
