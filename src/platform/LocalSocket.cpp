#include "platform/LocalSocket.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace talvex {

namespace {

void SetError(int* error, int value) {
    if (error != nullptr) {
        *error = value;
    }
}

bool MakeAddress(const std::filesystem::path& path, sockaddr_un& address) {
    const std::string& text = path.native();
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (text.empty() || text.size() >= sizeof address.sun_path) {
        return false;
    }
    std::memcpy(address.sun_path, text.data(), text.size());
    return true;
}

timeval ToTimeval(int ms) {
    timeval tv{};
    if (ms > 0) {
        tv.tv_sec = ms / 1000;
        tv.tv_usec = (ms % 1000) * 1000;
    }
    return tv;
}

}  // namespace

LocalSocket::~LocalSocket() {
    Close();
}

LocalSocket::LocalSocket(LocalSocket&& other) noexcept : fd_(other.fd_) {
    other.fd_ = -1;
}

LocalSocket& LocalSocket::operator=(LocalSocket&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

void LocalSocket::Close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

LocalSocket LocalSocket::Listen(const std::filesystem::path& path, int backlog, int* error) {
    sockaddr_un address{};
    if (!MakeAddress(path, address)) {
        SetError(error, ENAMETOOLONG);
        return {};
    }
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        if (!S_ISSOCK(st.st_mode)) {
            SetError(error, EEXIST);
            return {};
        }
        ::unlink(path.c_str());
    }
    LocalSocket s(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!s.IsValid()) {
        SetError(error, errno);
        return {};
    }
    if (::bind(s.fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        SetError(error, errno);
        return {};
    }
    // Connecting needs write permission on the socket file: owner only.
    if (::chmod(path.c_str(), 0600) != 0 || ::listen(s.fd_, backlog) != 0) {
        SetError(error, errno);
        ::unlink(path.c_str());
        return {};
    }
    return s;
}

LocalSocket LocalSocket::Connect(const std::filesystem::path& path, int timeoutMs, int* error) {
    sockaddr_un address{};
    if (!MakeAddress(path, address)) {
        SetError(error, ENAMETOOLONG);
        return {};
    }
    LocalSocket s(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!s.IsValid()) {
        SetError(error, errno);
        return {};
    }
    // A blocking connect to a listener whose queue is full waits up to the send time-out.
    timeval tv = ToTimeval(timeoutMs > 0 ? timeoutMs : 1);
    ::setsockopt(s.fd_, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    int r;
    do {
        r = ::connect(s.fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    } while (r != 0 && errno == EINTR);
    if (r != 0) {
        SetError(error, errno == EINPROGRESS ? EAGAIN : errno);
        return {};
    }
    SetError(error, 0);
    return s;
}

LocalSocket LocalSocket::Accept(int* error) const {
    int fd = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) {
        SetError(error, errno);
        return {};
    }
    SetError(error, 0);
    return LocalSocket(fd);
}

std::optional<uid_t> LocalSocket::PeerUid() const {
    ucred cred{};
    socklen_t size = sizeof cred;
    if (::getsockopt(fd_, SOL_SOCKET, SO_PEERCRED, &cred, &size) != 0 || size != sizeof cred) {
        return std::nullopt;
    }
    return cred.uid;
}

bool LocalSocket::SetTimeouts(int receiveMs, int sendMs) const {
    timeval rtv = ToTimeval(receiveMs);
    timeval stv = ToTimeval(sendMs);
    return ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &rtv, sizeof rtv) == 0 &&
           ::setsockopt(fd_, SOL_SOCKET, SO_SNDTIMEO, &stv, sizeof stv) == 0;
}

bool LocalSocket::SendAll(std::string_view data) const {
    while (!data.empty()) {
        ssize_t n = ::send(fd_, data.data(), data.size(), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        data.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

bool LocalSocket::ShutdownWrite() const {
    return ::shutdown(fd_, SHUT_WR) == 0;
}

std::string LocalSocket::ReceiveUpTo(size_t max) const {
    std::string data(max, '\0');
    size_t got = 0;
    while (got < max) {
        ssize_t n = ::recv(fd_, data.data() + got, max - got, 0);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        got += static_cast<size_t>(n);
    }
    data.resize(got);
    return data;
}

}  // namespace talvex
