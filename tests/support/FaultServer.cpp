#include "support/FaultServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>

#include "platform/Utf8.h"

namespace talvex::test {

namespace {

constexpr size_t kMaxRequestBytes = 1 << 20;
constexpr uint64_t kFillerPeriod = 26;

int ListenOnLoopback(int backlog, uint16_t& port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, backlog) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(fd);
        return -1;
    }
    port = ntohs(address.sin_port);
    return fd;
}

size_t ContentLengthOf(const std::string& head) {
    std::string lower(head);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    size_t at = lower.find("\r\ncontent-length:");
    if (at == std::string::npos) {
        return 0;
    }
    return static_cast<size_t>(std::strtoull(lower.c_str() + at + 17, nullptr, 10));
}

}  // namespace

char FaultServer::FillerByte(uint64_t offset) {
    return static_cast<char>('a' + offset % kFillerPeriod);
}

std::string FaultServer::Connection::ReadRequest() {
    char buffer[16384];
    size_t headEnd;
    while ((headEnd = pending_.find("\r\n\r\n")) == std::string::npos) {
        if (pending_.size() > kMaxRequestBytes) {
            return {};
        }
        ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
        if (n <= 0) {
            return {};
        }
        pending_.append(buffer, static_cast<size_t>(n));
    }
    size_t total =
        headEnd + 4 + std::min(ContentLengthOf(pending_.substr(0, headEnd + 4)), kMaxRequestBytes);
    while (pending_.size() < total) {
        ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
        if (n <= 0) {
            return {};
        }
        pending_.append(buffer, static_cast<size_t>(n));
    }
    std::string request = pending_.substr(0, total);
    pending_.erase(0, total);
    server_.Record(request);
    return request;
}

bool FaultServer::Connection::Send(std::string_view bytes) {
    while (!bytes.empty()) {
        if (server_.stopping_.load()) {
            return false;
        }
        ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

bool FaultServer::Connection::SendFiller(uint64_t count, uint64_t offset) {
    static const std::string pattern = [] {
        std::string p;
        for (uint64_t i = 0; i < 65536 + kFillerPeriod; ++i) {
            p.push_back(FillerByte(i));
        }
        return p;
    }();
    uint64_t sent = 0;
    while (sent < count) {
        size_t piece = static_cast<size_t>(std::min<uint64_t>(65536, count - sent));
        if (!Send(std::string_view(pattern).substr((offset + sent) % kFillerPeriod, piece))) {
            return false;
        }
        sent += piece;
    }
    return true;
}

void FaultServer::Connection::Stall() {
    server_.WaitStopped(kMaxStallMs);
}

bool FaultServer::Connection::Idle(uint64_t ms) {
    return !server_.WaitStopped(ms);
}

FaultServer::FaultServer(Handler handler) : handler_(std::move(handler)) {
    listenFd_ = ListenOnLoopback(64, port_);
    if (listenFd_ >= 0) {
        acceptThread_ = std::thread([this] { AcceptLoop(); });
    }
}

FaultServer::~FaultServer() {
    Stop();
}

std::string FaultServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::wstring FaultServer::WideUrl(const std::string& path) const {
    return Utf8ToWide(Url(path));
}

void FaultServer::AcceptLoop() {
    while (!stopping_.load()) {
        pollfd p{listenFd_, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0) {
            continue;
        }
        int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        timeval limit{30, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
        std::lock_guard lock(mutex_);
        if (stopping_.load()) {
            ::close(fd);
            break;
        }
        ++connections_;
        openFds_.push_back(fd);
        threads_.emplace_back([this, fd] { Serve(fd); });
    }
}

void FaultServer::Serve(int fd) {
    try {
        Connection connection(*this, fd);
        handler_(connection);
    } catch (...) {
    }
    std::lock_guard lock(mutex_);
    openFds_.erase(std::remove(openFds_.begin(), openFds_.end(), fd), openFds_.end());
    ::close(fd);
}

void FaultServer::Record(const std::string& request) {
    std::lock_guard lock(mutex_);
    requests_.push_back(request);
}

std::vector<std::string> FaultServer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

bool FaultServer::WaitStopped(uint64_t ms) {
    std::unique_lock lock(mutex_);
    return stopped_.wait_for(lock, std::chrono::milliseconds(ms),
                             [this] { return stopping_.load(); });
}

void FaultServer::Stop() {
    {
        std::lock_guard lock(mutex_);
        if (stopping_.exchange(true)) {
            return;
        }
    }
    stopped_.notify_all();
    if (acceptThread_.joinable()) {
        acceptThread_.join();
    }
    if (listenFd_ >= 0) {
        ::close(listenFd_);
    }
    std::vector<std::thread> threads;
    {
        std::lock_guard lock(mutex_);
        for (int fd : openFds_) {
            ::shutdown(fd, SHUT_RDWR);
        }
        threads.swap(threads_);
    }
    for (auto& t : threads) {
        t.join();
    }
}

FaultServer::Handler FaultServer::NeverAnswers() {
    return [](Connection& c) {
        c.ReadRequest();
        c.Stall();
    };
}

FaultServer::Handler FaultServer::Respond(std::string head, uint64_t bodyBytes, bool stallAfter) {
    return [head = std::move(head), bodyBytes, stallAfter](Connection& c) {
        if (c.ReadRequest().empty() || !c.Send(head) || !c.SendFiller(bodyBytes)) {
            return;
        }
        if (stallAfter) {
            c.Stall();
        }
    };
}

FaultServer::Handler FaultServer::EndlessBody() {
    return [](Connection& c) {
        if (c.ReadRequest().empty() ||
            !c.Send("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nConnection: close\r\n\r\n")) {
            return;
        }
        c.SendFiller(kMaxEndlessBytes);
    };
}

FaultServer::Handler FaultServer::Trickle(std::string head, uint64_t bodyBytes, uint64_t step,
                                          uint64_t stepMs) {
    return [head = std::move(head), bodyBytes, step, stepMs](Connection& c) {
        const std::string request = c.ReadRequest();
        if (request.empty() || !c.Send(head) || request.rfind("HEAD ", 0) == 0) {
            return;
        }
        for (uint64_t sent = 0; sent < bodyBytes; sent += step) {
            if (!c.SendFiller(std::min(step, bodyBytes - sent), sent) || !c.Idle(stepMs)) {
                return;
            }
        }
    };
}

FaultServer::Handler FaultServer::Echo() {
    return [](Connection& c) {
        std::string request = c.ReadRequest();
        if (request.empty()) {
            return;
        }
        c.Send(
            "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nConnection: close\r\nContent-Length: " +
            std::to_string(request.size()) + "\r\n\r\n" + request);
    };
}

UnansweredListener::UnansweredListener() {
    listenFd_ = ListenOnLoopback(0, port_);
    if (listenFd_ < 0) {
        return;
    }
    // With a backlog of 0 one finished handshake fills the accept queue; later connection
    // attempts are dropped without an answer.
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port_);
    for (int i = 0; i < 2; ++i) {
        int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0) {
            continue;
        }
        ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        fillers_.push_back(fd);
        if (i == 0) {
            pollfd p{fd, POLLOUT, 0};
            ::poll(&p, 1, 1000);
        }
    }
}

UnansweredListener::~UnansweredListener() {
    for (int fd : fillers_) {
        ::close(fd);
    }
    if (listenFd_ >= 0) {
        ::close(listenFd_);
    }
}

}  // namespace talvex::test
