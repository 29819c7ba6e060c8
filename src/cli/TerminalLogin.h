#pragma once
// The login question of a site script, asked on the controlling terminal: the explanation,
// the user name (echoed) and the password (not echoed). Without a terminal on standard input
// there is nobody to ask, and the answer is Cancel. An interrupt while the prompt waits also
// answers Cancel, with the terminal's echo restored.
#include <string>

#include "scripts/ILoginPrompt.h"

namespace talvex {
class StringTable;
}

namespace talvex::cli {

class Console;

class TerminalLogin : public ILoginPrompt {
public:
    // ttyPath: the terminal to talk to ("/dev/tty"); wakeFd: readable once the front end is
    // interrupted (-1: none).
    TerminalLogin(Console& console, const StringTable* strings, std::string ttyPath, int wakeFd);

    int Show(int service, void* owner, std::wstring& userName, std::wstring& password) override;

private:
    enum class Read { Line, End, Interrupted };
    // One line from the terminal, without its line feed.
    Read ReadLine(int fd, std::string& line) const;

    Console& console_;
    const StringTable* strings_;
    std::string ttyPath_;
    int wakeFd_;
};

}  // namespace talvex::cli
