// Prints the program's version and the folders it would use: the first thing to run on a new
// machine to see that the build works.
#include <cstdio>

#include "app/Version.h"
#include "platform/Folders.h"
#include "platform/Utf8.h"

int main() {
    using namespace talvex;
    std::printf("%s %s\n", kProgramName, WideToUtf8(kVersionText).c_str());
    std::printf("settings: %s\n", (ConfigFolder() / "Talvex.json").c_str());
    std::printf("data:     %s\n", DataFolder().c_str());
    std::printf("resource: %s\n", ResourceFolder().c_str());
    return 0;
}
