#pragma once
// The time a script run spends working: wall-clock time since it started, less the time it was
// paused while it waited for something outside the interpreter (a page fetch, the user's answer
// to a login prompt). Those waits have their own bounds, and a slow network or a slow typist
// must not make a good script fail. Used by the run's thread only.
#include <chrono>

namespace talvex {

class ScriptStopwatch {
public:
    using Clock = std::chrono::steady_clock;

    ScriptStopwatch() : started_(Clock::now()) {}

    Clock::duration Busy() const {
        const Clock::time_point now = Clock::now();
        Clock::duration paused = paused_;
        if (depth_ > 0) {
            paused += now - pauseStart_;
        }
        return now - started_ - paused;
    }

    // Pauses may nest: the clock runs again when the outermost one ends.
    void Pause() {
        if (depth_++ == 0) {
            pauseStart_ = Clock::now();
        }
    }
    void Resume() {
        if (depth_ > 0 && --depth_ == 0) {
            paused_ += Clock::now() - pauseStart_;
        }
    }

    // Pauses the watch for the life of the object.
    class Paused {
    public:
        explicit Paused(ScriptStopwatch& watch) : watch_(watch) { watch_.Pause(); }
        ~Paused() { watch_.Resume(); }
        Paused(const Paused&) = delete;
        Paused& operator=(const Paused&) = delete;

    private:
        ScriptStopwatch& watch_;
    };

private:
    Clock::time_point started_;
    Clock::duration paused_{};
    Clock::time_point pauseStart_;
    int depth_ = 0;
};

}  // namespace talvex
