#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Folders.h"
#include "support/TestHome.h"

namespace talvex {

using test::ScopedEnv;
using test::TestHome;
using test::WriteFileBytes;

TEST(Folders, FollowXdgVariablesAndFallBackToHome) {
    TestHome home;
    EXPECT_EQ(ConfigFolder(), home.ConfigHome() / "Orlenta");
    EXPECT_EQ(DataFolder(), home.DataHome() / "Talvex");
    {
        ScopedEnv noConfig("XDG_CONFIG_HOME", std::nullopt);
        ScopedEnv noData("XDG_DATA_HOME", "relative/ignored");
        EXPECT_EQ(ConfigFolder(), home.Home() / ".config" / "Orlenta");
        EXPECT_EQ(DataFolder(), home.Home() / ".local/share/Talvex");
    }
}

TEST(Folders, DocumentsFolderComesFromUserDirsOnlyWhenItExists) {
    TestHome home;
    EXPECT_TRUE(DocumentsFolder().empty());
    WriteFileBytes(home.ConfigHome() / "user-dirs.dirs",
                   "# comment\nXDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n");
    EXPECT_TRUE(DocumentsFolder().empty());  // not created yet
    std::filesystem::create_directories(home.Home() / "Dokumente");
    EXPECT_EQ(DocumentsFolder(), home.Home() / "Dokumente");
}

TEST(Folders, RuntimeFolderFallbackIsPrivate) {
    TestHome home;
    EXPECT_EQ(RuntimeFolder(), home.RuntimeDir());
    ScopedEnv noRuntime("XDG_RUNTIME_DIR", std::nullopt);
    auto dir = RuntimeFolder();
    ASSERT_FALSE(dir.empty());
    struct stat st {};
    ASSERT_EQ(::stat(dir.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(st.st_uid, ::getuid());
}

TEST(Folders, ResourceFolderHonoursOverrideElseExecutableFolder) {
    {
        ScopedEnv env("TALVEX_RESOURCE_DIR", "/opt/somewhere");
        EXPECT_EQ(ResourceFolder(), "/opt/somewhere");
    }
    ScopedEnv env("TALVEX_RESOURCE_DIR", std::nullopt);
    EXPECT_EQ(ResourceFolder(), ExecutablePath().parent_path());
}

}  // namespace talvex
