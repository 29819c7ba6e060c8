// What talvex-cli says when it cannot start downloading: in its own words, naming the command
// line's means rather than the desktop program's window, and before anything is fetched.
#include <gtest/gtest.h>
#include <unistd.h>

#include "integration/cli/CliSite.h"

namespace talvex::test {
namespace {

namespace fs = std::filesystem;

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST_F(CliSite, FolderListAndSiteProblemsAreToldInTheCommandLinesWords) {
    // -o naming a file.
    const fs::path file = Folder() / "notes.txt";
    WriteFileBytes(file, "not a folder");
    CliResult result = Download({"-o", file.string(), Watch("sd360only01")});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_TRUE(Contains(result.err, "talvex-cli: " + file.string() + " is not a folder"))
        << result.err;
    EXPECT_FALSE(Contains(result.err, "does not exist")) << result.err;

    // Folders nothing can be written into: /sys refuses new files to everyone, root included
    // (for whom permission bits do not count); a read-only folder refuses them to others.
    std::vector<fs::path> readOnly;
    if (fs::is_directory("/sys")) {
        readOnly.push_back("/sys");
    }
    const fs::path locked = Folder() / "locked";
    if (geteuid() != 0) {
        fs::create_directory(locked);
        fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
        readOnly.push_back(locked);
    }
    for (const fs::path& folder : readOnly) {
        result = Download({"-o", folder.string(), Watch("sd360only01")});
        EXPECT_EQ(result.exitCode, 2) << folder;
        EXPECT_TRUE(Contains(result.err, "talvex-cli: cannot write to " + folder.string()))
            << result.err;
        EXPECT_EQ(result.out, "");
    }
    if (fs::exists(locked)) {
        fs::permissions(locked, fs::perms::owner_all);
    }
    // Each was found before the site was asked for anything.
    EXPECT_TRUE(site_.Requests("www.youtube.com").empty());

    // An address no site script handles points to the command that lists the sites, not to
    // the window's tabs and menus.
    result = Download({"http://video.example.test/v/1"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(Contains(result.err, "'talvex-cli sites'")) << result.err;
    EXPECT_FALSE(Contains(result.err, "activity tab")) << result.err;
    EXPECT_FALSE(Contains(result.err, "Help >")) << result.err;

    // A list without videos says so, with the site script's reason, and is no success.
    const std::string empty = "http://www.youtube.com/playlist?list=PLempty0001";
    result = Download({"--playlists", "all", empty});
    EXPECT_EQ(result.exitCode, 1) << result.out << result.err;
    EXPECT_TRUE(
        Contains(result.err, "talvex-cli: " + empty + ": This playlist or channel has no videos."))
        << result.err;
    EXPECT_EQ(result.out, "");
}

}  // namespace
}  // namespace talvex::test
