#pragma once
// talvex-cli against the fixture video site, in a home of its own, with a download folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "integration/cli/CliProcess.h"
#include "integration/sitescripts/FixtureSite.h"
#include "support/TestHome.h"

namespace talvex::test {

class CliSite : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(site_.Start()) << site_.LastError(); }

    std::filesystem::path Media(const std::string& relativePath) const {
        return site_.MediaFolder() / relativePath;
    }
    const std::filesystem::path& Folder() const { return folder_.Path(); }
    // download -o FOLDER args...
    CliResult Download(std::vector<std::string> args, int limitSeconds = 120) {
        args.insert(args.begin(), {"download", "-o", Folder().string()});
        return RunCli(args, limitSeconds);
    }
    // The paths of the "Completed: " lines, in order.
    static std::vector<std::filesystem::path> CompletedPaths(const CliResult& result) {
        std::vector<std::filesystem::path> paths;
        for (const std::string& line : Lines(result.out)) {
            if (line.rfind("Completed: ", 0) == 0) {
                paths.emplace_back(line.substr(11));
            }
        }
        return paths;
    }

    TestHome home_;
    FixtureSite site_;
    TempDir folder_;
};

inline std::string Watch(const std::string& id) {
    return "http://www.youtube.com/watch?v=" + id;
}

}  // namespace talvex::test
