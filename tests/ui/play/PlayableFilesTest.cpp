// The Play page's file list over a real folder: which names are listed, which are left out
// (unfinished downloads, other media, folders), and in which order.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/Utf8.h"
#include "support/TestHome.h"
#include "ui/PlayableFiles.h"

namespace talvex::test {
namespace {

namespace fs = std::filesystem;
using ui::ListPlayableFiles;

class PlayableFilesTest : public ::testing::Test {
protected:
    void Make(const std::vector<std::string>& names) {
        for (const std::string& name : names) {
            WriteFileBytes(dir.Path() / name, "x");
        }
    }
    std::wstring Folder() const { return dir.Path().wstring(); }

    TempDir dir;
};

TEST_F(PlayableFilesTest, UnfinishedDownloadsAreLeftOutEvenWhenTheySortTogether) {
    // The two unfinished names sort next to each other, before and after the finished one.
    Make({"clip.flv", "clip.tmp.1.flv", "clip.tmp.2.flv", "b.tmp.flv", "z.tmp.flv"});
    EXPECT_EQ(ListPlayableFiles(Folder()), std::vector<std::wstring>{L"clip.flv"});
}

TEST_F(PlayableFilesTest, TheUnfinishedMarkIsCaseSensitive) {
    Make({"Clip.TMP.flv", "clip.tmp.mp4", "tmp.mp4", "clip.tmp"});
    EXPECT_EQ(ListPlayableFiles(Folder()),
              (std::vector<std::wstring>{L"Clip.TMP.flv", L"tmp.mp4"}));
}

TEST_F(PlayableFilesTest, EverySupportedExtensionInAnyCaseAndNothingElse) {
    Make({"a.flv", "b.MP4", "c.mov", "d.f4v", "e.3gp", "f.3G2", "g.mp3", "h.avi", "i.mkv",
          "j.mp4.part", "k.mp4x", "mp4", "l.wmv"});
    fs::create_directories(dir.Path() / "folder.mp4");
    EXPECT_EQ(ListPlayableFiles(Folder()),
              (std::vector<std::wstring>{L"a.flv", L"b.MP4", L"c.mov", L"d.f4v", L"e.3gp", L"f.3G2",
                                         L"g.mp3"}));
}

TEST_F(PlayableFilesTest, SortedByNameIgnoringLetterCaseThenExactly) {
    Make({"beta.mp4", "Alpha.mp3", "alpha.mp3", "gamma.MOV", "Beta 2.flv", "10.flv", "2.flv"});
    EXPECT_EQ(ListPlayableFiles(Folder()),
              (std::vector<std::wstring>{L"10.flv", L"2.flv", L"Alpha.mp3", L"alpha.mp3",
                                         L"Beta 2.flv", L"beta.mp4", L"gamma.MOV"}));
}

TEST_F(PlayableFilesTest, NamesOutsideAsciiAreListedAndFindTheirFile) {
    Make({"Größe – été.mp4"});
    const std::vector<std::wstring> names = ListPlayableFiles(Folder());
    ASSERT_EQ(names, std::vector<std::wstring>{L"Größe – été.mp4"});
    EXPECT_TRUE(fs::exists(dir.Path() / WideToUtf8(names[0])));
}

TEST_F(PlayableFilesTest, NoFolderOrAMissingOneListsNothing) {
    Make({"a.mp4"});
    EXPECT_TRUE(ListPlayableFiles(L"").empty());
    EXPECT_TRUE(ListPlayableFiles((dir.Path() / "gone").wstring()).empty());
    // A file given as the folder.
    EXPECT_TRUE(ListPlayableFiles((dir.Path() / "a.mp4").wstring()).empty());
}

}  // namespace
}  // namespace talvex::test
