#include "app/InstancePipe.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <thread>

#include "app/DMutex.h"
#include "app/DebugLog.h"
#include "platform/Folders.h"
#include "platform/LocalSocket.h"
#include "platform/ThreadPool.h"
#include "platform/Tick.h"
#include "platform/Utf8.h"

namespace talvex {

namespace fs = std::filesystem;

namespace {

constexpr int kBacklog = 16;
constexpr int kRetryPauseMs = 50;

}  // namespace

struct InstancePipe::Listener {
    LocalSocket socket;
    int wakeFd = -1;  // eventfd: readable when the listener is asked to stop
    IMessageSink* sink = nullptr;
    std::mutex doneMutex;
    std::condition_variable doneChanged;
    bool done = false;

    ~Listener() {
        if (wakeFd >= 0) {
            ::close(wakeFd);
        }
    }
};

InstancePipe::InstancePipe() : InstancePipe(RuntimeFolder()) {}

InstancePipe::InstancePipe(fs::path folder) : folder_(std::move(folder)) {}

InstancePipe::~InstancePipe() {
    StopListening();
}

fs::path InstancePipe::SocketPath() const {
    return folder_.empty() ? fs::path() : folder_ / ("p" + std::string(kInstanceGuid));
}

bool InstancePipe::StartListening(IMessageSink* sink) {
    std::lock_guard guard(listenerLock_);
    if (listener_ || folder_.empty()) {
        return false;
    }
    auto listener = std::make_shared<Listener>();
    listener->sink = sink;
    listener->wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (listener->wakeFd < 0) {
        return false;
    }
    int error = 0;
    listener->socket = LocalSocket::Listen(SocketPath(), kBacklog, &error);
    if (!listener->socket.IsValid()) {
        Trace("InstancePipe: cannot listen: " + std::string(std::strerror(error)));
        return false;
    }
    bool queued = ThreadPool::Global().Queue([this, listener] {
        try {
            Serve(*listener);
        } catch (...) {
        }
        std::lock_guard done(listener->doneMutex);
        listener->done = true;
        listener->doneChanged.notify_all();
    });
    if (!queued) {
        ::unlink(SocketPath().c_str());
        return false;
    }
    listener_ = std::move(listener);
    return true;
}

void InstancePipe::StopListening() {
    std::shared_ptr<Listener> listener;
    {
        std::lock_guard guard(listenerLock_);
        listener = std::move(listener_);
    }
    if (!listener) {
        return;
    }
    uint64_t one = 1;
    while (::write(listener->wakeFd, &one, sizeof one) < 0 && errno == EINTR) {
    }
    {
        std::unique_lock done(listener->doneMutex);
        listener->doneChanged.wait(done, [&] { return listener->done; });
    }
    listener->socket.Close();
    ::unlink(SocketPath().c_str());
}

bool InstancePipe::IsListening() const {
    std::lock_guard guard(listenerLock_);
    return listener_ != nullptr;
}

std::wstring InstancePipe::GetLastCommandLine() const {
    std::lock_guard guard(lock_);
    return lastCommandLine_;
}

void InstancePipe::Serve(Listener& listener) {
    pollfd fds[2] = {{listener.socket.Descriptor(), POLLIN, 0}, {listener.wakeFd, POLLIN, 0}};
    for (;;) {
        fds[0].revents = fds[1].revents = 0;
        int n = ::poll(fds, 2, -1);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (fds[1].revents != 0) {
            return;  // asked to stop
        }
        if ((fds[0].revents & (POLLERR | POLLNVAL)) != 0) {
            return;
        }
        if ((fds[0].revents & POLLIN) != 0) {
            ServeConnection(listener);
        }
    }
}

void InstancePipe::ServeConnection(Listener& listener) {
    int error = 0;
    LocalSocket connection = listener.socket.Accept(&error);
    if (!connection.IsValid()) {
        if (error == EMFILE || error == ENFILE || error == ENOBUFS || error == ENOMEM) {
            // Out of descriptors: the connection stays queued; do not spin on it.
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return;
    }
    std::optional<uid_t> peer = connection.PeerUid();
    if (!peer || *peer != ::geteuid()) {
        return;  // only the same user may hand over a command line
    }
    connection.SetTimeouts(kReceiveWaitMs, kReceiveWaitMs);
    // A read error or time-out keeps whatever arrived before it.
    const std::string bytes = connection.ReceiveUpTo(kMaxMessageBytes);
    connection.Close();
    if (bytes.empty()) {
        // A start without arguments. It must not wipe a command line that is still waiting to
        // be handled.
        return;
    }
    {
        std::lock_guard guard(lock_);
        lastCommandLine_ = Utf8ToWide(bytes);
    }
    if (listener.sink != nullptr) {
        listener.sink->Post(kMsgInstanceCommand, 0, 0);
    }
}

InstancePipe::SendResult InstancePipe::Send(std::wstring_view commandLine, int waitMs) const {
    try {
        if (folder_.empty()) {
            return SendResult::NoListener;
        }
        const std::string message = WideToUtf8(commandLine);
        const fs::path path = SocketPath();
        const uint64_t deadline = TickMs() + static_cast<uint64_t>(waitMs > 0 ? waitMs : 0);
        for (;;) {
            const uint64_t now = TickMs();
            const int left = now < deadline ? static_cast<int>(deadline - now) : 1;
            int error = 0;
            LocalSocket socket = LocalSocket::Connect(path, left, &error);
            if (socket.IsValid()) {
                std::optional<uid_t> peer = socket.PeerUid();
                if (!peer || *peer != ::geteuid()) {
                    return SendResult::Failed;
                }
                socket.SetTimeouts(kReceiveWaitMs, left);
                // A listener that cuts the message closes early; the rest is not needed.
                socket.SendAll(message);
                socket.ShutdownWrite();
                return SendResult::Sent;
            }
            if (error == ENOENT || error == ECONNREFUSED) {
                // No socket or a dead one: wait only while an instance is alive to create it.
                if (!DMutex::IsHeld(folder_)) {
                    return SendResult::NoListener;
                }
            } else if (error != EAGAIN && error != EINTR) {
                return SendResult::Failed;
            }
            if (TickMs() >= deadline) {
                return SendResult::TimedOut;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(kRetryPauseMs));
        }
    } catch (...) {
        return SendResult::Failed;
    }
}

}  // namespace talvex
