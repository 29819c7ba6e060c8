#pragma once
// The commands of talvex-scripts, each taking its arguments (after the command's name) and
// returning the exit status: 0 done, 1 failed (or mistakes found, or no media address), 2 usage
// error.
#include <string>
#include <vector>

namespace talvex::scripttools {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// pack [--force] --version VERSION -o OUTPUT SOURCE...
int PackCommand(const std::vector<std::string>& args);
// check SOURCE...
int CheckCommand(const std::vector<std::string>& args);
// run [--trace] [--script FILE]... [-q QUALITY] [--login USER] URL
int RunCommand(const std::vector<std::string>& args);
// unpack FILE
int UnpackCommand(const std::vector<std::string>& args);
// verify FILE
int VerifyCommand(const std::vector<std::string>& args);

// The usage lines of every command.
const char* UsageText();

}  // namespace talvex::scripttools
