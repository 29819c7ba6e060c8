#pragma once
// The pool for long work items: preparing and running downloads, every HTTP segment, every
// encoder run, the instance pipe listener. Such items block for minutes on the network or a
// child process, so a fixed-size pool would let one blocked item hold up the others. Instead a
// new item always gets an idle thread, or a new thread while fewer than the bound exist; only
// beyond the bound does it wait in the queue.
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>

namespace talvex {

class ThreadPool {
public:
    // 128 threads: three downloads of four segments plus their preparation, three encoders,
    // playlists of waiting items being prepared and the pipe listener need a few dozen at
    // most; the bound only guards against a runaway producer exhausting the process.
    static constexpr size_t kDefaultBound = 128;
    // Idle threads end after this long, so a burst does not leave a hundred threads behind.
    static constexpr int kIdleSeconds = 30;

    explicit ThreadPool(size_t bound = kDefaultBound);
    // Waits for queued and running items to finish. The process-wide pool is never destroyed.
    ~ThreadPool();
    ThreadPool(const ThreadPool&) = delete;
    ThreadPool& operator=(const ThreadPool&) = delete;

    // The process-wide pool.
    static ThreadPool& Global();

    // Runs work on a pool thread. The work must catch its own exceptions; one that escapes is
    // swallowed so that it cannot end the process. Returns false only when no thread could be
    // started and none exists to take the item later.
    bool Queue(std::function<void()> work);

    size_t ThreadCount() const;
    size_t QueuedCount() const;

private:
    void WorkerLoop();

    const size_t bound_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable allDone_;
    std::deque<std::function<void()>> queue_;
    size_t threads_ = 0;
    size_t idle_ = 0;
    bool stopping_ = false;
};

}  // namespace talvex
