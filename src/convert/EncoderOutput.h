#pragma once
// Reading the encoder's error output while it converts: the input's "Duration: HH:MM:SS.cc,"
// and the progress figures "time=...". Figures are in hundredths of a second of media.
//
// Output arrives in pieces that need not end at a line's end, and progress lines end in a
// carriage return rather than a line feed, so the text is cut into lines at either before it
// is read. "time=" is read both as "HH:MM:SS.cc" (current encoders) and as seconds "SS.cc"
// (older ones).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace talvex {

class EncoderOutputReader {
public:
    struct Figures {
        std::optional<int64_t> duration;  // a "Duration: " line was read
        std::optional<int64_t> position;  // a new position, not 0 and not the previous one
    };

    // Takes the next piece of output (UTF-8 bytes) and tells what it brought.
    Figures Feed(std::string_view bytes);
    // Reads a last line left without its end when the output closed.
    Figures Flush();
    // The encoder's last text after a progress figure (an error or its summary), or empty.
    const std::wstring& LastMessage() const { return lastMessage_; }
    int64_t Position() const { return position_; }

    // One line's "time=" figure, for testing: hundredths, nothing when absent or unreadable.
    // (The "Duration: " line is read by ParseEncoderDuration.)
    static std::optional<int64_t> ParseTime(std::wstring_view line);

private:
    void ReadLine(std::string_view line, Figures& figures);

    // A line's start waiting for its end; bounded so that output without line ends cannot
    // grow without limit.
    std::string pending_;
    int64_t position_ = 0;
    bool sawProgress_ = false;
    std::wstring lastMessage_;
};

}  // namespace talvex
