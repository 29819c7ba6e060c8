#pragma once
// Standard error of the command-line front end, shared by the message lines, the live
// progress block (redrawn in place on a terminal) and the login prompt. Every write goes
// through one lock, so a message never lands in the middle of a progress line.
#include <mutex>
#include <string>
#include <vector>

namespace talvex::cli {

// Writes all of text to fd, going on after interruptions; gives up silently on an error (there
// is nowhere left to report a failing terminal or standard error).
void WriteText(int fd, const std::string& text);

class Console {
public:
    // fd: where everything goes (standard error); terminal: whether it is one, so that the
    // live block may be redrawn in place.
    Console(int fd, bool terminal);

    bool IsTerminal() const { return terminal_; }
    // Columns of the terminal; 80 when unknown.
    int Width() const;

    // Prints one line above the live block (the block is drawn again by the next DrawLive).
    void Message(const std::string& line);
    // Replaces the live block with lines (terminal only; does nothing otherwise, and nothing
    // while the console is held).
    void DrawLive(const std::vector<std::string>& lines);
    // Erases the live block.
    void ClearLive();

    // Keeps the console for a dialogue with the user (the login prompt): clears the live block
    // and draws none until Release. Messages still print.
    void Hold();
    void Release();
    // Waits (at most timeoutMs) until no dialogue holds the console, so that the terminal is
    // left as the user had it before the program ends at once.
    void WaitUntilReleased(int timeoutMs);

private:
    void ClearLiveLocked();

    const int fd_;
    const bool terminal_;
    std::mutex lock_;
    size_t liveLines_ = 0;
    bool held_ = false;
};

}  // namespace talvex::cli
