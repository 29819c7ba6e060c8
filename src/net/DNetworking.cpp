#include "net/DNetworking.h"

#include <system_error>

#include "net/Address.h"
#include "net/CookieJar.h"
#include "net/HttpRequest.h"
#include "net/NetworkState.h"
#include "net/ResponseConsumers.h"
#include "net/TransferRateLimit.h"
#include "platform/Utf8.h"

namespace talvex {

namespace fs = std::filesystem;

namespace {

// Transfers of media hand bigger pieces to the file than page fetches do: fewer system calls
// per megabyte.
constexpr size_t kTransferBufferSize = 256 * 1024;

// A temporary file beside the target that takes the target's name only once it is complete.
class TempOutput {
public:
    explicit TempOutput(const fs::path& target) : target_(target) {
        fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
        if (auto temp = CreateUniqueTempFile(folder, "~qrv")) {
            temp_ = *temp;
            file_ = File::OpenReadWrite(temp_);
        }
    }
    ~TempOutput() {
        file_.Close();
        if (!temp_.empty()) {
            RemoveRegularFile(temp_);
        }
    }
    TempOutput(const TempOutput&) = delete;
    TempOutput& operator=(const TempOutput&) = delete;

    bool IsOpen() const { return file_.IsOpen(); }
    File& Output() { return file_; }
    // Replaces the target with the finished file.
    bool Commit() {
        if (!file_.Sync()) {
            return false;
        }
        file_.Close();
        std::error_code ec;
        fs::rename(temp_, target_, ec);
        if (ec) {
            return false;
        }
        temp_.clear();
        return true;
    }

private:
    fs::path target_;
    fs::path temp_;
    File file_;
};

}  // namespace

const StopFlag& NeverStop() {
    static const StopFlag never{false};
    return never;
}

DNetworking::DNetworking() = default;

DNetworking::DNetworking(std::wstring userAgent) : userAgent_(std::move(userAgent)) {}

DNetworking::~DNetworking() = default;

void DNetworking::AddRequestHeader(const std::wstring& name, const std::wstring& value) {
    requestHeaders_[name] = value;
}

uint32_t DNetworking::HasRequestHeader(const std::wstring& name) const {
    return requestHeaders_.count(name) != 0 ? kNetSuccess : kNetNoRequestHeader;
}

uint32_t DNetworking::GetResponseHeader(const std::wstring& name, std::wstring& value) const {
    auto it = responseHeaders_.find(LowerAscii(name));
    if (it == responseHeaders_.end()) {
        return kNetNoResponseHeader;
    }
    value = it->second;
    return kNetSuccess;
}

std::optional<uint64_t> DNetworking::ContentLength() const {
    auto it = responseHeaders_.find(L"content-length");
    if (it == responseHeaders_.end()) {
        return std::nullopt;
    }
    return ParseByteCount(it->second);
}

uint32_t DNetworking::GetCookie(const std::wstring& address, const std::wstring& name,
                                std::wstring& value) {
    auto found = FindSharedCookie(address, name);
    if (!found) {
        return 1;
    }
    value = *found;
    return 0;
}

bool DNetworking::SetCookie(const std::wstring& address, const std::wstring& name,
                            const std::wstring& data) {
    return StoreSharedCookie(address, name, data);
}

bool DNetworking::IsConnected() {
    return CurrentConnectionState() == ConnectionState::kConnected;
}

std::optional<uint32_t> DNetworking::Begin(const StopFlag& stop) {
    if (stop.load(std::memory_order_relaxed)) {
        return kNetSuccess;
    }
    statusCode_ = L"unknown";
    switch (CurrentConnectionState()) {
        case ConnectionState::kNotConnected:
            return kNetNotConnected;
        case ConnectionState::kOffline:
            return kNetOffline;
        case ConnectionState::kConnected:
            break;
    }
    return std::nullopt;
}

std::string DNetworking::PostBody() const {
    return !rawBody_.empty() ? rawBody_ : WideToUtf8(postData_);
}

std::optional<uint32_t> DNetworking::Prepare(const std::wstring& address, const std::string& verb,
                                             bool decode, bool xmlContentType,
                                             HttpRequestPlan& out) const {
    for (const auto& [name, value] : requestHeaders_) {
        auto line = BuildRequestHeaderLine(name, value);
        if (!line) {
            return kNetRequestFailed;
        }
        out.headerLines.push_back(std::move(*line));
    }
    if (xmlContentType && rawBody_.empty() && !postData_.empty()) {
        bool hasType = false;
        for (const auto& entry : requestHeaders_) {
            hasType = hasType || LowerAscii(entry.first) == L"content-type";
        }
        if (!hasType) {
            out.headerLines.push_back("content-type: text/xml");
        }
    }
    auto parts = ParseAddress(address);
    if (!parts) {
        return kNetBadAddress;
    }
    out.url = parts->url;
    out.origin = OriginOf(*parts);
    out.verb = verb;
    if (verb == "POST") {
        out.body = PostBody();
    }
    out.userAgent = WideToUtf8(userAgent_);
    out.decodeContent = decode;
    out.http11 = useHttp11_;
    out.timeouts = timeouts_;
    return std::nullopt;
}

void DNetworking::Remember(const HttpOutcome& outcome) {
    responseHeaders_ = outcome.headers;
    if (outcome.gotHeaders) {
        statusCode_ = std::to_wstring(outcome.status);
    }
}

uint32_t DNetworking::GetPage(const std::wstring& address, std::wstring& text,
                              const StopFlag& stop) {
    text.clear();
    if (auto early = Begin(stop)) {
        return *early;
    }
    std::wstring full = address;
    for (const std::wstring& segment : pathSegments_) {
        full += L"/" + segment;
    }
    HttpRequestPlan plan;
    if (auto failed = Prepare(full, IsPost() ? "POST" : "GET", true, false, plan)) {
        return *failed;
    }
    PageConsumer page(acceptAnyStatus_, pageLimit_);
    HttpOutcome outcome = PerformHttpRequest(plan, page, stop);
    Remember(outcome);
    if (outcome.result == kNetSuccess && outcome.completed) {
        text = Utf8ToWide(page.Body());
    }
    return outcome.result;
}

uint32_t DNetworking::DownloadToFile(const std::wstring& address, const fs::path& path,
                                     const StopFlag& stop) {
    if (auto early = Begin(stop)) {
        return *early;
    }
    HttpRequestPlan plan;
    if (auto failed = Prepare(address, IsPost() ? "POST" : "GET", true, false, plan)) {
        return *failed;
    }
    TempOutput output(path);
    if (!output.IsOpen()) {
        return kNetCreateFileFailed;
    }
    plan.bufferSize = kTransferBufferSize;
    FileConsumer consumer(acceptAnyStatus_, output.Output());
    HttpOutcome outcome = PerformHttpRequest(plan, consumer, stop);
    Remember(outcome);
    if (outcome.result != kNetSuccess || !outcome.completed) {
        return outcome.result;
    }
    return output.Commit() ? kNetSuccess : kNetWriteFailed;
}

uint32_t DNetworking::DownloadWithProgress(const std::wstring& address, const fs::path& path,
                                           const StopFlag& stop, INotifier* sink) {
    auto fail = [sink](uint32_t code) {
        if (sink != nullptr && code != kNetSuccess) {
            sink->OnError(code);
        }
        return code;
    };
    if (auto early = Begin(stop)) {
        return fail(*early);
    }
    HttpRequestPlan plan;
    if (auto failed = Prepare(address, IsPost() ? "POST" : "GET", false, true, plan)) {
        return fail(*failed);
    }
    TempOutput output(path);
    if (!output.IsOpen()) {
        return fail(kNetCreateFileFailed);
    }
    plan.bufferSize = kTransferBufferSize;
    ProgressConsumer consumer(acceptAnyStatus_, output.Output(), sink);
    HttpOutcome outcome = PerformHttpRequest(plan, consumer, stop);
    Remember(outcome);
    if (outcome.result != kNetSuccess) {
        return fail(outcome.result);
    }
    if (!outcome.completed) {
        return kNetSuccess;  // stopped or cancelled by the receiver
    }
    auto expected = consumer.Expected();
    if ((expected && consumer.Received() != *expected) || !output.Commit()) {
        return fail(kNetWriteFailed);
    }
    if (sink != nullptr) {
        sink->OnComplete();
    }
    return kNetSuccess;
}

uint32_t DNetworking::QueryHeaders(const std::wstring& address, const StopFlag& stop) {
    if (auto early = Begin(stop)) {
        return *early;
    }
    HttpRequestPlan plan;
    if (auto failed = Prepare(address, "HEAD", true, false, plan)) {
        return *failed;
    }
    HeaderConsumer head(acceptAnyStatus_, false);
    HttpOutcome outcome = PerformHttpRequest(plan, head, stop);
    Remember(outcome);
    // Some servers refuse or botch HEAD; a GET that stops after the headers answers the same
    // question. Not worth trying when the host could not even be reached.
    if (outcome.result == kNetSuccess || outcome.result == kNetConnectFailed) {
        return outcome.result;
    }
    if (auto early = Begin(stop)) {
        return *early;
    }
    plan.verb = "GET";
    HeaderConsumer get(acceptAnyStatus_, true);
    outcome = PerformHttpRequest(plan, get, stop);
    Remember(outcome);
    return outcome.result;
}

uint32_t DNetworking::DownloadRange(const std::wstring& address, std::optional<ByteRange> range,
                                    File& file, std::atomic<uint64_t>& position,
                                    const StopFlag& stop, IActivityProgressNotify* sink) {
    lastWriteError_ = 0;
    if (auto early = Begin(stop)) {
        return *early;
    }
    if (range && range->to < range->from) {
        return kNetRequestFailed;
    }
    HttpRequestPlan plan;
    if (auto failed = Prepare(address, IsPost() ? "POST" : "GET", false, true, plan)) {
        return *failed;
    }
    if (range) {
        plan.headerLines.push_back("Range: " + RangeHeaderValue(range->from, range->to));
    }
    plan.bufferSize = kTransferBufferSize;
    // Media transfers share the process's download limit.
    plan.rateLimit = &TransferRateLimit::Global();
    RangeConsumer consumer(range ? std::optional<uint64_t>(range->from) : std::nullopt,
                           range ? std::optional<uint64_t>(range->to) : std::nullopt, file,
                           position, sink);
    HttpOutcome outcome = PerformHttpRequest(plan, consumer, stop);
    Remember(outcome);
    if (outcome.result == kNetWriteFailed) {
        lastWriteError_ = consumer.WriteError();
    }
    if (outcome.result != kNetSuccess || !outcome.completed) {
        return outcome.result;
    }
    auto expected = consumer.Expected();
    if (expected && consumer.Received() != *expected) {
        return kNetWriteFailed;  // the range (or the announced body) arrived short
    }
    if (sink != nullptr) {
        sink->OnComplete();
    }
    return kNetSuccess;
}

}  // namespace talvex
