#include "net/HttpRequest.h"

#include <curl/curl.h>
#include <signal.h>

#include <cstdlib>
#include <ctime>
#include <memory>

#include "net/CurlHandlePool.h"
#include "net/CurlShare.h"
#include "net/LowSpeedWatch.h"
#include "net/NetResult.h"
#include "net/TransferRateLimit.h"
#include "platform/Tick.h"

namespace talvex {

namespace {

// How often a transfer that receives nothing looks at its stop flag.
constexpr long kStopPollMs = 100;
constexpr long kMaxRedirects = 10;

// TLS writes to a peer that has gone can raise SIGPIPE, which would end the process. Block it on
// this thread for the request and swallow one that became pending, leaving the thread as found.
class SigpipeGuard {
public:
    SigpipeGuard() {
        sigset_t pipe;
        sigemptyset(&pipe);
        sigaddset(&pipe, SIGPIPE);
        sigset_t pending;
        sigpending(&pending);
        wasPending_ = sigismember(&pending, SIGPIPE) == 1;
        blocked_ = pthread_sigmask(SIG_BLOCK, &pipe, &old_) == 0;
    }
    ~SigpipeGuard() {
        if (!blocked_) {
            return;
        }
        if (!wasPending_) {
            sigset_t pipe;
            sigemptyset(&pipe);
            sigaddset(&pipe, SIGPIPE);
            sigset_t pending;
            sigpending(&pending);
            if (sigismember(&pending, SIGPIPE) == 1) {
                timespec zero{0, 0};
                sigtimedwait(&pipe, nullptr, &zero);
            }
        }
        pthread_sigmask(SIG_SETMASK, &old_, nullptr);
    }
    SigpipeGuard(const SigpipeGuard&) = delete;
    SigpipeGuard& operator=(const SigpipeGuard&) = delete;

private:
    sigset_t old_{};
    bool blocked_ = false;
    bool wasPending_ = false;
};

struct SlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

// State shared with the library's callbacks for one request.
struct Transfer {
    const HttpRequestPlan& plan;
    IResponseConsumer& consumer;
    const std::atomic<bool>& stop;
    HttpOutcome outcome;
    HeaderMap current;       // headers of the response being received
    long currentStatus = 0;  // its status
    bool anyStatus = false;  // some response (perhaps a redirect) began
    bool finalHeaders = false;
    std::optional<uint32_t> consumerResult;
    bool stopped = false;
    std::optional<LowSpeedWatch> lowSpeed;  // for a transfer that pays from a budget
    bool tooSlow = false;                   // the watch ended it
};

bool IsFollowedRedirect(long status, const HeaderMap& headers) {
    if (status < 300 || status > 399 || status == 304) {
        return false;
    }
    return headers.count(L"location") != 0;
}

size_t OnHeaderLine(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    size_t length = size * count;
    std::string_view line(data, length);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.remove_suffix(1);
    }
    if (auto status = ParseStatusLine(line)) {
        t->currentStatus = *status;
        t->current.clear();
        t->anyStatus = true;
        t->finalHeaders = false;
        return length;
    }
    if (!line.empty()) {
        if (auto header = ParseResponseHeaderLine(line)) {
            t->current.emplace(std::move(header->first), std::move(header->second));
        }
        return length;
    }
    // The blank line ends a block of headers: an interim (1xx) answer, a redirect the library is
    // about to follow, or the final response.
    if (t->currentStatus / 100 == 1 || IsFollowedRedirect(t->currentStatus, t->current)) {
        return length;
    }
    if (t->finalHeaders) {
        return length;  // trailers of a chunked body
    }
    t->finalHeaders = true;
    t->outcome.gotHeaders = true;
    t->outcome.status = t->currentStatus;
    t->outcome.headers = t->current;
    if (auto verdict = t->consumer.OnHeaders(t->currentStatus, t->outcome.headers)) {
        t->consumerResult = verdict;
        return 0;  // ends the transfer
    }
    return length;
}

// Pays for part of a piece of the body from the transfer's budget: trims part to one turn of
// the budget and waits until it is paid for. False when the stop flag ended the wait.
bool PayFor(Transfer& t, size_t& part) {
    TransferRateLimit* budget = t.plan.rateLimit;
    if (budget == nullptr) {
        return true;
    }
    if (const uint64_t turn = budget->TurnBytes(); turn != 0 && part > turn) {
        part = static_cast<size_t>(turn);
    }
    // Blocking here holds the transfer back: the server's data waits in the socket meanwhile.
    const uint64_t before = TickMs();
    const bool paid = budget->Take(part, t.stop);
    if (t.lowSpeed) {
        t.lowSpeed->OnWaited(TickMs() - before);
    }
    return paid;
}

size_t OnBodyPiece(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    size_t length = size * count;
    if (t->lowSpeed) {
        t->lowSpeed->OnBytes(length);
    }
    if (!t->finalHeaders) {
        return length;  // the body of a redirect being followed
    }
    // A limited transfer hands each part on as soon as it is paid for, so that its progress
    // moves at the limited rate instead of a whole piece at a time.
    size_t done = 0;
    do {
        size_t part = length - done;
        if (!PayFor(*t, part)) {
            t->stopped = true;
            return CURL_WRITEFUNC_ERROR;
        }
        if (auto verdict = t->consumer.OnBody(data + done, part)) {
            t->consumerResult = verdict;
            return CURL_WRITEFUNC_ERROR;
        }
        done += part;
    } while (done < length);
    if (t->stop.load(std::memory_order_relaxed)) {
        t->stopped = true;
        return CURL_WRITEFUNC_ERROR;
    }
    return length;
}

int OnTransferInfo(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto* t = static_cast<Transfer*>(user);
    if (t->stop.load(std::memory_order_relaxed)) {
        t->stopped = true;
        return 1;
    }
    if (t->lowSpeed && t->lowSpeed->TooSlow(TickMs())) {
        t->tooSlow = true;
        return 1;
    }
    return 0;
}

bool Configure(CURL* easy, Transfer& t, curl_slist* headers) {
    const HttpRequestPlan& plan = t.plan;
    bool ok = true;
    auto set = [&](CURLoption option, auto value) {
        ok = ok && curl_easy_setopt(easy, option, value) == CURLE_OK;
    };
    set(CURLOPT_SHARE, SharedCurlData());
    set(CURLOPT_URL, plan.url.c_str());
    set(CURLOPT_PROTOCOLS_STR, "http,https");
    set(CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    set(CURLOPT_FOLLOWLOCATION, 1L);
    set(CURLOPT_MAXREDIRS, kMaxRedirects);
    set(CURLOPT_NOSIGNAL, 1L);
    set(CURLOPT_USERAGENT, plan.userAgent.c_str());
    set(CURLOPT_COOKIEFILE, "");  // cookie engine on, on the shared store
    set(CURLOPT_SSL_VERIFYPEER, 1L);
    set(CURLOPT_SSL_VERIFYHOST, 2L);
    // A trust store the user chose, named as the curl tool names it (a company proxy that
    // inspects TLS, a test server's own certificate); the system's store otherwise.
    if (const char* bundle = std::getenv("CURL_CA_BUNDLE"); bundle != nullptr && *bundle != '\0') {
        set(CURLOPT_CAINFO, bundle);
    }
    set(CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    set(CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(plan.timeouts.connectMs));
    if (plan.rateLimit != nullptr) {
        t.lowSpeed.emplace(plan.timeouts, TickMs());
    } else {
        set(CURLOPT_LOW_SPEED_LIMIT, static_cast<long>(plan.timeouts.lowSpeedBytesPerSecond));
        set(CURLOPT_LOW_SPEED_TIME, static_cast<long>(plan.timeouts.lowSpeedSeconds));
    }
    set(CURLOPT_BUFFERSIZE, static_cast<long>(plan.bufferSize));
    set(CURLOPT_HEADERFUNCTION, OnHeaderLine);
    set(CURLOPT_HEADERDATA, &t);
    set(CURLOPT_WRITEFUNCTION, OnBodyPiece);
    set(CURLOPT_WRITEDATA, &t);
    set(CURLOPT_NOPROGRESS, 0L);
    set(CURLOPT_XFERINFOFUNCTION, OnTransferInfo);
    set(CURLOPT_XFERINFODATA, &t);
    if (plan.http11) {
        set(CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    }
    if (plan.decodeContent) {
        set(CURLOPT_ACCEPT_ENCODING, "gzip, deflate");
    }
    if (plan.verb == "HEAD") {
        set(CURLOPT_NOBODY, 1L);
    } else if (plan.verb == "POST") {
        set(CURLOPT_POST, 1L);
        set(CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(plan.body.size()));
        set(CURLOPT_POSTFIELDS, plan.body.data());
    }
    if (headers != nullptr) {
        set(CURLOPT_HTTPHEADER, headers);
    }
    return ok;
}

uint32_t ResultFromCurl(CURLcode code, CURL* easy, const Transfer& t) {
    switch (code) {
        case CURLE_OK:
            return kNetSuccess;
        case CURLE_URL_MALFORMAT:
        case CURLE_UNSUPPORTED_PROTOCOL:
            // A redirect to an address we do not follow is the server's answer, not ours.
            return t.anyStatus ? kNetBadStatus : kNetBadAddress;
        case CURLE_TOO_MANY_REDIRECTS:
            return kNetBadStatus;
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
        case CURLE_COULDNT_CONNECT:
            return kNetConnectFailed;
        case CURLE_PARTIAL_FILE:
            return kNetWriteFailed;  // the body ended short of its announced length
        case CURLE_OUT_OF_MEMORY:
        case CURLE_FAILED_INIT:
        case CURLE_UNKNOWN_OPTION:
        case CURLE_NOT_BUILT_IN:
            return kNetRequestFailed;
        case CURLE_OPERATION_TIMEDOUT: {
            curl_off_t connectTime = 0;
            curl_easy_getinfo(easy, CURLINFO_CONNECT_TIME_T, &connectTime);
            if (connectTime == 0 && !t.anyStatus) {
                return kNetConnectFailed;
            }
            return t.finalHeaders ? kNetReadFailed : kNetSendFailed;
        }
        default:
            return t.finalHeaders ? kNetReadFailed : kNetSendFailed;
    }
}

}  // namespace

HttpOutcome PerformHttpRequest(const HttpRequestPlan& plan, IResponseConsumer& consumer,
                               const std::atomic<bool>& stop) {
    Transfer t{plan,  consumer, stop,         {},    {},           0,
               false, false,    std::nullopt, false, std::nullopt, false};
    CurlHandlePool::Lease lease = CurlHandlePool::Global().Acquire(plan.origin);
    if (!lease) {
        t.outcome.result = kNetOpenFailed;
        return t.outcome;
    }
    std::unique_ptr<curl_slist, SlistDeleter> headers;
    std::vector<std::string> lines = plan.headerLines;
    if (plan.verb == "POST") {
        lines.push_back("Expect:");  // no 100-continue round trip before large bodies
    }
    for (const std::string& line : lines) {
        curl_slist* next = curl_slist_append(headers.get(), line.c_str());
        if (next == nullptr) {
            t.outcome.result = kNetRequestFailed;
            return t.outcome;
        }
        headers.release();
        headers.reset(next);
    }
    CURL* easy = lease.Easy();
    CURLM* multi = lease.Multi();
    if (!Configure(easy, t, headers.get()) || curl_multi_add_handle(multi, easy) != CURLM_OK) {
        ResetTransferHandle(easy);
        t.outcome.result = kNetRequestFailed;
        return t.outcome;
    }

    SigpipeGuard sigpipe;
    int running = 1;
    bool multiFailed = false;
    while (running != 0) {
        if (stop.load(std::memory_order_relaxed)) {
            t.stopped = true;
            break;
        }
        if (curl_multi_perform(multi, &running) != CURLM_OK) {
            multiFailed = true;
            break;
        }
        if (running == 0) {
            break;
        }
        if (curl_multi_poll(multi, nullptr, 0, kStopPollMs, nullptr) != CURLM_OK) {
            multiFailed = true;
            break;
        }
    }
    CURLcode code = CURLE_OK;
    bool finished = false;
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(multi, &left)) {
        if (message->msg == CURLMSG_DONE && message->easy_handle == easy) {
            code = message->data.result;
            finished = true;
        }
    }
    if (t.stopped || (finished && code != CURLE_OK && stop.load(std::memory_order_relaxed) &&
                      !t.consumerResult)) {
        t.outcome.stopped = true;
        t.outcome.result = kNetSuccess;
    } else if (t.consumerResult) {
        t.outcome.result = *t.consumerResult;
    } else if (t.tooSlow) {
        // As if the library's own floor had ended it.
        t.outcome.result = ResultFromCurl(CURLE_OPERATION_TIMEDOUT, easy, t);
    } else if (multiFailed || !finished) {
        t.outcome.result = t.finalHeaders ? kNetReadFailed : kNetSendFailed;
    } else {
        t.outcome.result = ResultFromCurl(code, easy, t);
        t.outcome.completed = code == CURLE_OK;
    }
    curl_multi_remove_handle(multi, easy);
    // Drop references to this call's buffers before the handle goes back to the pool.
    ResetTransferHandle(easy);
    return t.outcome;
}

}  // namespace talvex
