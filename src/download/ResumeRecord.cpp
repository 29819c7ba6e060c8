#include "download/ResumeRecord.h"

#include <cctype>
#include <nlohmann/json.hpp>

#include "activity/ConversionQuality.h"
#include "platform/FileOps.h"
#include "platform/Utf8.h"
#include "scripts/DownloadQuality.h"

namespace talvex {

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

constexpr int kVersion = 1;

bool Fail(std::string* why, const char* text) {
    if (why != nullptr) {
        *why = text;
    }
    return false;
}

template <class T>
bool Get(const json& object, const char* key, T& out) {
    auto it = object.find(key);
    if (it == object.end()) {
        return false;
    }
    if constexpr (std::is_same_v<T, bool>) {
        if (!it->is_boolean()) {
            return false;
        }
    } else if constexpr (std::is_integral_v<T>) {
        if (!it->is_number_integer()) {
            return false;
        }
        if constexpr (std::is_unsigned_v<T>) {
            if (it->is_number_unsigned()) {
                out = it->template get<T>();
                return true;
            }
            if (it->template get<int64_t>() < 0) {
                return false;
            }
        }
    } else if (!it->is_string()) {
        return false;
    }
    out = it->template get<T>();
    return true;
}

bool GetText(const json& object, const char* key, std::wstring& out) {
    std::string text;
    if (!Get(object, key, text)) {
        return false;
    }
    out = Utf8ToWide(text);
    return true;
}

// The segments must cover 0 .. size-1 in order, each holding no more than its length.
bool SegmentsFit(const ResumeRecord& record, std::string* why) {
    if (record.size == 0) {
        return Fail(why, "no media size");
    }
    if (record.segments.empty() || (!record.multiStream && record.segments.size() != 1)) {
        return Fail(why, "wrong number of segments");
    }
    uint64_t next = 0;
    for (const ResumeSegment& segment : record.segments) {
        if (segment.start != next || segment.to < segment.start || segment.to >= record.size) {
            return Fail(why, "segments do not cover the file");
        }
        if (segment.done > segment.to - segment.start + 1) {
            return Fail(why, "a segment holds more than its range");
        }
        next = segment.to + 1;
    }
    if (next != record.size) {
        return Fail(why, "segments do not cover the file");
    }
    return true;
}

}  // namespace

uint64_t ResumeRecord::Done() const {
    uint64_t done = 0;
    for (const ResumeSegment& segment : segments) {
        done += segment.done;
    }
    return done;
}

std::string ResumeRecord::ToJson() const {
    json out = json::object();
    out["version"] = kVersion;
    out["program"] = program;
    out["page"] = WideToUtf8(pageUrl);
    out["media"] = WideToUtf8(mediaUrl);
    out["title"] = WideToUtf8(title);
    out["extension"] = WideToUtf8(extension);
    out["size"] = size;
    out["etag"] = etag;
    out["lastModified"] = lastModified;
    out["quality"] = formatChoice;
    out["convert"] = autoConvert;
    out["convertFlag"] = convertFlag;
    out["conversionQuality"] = conversionQuality;
    out["conversionProfile"] = conversionProfile;
    out["multiStream"] = multiStream;
    json list = json::array();
    for (const ResumeSegment& segment : segments) {
        list.push_back({{"start", segment.start}, {"to", segment.to}, {"done", segment.done}});
    }
    out["segments"] = std::move(list);
    // Titles come from web pages: invalid UTF-8 is written replaced rather than failing.
    return out.dump(1, '\t', false, json::error_handler_t::replace) + "\n";
}

std::optional<ResumeRecord> ResumeRecord::Parse(std::string_view bytes, std::string* why) {
    if (bytes.size() > kMaxResumeRecordBytes) {
        Fail(why, "too large");
        return std::nullopt;
    }
    json in = json::parse(bytes.begin(), bytes.end(), nullptr, /*allow_exceptions=*/false);
    if (!in.is_object()) {
        Fail(why, "not a JSON object");
        return std::nullopt;
    }
    int version = 0;
    if (!Get(in, "version", version) || version != kVersion) {
        Fail(why, "unknown version");
        return std::nullopt;
    }
    ResumeRecord record;
    bool ok = Get(in, "program", record.program) && GetText(in, "page", record.pageUrl) &&
              GetText(in, "media", record.mediaUrl) && GetText(in, "title", record.title) &&
              GetText(in, "extension", record.extension) && Get(in, "size", record.size) &&
              Get(in, "etag", record.etag) && Get(in, "lastModified", record.lastModified) &&
              Get(in, "quality", record.formatChoice) && Get(in, "convert", record.autoConvert) &&
              Get(in, "convertFlag", record.convertFlag) &&
              Get(in, "conversionQuality", record.conversionQuality) &&
              Get(in, "conversionProfile", record.conversionProfile) &&
              Get(in, "multiStream", record.multiStream);
    auto segments = in.find("segments");
    if (!ok || segments == in.end() || !segments->is_array()) {
        Fail(why, "a field is missing or of the wrong kind");
        return std::nullopt;
    }
    for (const json& item : *segments) {
        ResumeSegment segment;
        if (!item.is_object() || !Get(item, "start", segment.start) ||
            !Get(item, "to", segment.to) || !Get(item, "done", segment.done)) {
            Fail(why, "a segment is malformed");
            return std::nullopt;
        }
        record.segments.push_back(segment);
    }
    if (!DownloadQualityFromNumber(record.formatChoice) ||
        !ConversionQualityFromNumber(record.conversionQuality)) {
        Fail(why, "an unknown quality");
        return std::nullopt;
    }
    if (record.pageUrl.empty() || record.mediaUrl.empty() || !SegmentsFit(record, why)) {
        if (record.pageUrl.empty() || record.mediaUrl.empty()) {
            Fail(why, "no address");
        }
        return std::nullopt;
    }
    return record;
}

fs::path RecordPathFor(const fs::path& workFile) {
    fs::path record = workFile;
    record += ".json";
    return record;
}

bool IsWorkFileName(std::string_view name) {
    if (name.size() != 12 || name.substr(0, 4) != "~qrv" || name.substr(8) != ".tmp") {
        return false;
    }
    for (char c : name.substr(4, 4)) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) {
            return false;
        }
    }
    return true;
}

std::optional<ResumeRecord> ReadResumeRecord(const fs::path& path, std::string* why) {
    std::string bytes;
    if (ReadRegularFile(path, kMaxResumeRecordBytes, bytes) != FileRead::Read) {
        Fail(why, "not a readable record file");
        return std::nullopt;
    }
    return ResumeRecord::Parse(bytes, why);
}

bool WriteResumeRecord(const fs::path& path, const ResumeRecord& record) {
    // The temporary name starts like the record's, so that what a crash leaves of it is
    // recognised (and removed) with the work file.
    return ReplaceFileAtomically(path, record.ToJson(), path.filename().string() + ".");
}

}  // namespace talvex
