#pragma once
// Unix domain stream sockets for talking to another process of the same user: listen, accept,
// connect with a bounded wait, peer credentials, and whole-buffer send and bounded receive.
#include <sys/types.h>

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace talvex {

class LocalSocket {
public:
    LocalSocket() = default;
    ~LocalSocket();
    LocalSocket(const LocalSocket&) = delete;
    LocalSocket& operator=(const LocalSocket&) = delete;
    LocalSocket(LocalSocket&& other) noexcept;
    LocalSocket& operator=(LocalSocket&& other) noexcept;

    // A non-blocking listening socket at path with file mode 0600. A socket file left at path by
    // an earlier listener is replaced; any other kind of file there makes it fail (EEXIST).
    // On failure the result is invalid and *error (when given) holds the errno.
    static LocalSocket Listen(const std::filesystem::path& path, int backlog, int* error = nullptr);
    // Connects to the listener at path. While the listener's queue is full the call waits up to
    // timeoutMs. On failure *error holds the errno: ENOENT (no socket file), ECONNREFUSED (file
    // but no listener), EAGAIN (queue still full), others.
    static LocalSocket Connect(const std::filesystem::path& path, int timeoutMs,
                               int* error = nullptr);

    // A blocking connection from the listening socket; invalid with *error set (EAGAIN when none
    // is waiting).
    LocalSocket Accept(int* error = nullptr) const;

    bool IsValid() const { return fd_ >= 0; }
    int Descriptor() const { return fd_; }
    void Close();

    // The effective user id of the process at the other end (SO_PEERCRED).
    std::optional<uid_t> PeerUid() const;
    // Bounds later receives and sends; a stuck peer then cannot hold a thread for ever.
    bool SetTimeouts(int receiveMs, int sendMs) const;
    // Sends all of data (no SIGPIPE when the peer has gone). False on any error.
    bool SendAll(std::string_view data) const;
    // Tells the peer that nothing more will be sent (it reads end of stream).
    bool ShutdownWrite() const;
    // Reads until end of stream, an error, the receive time-out, or max bytes: whatever arrived.
    std::string ReceiveUpTo(size_t max) const;

private:
    explicit LocalSocket(int fd) : fd_(fd) {}
    int fd_ = -1;
};

}  // namespace talvex
