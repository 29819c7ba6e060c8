// The Convert page's rules without widgets: stored rows, the output name (checked against the
// conversion item's own naming), when replacing is offered and honoured, and the name of a
// manual conversion.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/StringTable.h"
#include "app/threads/RefPtr.h"
#include "convert/ConversionProfiles.h"
#include "convert/ConvertItem.h"
#include "convert/ManualConversionName.h"
#include "support/TestHome.h"
#include "ui/ConvertTabRules.h"

namespace talvex::test {
namespace {

namespace fs = std::filesystem;
using ui::ConvertTabRules;

TEST(ConvertTabRules, StoredChoicesOutsideTheListsSelectTheFirstRow) {
    EXPECT_EQ(ConvertTabRules::ProfileRow(0), 0);
    EXPECT_EQ(ConvertTabRules::ProfileRow(7), 7);
    EXPECT_EQ(ConvertTabRules::ProfileRow(8), 0);
    EXPECT_EQ(ConvertTabRules::ProfileRow(0xFFFFFFFFu), 0);
    EXPECT_EQ(ConvertTabRules::QualityRow(3), 3);
    EXPECT_EQ(ConvertTabRules::QualityRow(4), 0);
}

TEST(ConvertTabRules, OutputReplacesOnlyTheFileNamesExtension) {
    struct Case {
        const wchar_t* source;
        int profile;
        const wchar_t* output;
    } const cases[] = {
        {L"/v/clip.flv", kProfileIpod, L"/v/clip.mov"},
        {L"/v/clip.flv", kProfilePsp, L"/v/clip.mp4"},
        {L"/v/clip.tar.flv", kProfileMp3, L"/v/clip.tar.mp3"},
        {L"/v.d/clip", kProfileCellPhone, L"/v.d/clip.3gp"},  // the folder's dot is no extension
        {L"/v/.hidden", kProfileWmv, L"/v/.hidden.wmv"},      // nor is a leading dot
        {L"/v/clip.flv", kProfileManual, L"/v/clip"},
        {L"/v/clip.flv", -1, L"/v/clip.avi"},  // no row selected
        {L"clip.mp4", kProfileXvid, L"clip.avi"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ConvertTabRules::OutputPath(c.source, c.profile), c.output) << c.source;
    }
}

TEST(ConvertTabRules, OutputIsTheNameTheConversionItemTakesWhenItIsFree) {
    TempDir dir;
    for (const std::wstring name : {L"clip.flv", L"two.dots.avi", L".hidden", L"plain"}) {
        for (int profile = kProfileIpod; profile <= kProfileMp3; ++profile) {
            const std::wstring source = dir.Path().wstring() + L"/" + name;
            RefPtr<ConvertItem> item(new ConvertItem(profile, ConversionQuality::kLow));
            item->sourcePath = source;
            item->replaceExisting = true;
            item->Prepare();
            EXPECT_EQ(item->OutputPath(), ConvertTabRules::OutputPath(source, profile))
                << name << " " << profile;
        }
    }
}

TEST(ConvertTabRules, ReplaceIsOfferedForAnotherExistingFileOnly) {
    TempDir dir;
    const std::wstring source = dir.Path().wstring() + L"/clip.flv";
    WriteFileBytes(dir.Path() / "clip.flv", "source");
    EXPECT_FALSE(ConvertTabRules::OffersReplace(source, kProfilePsp));

    WriteFileBytes(dir.Path() / "clip.mp4", "earlier conversion");
    EXPECT_TRUE(ConvertTabRules::OffersReplace(source, kProfilePsp));
    EXPECT_TRUE(ConvertTabRules::OffersReplace(source, kProfileIphone));
    EXPECT_FALSE(ConvertTabRules::OffersReplace(source, kProfileMp3));
    EXPECT_FALSE(ConvertTabRules::OffersReplace(L"", kProfilePsp));

    // A folder in the way cannot be replaced by a file.
    fs::create_directory(dir.Path() / "clip.mov");
    EXPECT_FALSE(ConvertTabRules::OffersReplace(source, kProfileIpod));

    // The manual command names its own output; "clip" is not it.
    WriteFileBytes(dir.Path() / "clip", "no extension");
    EXPECT_FALSE(ConvertTabRules::OffersReplace(source, kProfileManual));

    // The output would be the source itself.
    const std::wstring mp4 = dir.Path().wstring() + L"/clip.mp4";
    EXPECT_FALSE(ConvertTabRules::OffersReplace(mp4, kProfilePsp));
}

TEST(ConvertTabRules, TheSourceIsNeverTheFileToReplace) {
    EXPECT_TRUE(ConvertTabRules::ReplaceExisting(true, L"/v/clip.flv", kProfilePsp));
    EXPECT_FALSE(ConvertTabRules::ReplaceExisting(false, L"/v/clip.flv", kProfilePsp));
    EXPECT_FALSE(ConvertTabRules::ReplaceExisting(true, L"/v/clip.mp4", kProfilePsp));
    EXPECT_FALSE(ConvertTabRules::ReplaceExisting(true, L"/v/clip.mp4", kProfileIphone));
    EXPECT_TRUE(ConvertTabRules::ReplaceExisting(true, L"/v/clip.mp4", kProfileMp3));
}

TEST(ManualConversionName, NamesTheItemAfterTheSourceFileInTheCurrentLanguage) {
    StringTable builtIn;
    EXPECT_EQ(ManualConversionName(builtIn, L"/home/ann/Videos/hand made.mp4"),
              L"Manual Conversion - hand made.mp4");
    EXPECT_EQ(ManualConversionName(builtIn, L"bare.flv"), L"Manual Conversion - bare.flv");
    // A "%1" in the file name is the name, not another place to fill.
    EXPECT_EQ(ManualConversionName(builtIn, L"/v/100%1.mp4"), L"Manual Conversion - 100%1.mp4");

    TempDir dir;
    WriteFileBytes(dir.Path() / "res.ini",
                   "lang.name=Test\nlang.id=9999\ngrid.item.name.default=%1 (%1, von Hand)\n");
    StringTable translated;
    ASSERT_TRUE(translated.Load(dir.Path() / "res.ini", false));
    EXPECT_EQ(ManualConversionName(translated, L"/v/clip.mp4"), L"clip.mp4 (clip.mp4, von Hand)");
}

}  // namespace
}  // namespace talvex::test
