#pragma once
// Hands a later start's command line to the running instance. The first instance listens on a
// Unix domain socket "p{GUID}" in the user's private runtime folder; a second start connects,
// writes its command line as UTF-8 and closes. One message per connection; the receiver reads
// at most 4096 bytes of it. Only the same user can connect (private folder, socket mode 0600,
// and the peer's user id is checked on both sides).
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/MessageSink.h"

namespace talvex {

class InstancePipe {
public:
    static constexpr size_t kMaxMessageBytes = 4096;
    // How long a sender waits for a listener that is starting or busy.
    static constexpr int kSendWaitMs = 5000;
    // How long the listener waits for one sender's bytes, so a stuck sender cannot block it.
    static constexpr int kReceiveWaitMs = 5000;

    enum class SendResult {
        Sent,
        NoListener,  // nobody listens and no instance holds the lock: nothing to hand over to
        TimedOut,    // an instance runs but did not accept within the wait
        Failed,      // any other error (including a listener of another user)
    };

    // The socket in RuntimeFolder().
    InstancePipe();
    // The socket (and the instance lock it consults) in folder.
    explicit InstancePipe(std::filesystem::path folder);
    // Stops the listener.
    ~InstancePipe();
    InstancePipe(const InstancePipe&) = delete;
    InstancePipe& operator=(const InstancePipe&) = delete;

    std::filesystem::path SocketPath() const;

    // First instance: creates the socket and serves connections on a long work item of
    // ThreadPool::Global(). Each message with at least one byte replaces the last command line
    // and posts kMsgInstanceCommand with wParam 0 and lParam 0 to sink, which must outlive the
    // listener. False when the socket cannot be set up (the program then runs without
    // receiving forwarded command lines) or when already listening.
    bool StartListening(IMessageSink* sink);
    // Ends the listener, waits until its work item has returned and removes the socket file.
    void StopListening();
    bool IsListening() const;

    // The last command line received.
    std::wstring GetLastCommandLine() const;

    // Second instance: sends commandLine to the listener. While an instance holds the lock but
    // its listener is not accepting yet (starting up, queue full) it retries for up to waitMs.
    SendResult Send(std::wstring_view commandLine, int waitMs = kSendWaitMs) const;

private:
    struct Listener;
    void Serve(Listener& listener);
    void ServeConnection(Listener& listener);

    const std::filesystem::path folder_;
    mutable std::mutex lock_;  // guards lastCommandLine_
    std::wstring lastCommandLine_;
    mutable std::mutex listenerLock_;  // guards listener_
    std::shared_ptr<Listener> listener_;
};

}  // namespace talvex
