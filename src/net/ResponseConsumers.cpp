#include "net/ResponseConsumers.h"

#include <cerrno>

#include "net/NetResult.h"
#include "platform/Tick.h"

namespace talvex {

namespace {

std::optional<uint64_t> HeaderNumber(const HeaderMap& headers, const wchar_t* name) {
    auto it = headers.find(name);
    if (it == headers.end()) {
        return std::nullopt;
    }
    return ParseByteCount(it->second);
}

}  // namespace

std::optional<uint32_t> CheckStatus(long status, bool acceptAnyStatus) {
    if (status != 200 && !acceptAnyStatus) {
        return kNetBadStatus;
    }
    return std::nullopt;
}

std::optional<uint32_t> PageConsumer::OnHeaders(long status, const HeaderMap&) {
    return CheckStatus(status, acceptAny_);
}

std::optional<uint32_t> PageConsumer::OnBody(const char* data, size_t size) {
    if (size > limit_ - body_.size()) {
        return kNetReadFailed;  // larger than any page we are willing to hold
    }
    body_.append(data, size);
    return std::nullopt;
}

std::optional<uint32_t> FileConsumer::OnHeaders(long status, const HeaderMap&) {
    return CheckStatus(status, acceptAny_);
}

std::optional<uint32_t> FileConsumer::OnBody(const char* data, size_t size) {
    if (!file_.Write(data, size)) {
        return kNetWriteFailed;
    }
    return std::nullopt;
}

std::optional<uint32_t> HeaderConsumer::OnHeaders(long status, const HeaderMap&) {
    if (auto failed = CheckStatus(status, acceptAny_)) {
        return failed;
    }
    if (endAfterHeaders_) {
        return kNetSuccess;
    }
    return std::nullopt;
}

RangeConsumer::RangeConsumer(std::optional<uint64_t> from, std::optional<uint64_t> to, File& file,
                             std::atomic<uint64_t>& position, IActivityProgressNotify* sink)
    : from_(from), to_(to), file_(file), position_(position), sink_(sink) {}

std::optional<uint32_t> RangeConsumer::OnHeaders(long status, const HeaderMap& headers) {
    long expectedStatus = from_ ? 206 : 200;
    if (status != expectedStatus) {
        return status == 200 ? kNetRangeIgnored : kNetBadStatus;
    }
    if (from_) {
        // A part that does not start where we asked would be written at the wrong place.
        auto it = headers.find(L"content-range");
        auto range = it == headers.end() ? std::nullopt : ParseContentRange(it->second);
        if (!range || range->first != *from_) {
            return kNetBadStatus;
        }
        expected_ = *to_ - *from_ + 1;
    } else {
        expected_ = HeaderNumber(headers, L"content-length");
        if (sink_ != nullptr) {
            sink_->OnSize(expected_.value_or(0));
        }
    }
    uint64_t done = sink_ != nullptr ? sink_->GetDone() : 0;
    uint64_t start = TickMs();
    if (sink_ != nullptr && !sink_->OnStart(start)) {
        return kNetInternalError;
    }
    window_.emplace(sink_, done, start);
    return std::nullopt;
}

std::optional<uint32_t> RangeConsumer::OnBody(const char* data, size_t size) {
    bool tooMuch = false;
    if (expected_ && size > *expected_ - received_) {
        // Never write past the end of the range: that would overwrite the next segment.
        size = static_cast<size_t>(*expected_ - received_);
        tooMuch = true;
    }
    if (size > 0) {
        uint64_t at = position_.load(std::memory_order_relaxed);
        if (!file_.WriteAt(at, data, size)) {
            writeError_ = errno;
            return kNetWriteFailed;
        }
        position_.store(at + size, std::memory_order_relaxed);
        received_ += size;
        window_->OnChunk(size, TickMs());
    }
    if (tooMuch) {
        return kNetReadFailed;
    }
    return std::nullopt;
}

std::optional<uint32_t> ProgressConsumer::OnHeaders(long status, const HeaderMap& headers) {
    if (auto failed = CheckStatus(status, acceptAny_)) {
        return failed;
    }
    expected_ = HeaderNumber(headers, L"content-length");
    if (sink_ == nullptr) {
        return std::nullopt;
    }
    if (!sink_->OnSize(expected_.value_or(0))) {
        return kNetSuccess;  // the receiver gave up: ends the download like a stop
    }
    lastReport_ = TickMs();
    if (!sink_->OnProgress(lastReport_, 0)) {
        return kNetInternalError;
    }
    return std::nullopt;
}

std::optional<uint32_t> ProgressConsumer::OnBody(const char* data, size_t size) {
    if (!file_.Write(data, size)) {
        return kNetWriteFailed;
    }
    uint64_t before = total_;
    total_ += size;
    if (sink_ == nullptr) {
        return std::nullopt;
    }
    // Report each time the total passes a multiple of the step (chunks vary in size, so it rarely
    // lands on one exactly) and when the announced length is reached.
    if (total_ / kReportEvery != before / kReportEvery || (expected_ && total_ == *expected_)) {
        uint64_t now = TickMs();
        bool goOn = sink_->OnProgress(total_, now - lastReport_);
        lastReport_ = now;
        if (!goOn) {
            return kNetSuccess;  // cancelled by the receiver
        }
    }
    return std::nullopt;
}

}  // namespace talvex
