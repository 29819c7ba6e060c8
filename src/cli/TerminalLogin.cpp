#include "cli/TerminalLogin.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include "app/StringTable.h"
#include "cli/Console.h"
#include "platform/Utf8.h"

namespace talvex::cli {

namespace {

std::string Text(const StringTable* strings, std::wstring_view key, std::wstring_view builtIn) {
    return WideToUtf8(strings != nullptr ? strings->GetText(key, builtIn) : std::wstring(builtIn));
}

// Echo off for the password; restored by the destructor whatever happens.
class EchoOff {
public:
    explicit EchoOff(int fd) : fd_(fd) {
        if (tcgetattr(fd_, &saved_) == 0) {
            termios quiet = saved_;
            quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
            quiet.c_lflag |= ECHONL;
            active_ = tcsetattr(fd_, TCSAFLUSH, &quiet) == 0;
        }
    }
    ~EchoOff() {
        if (active_) {
            tcsetattr(fd_, TCSAFLUSH, &saved_);
        }
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    int fd_;
    termios saved_{};
    bool active_ = false;
};

class ConsoleHold {
public:
    explicit ConsoleHold(Console& console) : console_(console) { console_.Hold(); }
    ~ConsoleHold() { console_.Release(); }
    ConsoleHold(const ConsoleHold&) = delete;
    ConsoleHold& operator=(const ConsoleHold&) = delete;

private:
    Console& console_;
};

}  // namespace

TerminalLogin::TerminalLogin(Console& console, const StringTable* strings, std::string ttyPath,
                             int wakeFd)
    : console_(console), strings_(strings), ttyPath_(std::move(ttyPath)), wakeFd_(wakeFd) {}

TerminalLogin::Read TerminalLogin::ReadLine(int fd, std::string& line) const {
    line.clear();
    for (;;) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
        const int n = poll(fds, wakeFd_ >= 0 ? 2 : 1, -1);
        if (n < 0 && errno == EINTR) {
            continue;  // the wake descriptor tells whether it was an interrupt
        }
        if (n < 0 || (wakeFd_ >= 0 && (fds[1].revents & POLLIN) != 0)) {
            return Read::Interrupted;
        }
        char c = 0;
        const ssize_t got = read(fd, &c, 1);
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) {
            continue;
        }
        if (got <= 0) {
            return Read::End;
        }
        if (c == '\n') {
            return Read::Line;
        }
        if (c != '\r') {
            line += c;
        }
        if (line.size() > 4096) {
            return Read::End;  // not a user name
        }
    }
}

int TerminalLogin::Show(int service, void*, std::wstring& userName, std::wstring& password) {
    const std::wstring initialUser = userName;
    userName.clear();
    password.clear();
    if (!isatty(STDIN_FILENO)) {
        return kLoginPromptCancel;
    }
    const int fd = open(ttyPath_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return kLoginPromptCancel;
    }
    ConsoleHold hold(console_);
    const bool facebook = service == kLoginServiceFacebook;
    std::string intro;
    if (service == kLoginServiceYouTube || facebook) {
        intro = Text(strings_, facebook ? L"dlg.login.title.fb" : L"dlg.login.title.yt",
                     facebook ? L"Facebook Login" : L"YouTube Login") +
                "\n" +
                Text(strings_, facebook ? L"dlg.login.lbl.fb" : L"dlg.login.lbl.yt",
                     facebook ? L"This video is not for public use. Please log in with your "
                                L"Facebook credentials to download this video."
                              : L"This video is restricted. Please log in with your YouTube "
                                L"credentials to download this video.") +
                "\n";
    }
    std::string userPrompt = Text(strings_, L"dlg.login.lbl.username", L"Username:");
    if (!initialUser.empty()) {
        userPrompt += " [" + WideToUtf8(initialUser) + "]";
    }
    WriteText(fd, intro + userPrompt + " ");
    std::string user;
    Read result = ReadLine(fd, user);
    std::string secret;
    if (result == Read::Line) {
        EchoOff quiet(fd);
        WriteText(fd, Text(strings_, L"dlg.login.lbl.pwd", L"Password:") + " ");
        result = ReadLine(fd, secret);
    }
    if (result != Read::Line) {
        WriteText(fd, "\n");
    }
    close(fd);
    if (result != Read::Line) {
        return kLoginPromptCancel;
    }
    userName = user.empty() ? initialUser : Utf8ToWide(user);
    password = Utf8ToWide(secret);
    return kLoginPromptOk;
}

}  // namespace talvex::cli
