#pragma once
// A tiny HTTP server for the faults a real server will not make on demand: never answering,
// stalling or closing mid-body, announcing more than it sends, sending without end, echoing the
// request. It listens on 127.0.0.1 on a free port and serves each connection on its own thread
// with a handler the test chooses. Everything it does is bounded: stalls end when the server is
// stopped (at the latest by its destructor) or after kMaxStallMs, endless bodies after
// kMaxEndlessBytes.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace talvex::test {

class FaultServer {
public:
    static constexpr uint64_t kMaxStallMs = 60000;
    static constexpr uint64_t kMaxEndlessBytes = 1ull << 30;

    class Connection {
    public:
        Connection(FaultServer& server, int fd) : server_(server), fd_(fd) {}
        // One request: the header block and, when it announces one, the body. Empty when the
        // peer closed first. The server keeps a copy (Requests()).
        std::string ReadRequest();
        bool Send(std::string_view bytes);
        // count bytes of a repeating pattern, from the pattern's byte at offset; false when the
        // peer went away or the server stops.
        bool SendFiller(uint64_t count, uint64_t offset = 0);
        // Keeps the connection open and silent until the server stops.
        void Stall();
        // Keeps it silent for ms; false when the server stops meanwhile.
        bool Idle(uint64_t ms);

    private:
        FaultServer& server_;
        int fd_;
        std::string pending_;
    };
    using Handler = std::function<void(Connection&)>;

    explicit FaultServer(Handler handler);
    ~FaultServer();
    FaultServer(const FaultServer&) = delete;
    FaultServer& operator=(const FaultServer&) = delete;

    bool IsListening() const { return listenFd_ >= 0; }
    uint16_t Port() const { return port_; }
    std::string Url(const std::string& path = "/") const;
    std::wstring WideUrl(const std::string& path = "/") const;
    // Closes the listener and every connection and waits for the handlers to end.
    void Stop();
    int ConnectionCount() const { return connections_.load(); }
    std::vector<std::string> Requests() const;

    // --- canned handlers ---
    // Reads the request and never answers.
    static Handler NeverAnswers();
    // Reads the request, sends head (status line and headers, ending in a blank line) and
    // bodyBytes of filler, then closes the connection or, with stallAfter, keeps it silent.
    static Handler Respond(std::string head, uint64_t bodyBytes, bool stallAfter = false);
    // "200" without a length, then filler until the client goes away (or kMaxEndlessBytes).
    static Handler EndlessBody();
    // Reads the request and sends head; for any verb but "HEAD", bodyBytes of filler follow,
    // step bytes every stepMs (a server that trickles), then the connection closes.
    static Handler Trickle(std::string head, uint64_t bodyBytes, uint64_t step, uint64_t stepMs);
    // "200" whose body is the request exactly as received.
    static Handler Echo();

    // The byte at offset of the filler stream (for checking what a client stored).
    static char FillerByte(uint64_t offset);

private:
    void AcceptLoop();
    void Serve(int fd);
    void Record(const std::string& request);
    bool WaitStopped(uint64_t ms);

    Handler handler_;
    int listenFd_ = -1;
    uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> connections_{0};
    mutable std::mutex mutex_;
    std::condition_variable stopped_;
    std::vector<int> openFds_;
    std::vector<std::thread> threads_;
    std::vector<std::string> requests_;
    std::thread acceptThread_;
};

// A listening socket on 127.0.0.1 that never accepts, its queue already full: connection
// attempts to it get no answer at all, so a client can only time out.
class UnansweredListener {
public:
    UnansweredListener();
    ~UnansweredListener();
    UnansweredListener(const UnansweredListener&) = delete;
    UnansweredListener& operator=(const UnansweredListener&) = delete;
    uint16_t Port() const { return port_; }

private:
    int listenFd_ = -1;
    std::vector<int> fillers_;
    uint16_t port_ = 0;
};

}  // namespace talvex::test
