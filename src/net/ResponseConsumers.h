#pragma once
// What the client's operations do with a response: keep a page in memory, write a body to a
// file, stop after the headers, write a byte range at its place in a file, or write a file while
// reporting progress. Each checks the final status first.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "net/HttpRequest.h"
#include "net/IActivityProgressNotify.h"
#include "net/INotifier.h"
#include "net/ProgressWindow.h"
#include "platform/FileOps.h"

namespace talvex {

// "200" unless any status is accepted; kNetBadStatus otherwise.
std::optional<uint32_t> CheckStatus(long status, bool acceptAnyStatus);

class PageConsumer : public IResponseConsumer {
public:
    PageConsumer(bool acceptAnyStatus, size_t limit) : acceptAny_(acceptAnyStatus), limit_(limit) {}
    std::optional<uint32_t> OnHeaders(long status, const HeaderMap& headers) override;
    std::optional<uint32_t> OnBody(const char* data, size_t size) override;
    const std::string& Body() const { return body_; }

private:
    bool acceptAny_;
    size_t limit_;
    std::string body_;
};

class FileConsumer : public IResponseConsumer {
public:
    FileConsumer(bool acceptAnyStatus, File& file) : acceptAny_(acceptAnyStatus), file_(file) {}
    std::optional<uint32_t> OnHeaders(long status, const HeaderMap& headers) override;
    std::optional<uint32_t> OnBody(const char* data, size_t size) override;

private:
    bool acceptAny_;
    File& file_;
};

// Ends the request once the headers are in (a GET used as a header query); with endAfterHeaders
// false the request runs to its end (a HEAD, which has no body).
class HeaderConsumer : public IResponseConsumer {
public:
    HeaderConsumer(bool acceptAnyStatus, bool endAfterHeaders)
        : acceptAny_(acceptAnyStatus), endAfterHeaders_(endAfterHeaders) {}
    std::optional<uint32_t> OnHeaders(long status, const HeaderMap& headers) override;
    std::optional<uint32_t> OnBody(const char*, size_t) override { return std::nullopt; }

private:
    bool acceptAny_;
    bool endAfterHeaders_;
};

class RangeConsumer : public IResponseConsumer {
public:
    // With a range, from..to inclusive; without, the whole body.
    RangeConsumer(std::optional<uint64_t> from, std::optional<uint64_t> to, File& file,
                  std::atomic<uint64_t>& position, IActivityProgressNotify* sink);
    std::optional<uint32_t> OnHeaders(long status, const HeaderMap& headers) override;
    std::optional<uint32_t> OnBody(const char* data, size_t size) override;
    uint64_t Received() const { return received_; }
    // The bytes the response must deliver, when known.
    std::optional<uint64_t> Expected() const { return expected_; }
    // The errno of the write that failed (kNetWriteFailed from the disk, not from the
    // server); 0 when none did.
    int WriteError() const { return writeError_; }

private:
    std::optional<uint64_t> from_;
    std::optional<uint64_t> to_;
    File& file_;
    std::atomic<uint64_t>& position_;
    IActivityProgressNotify* sink_;
    std::optional<uint64_t> expected_;
    uint64_t received_ = 0;
    int writeError_ = 0;
    std::optional<ProgressWindow> window_;
};

class ProgressConsumer : public IResponseConsumer {
public:
    static constexpr uint64_t kReportEvery = 204800;

    ProgressConsumer(bool acceptAnyStatus, File& file, INotifier* sink)
        : acceptAny_(acceptAnyStatus), file_(file), sink_(sink) {}
    std::optional<uint32_t> OnHeaders(long status, const HeaderMap& headers) override;
    std::optional<uint32_t> OnBody(const char* data, size_t size) override;
    uint64_t Received() const { return total_; }
    std::optional<uint64_t> Expected() const { return expected_; }

private:
    bool acceptAny_;
    File& file_;
    INotifier* sink_;
    std::optional<uint64_t> expected_;
    uint64_t total_ = 0;
    uint64_t lastReport_ = 0;
};

}  // namespace talvex
