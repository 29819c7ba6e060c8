#pragma once
// The program's command line: options, each a slash, the option name, a blank and the value,
// separated by blanks; a value holding blanks is put in double quotes:
//     /addurl http://host/page /download "a value with blanks"
// The running instance acts on "addurl" and "download"; other names are parsed and ignored.
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace talvex {

inline constexpr wchar_t kOptionAddUrl[] = L"addurl";
inline constexpr wchar_t kOptionDownload[] = L"download";

// Lower-case option name -> value; a later option of the same name replaces an earlier one.
using CommandLineOptions = std::map<std::wstring, std::wstring>;

// Parses the whole line into options. Returns false on any format error; options is then left
// empty, so nothing read before the error is acted on.
bool ParseCommandLine(std::wstring_view line, CommandLineOptions& options);

// Builds the line from the process arguments (without the program path): the arguments joined
// with blanks, one holding white space wrapped in double quotes. "--addurl URL",
// "--download URL" and "--addurl=URL" are written as "/addurl URL" and "/download URL".
// Arguments are UTF-8.
std::wstring BuildCommandLine(const std::vector<std::string>& args);
// The same from main's arguments; argv[0] is skipped.
std::wstring BuildCommandLine(int argc, const char* const* argv);

}  // namespace talvex
