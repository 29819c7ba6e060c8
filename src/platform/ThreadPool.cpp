#include "platform/ThreadPool.h"

#include <chrono>
#include <system_error>
#include <thread>

namespace talvex {

ThreadPool::ThreadPool(size_t bound) : bound_(bound == 0 ? 1 : bound) {}

ThreadPool::~ThreadPool() {
    std::unique_lock lock(mutex_);
    stopping_ = true;
    wake_.notify_all();
    allDone_.wait(lock, [this] { return threads_ == 0; });
}

ThreadPool& ThreadPool::Global() {
    // Deliberately leaked: workers may still be blocked at exit, and a static destructor that
    // waited for them would hang the process's end.
    static ThreadPool* pool = new ThreadPool();
    return *pool;
}

bool ThreadPool::Queue(std::function<void()> work) {
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(work));
    // Idle threads not yet claimed by an earlier queued item can take this one.
    if (idle_ >= queue_.size()) {
        wake_.notify_one();
        return true;
    }
    if (threads_ < bound_) {
        try {
            std::thread(&ThreadPool::WorkerLoop, this).detach();
            ++threads_;
            return true;
        } catch (const std::system_error&) {
            // fall through: the item waits for a running thread, if any
        }
    }
    if (threads_ == 0) {
        queue_.pop_back();
        return false;
    }
    return true;
}

void ThreadPool::WorkerLoop() {
    std::unique_lock lock(mutex_);
    for (;;) {
        if (queue_.empty()) {
            if (stopping_) {
                break;
            }
            ++idle_;
            bool woke = wake_.wait_for(lock, std::chrono::seconds(kIdleSeconds),
                                       [this] { return !queue_.empty() || stopping_; });
            --idle_;
            if (!woke) {
                break;  // idle too long
            }
            continue;
        }
        std::function<void()> work = std::move(queue_.front());
        queue_.pop_front();
        lock.unlock();
        try {
            work();
        } catch (...) {
        }
        work = nullptr;  // destroy captured state outside the lock
        lock.lock();
    }
    --threads_;
    if (threads_ == 0) {
        allDone_.notify_all();
    }
}

size_t ThreadPool::ThreadCount() const {
    std::lock_guard lock(mutex_);
    return threads_;
}

size_t ThreadPool::QueuedCount() const {
    std::lock_guard lock(mutex_);
    return queue_.size();
}

}  // namespace talvex
