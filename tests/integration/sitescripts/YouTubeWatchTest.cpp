// The bundled "youtube.com" and "youtu.be" scripts on the fixture's watch pages: the stream each
// quality choice picks, titles, extensions, the address forms they accept and their errors.
#include <gtest/gtest.h>

#include <set>

#include "integration/sitescripts/SiteScriptsFixture.h"
#include "net/DNetworking.h"

namespace talvex {
namespace {

using test::ExtensionOfFormat;
using test::YouTubeStream;

struct QualityCase {
    const wchar_t* video;
    DownloadQuality quality;
    int itag;
};

// The fixture's videos offer: aHDtour2011 every format (37, 22, 35, 34, 18, 5), sd360only01
// 34, 18 and 5, mp4only1818 only 18, oldplayer05 35, 34 and 5 (in the older page layout).
const QualityCase kQualityCases[] = {
    {L"aHDtour2011", DownloadQuality::kBest, 37},
    {L"aHDtour2011", DownloadQuality::kHd1080, 37},
    {L"aHDtour2011", DownloadQuality::kHd720, 22},
    {L"aHDtour2011", DownloadQuality::kHq480, 35},
    {L"aHDtour2011", DownloadQuality::kHq360Flv, 34},
    {L"aHDtour2011", DownloadQuality::kHq360Mp4, 18},
    {L"aHDtour2011", DownloadQuality::kNormal, 5},
    {L"aHDtour2011", static_cast<DownloadQuality>(0), 5},  // a number no quality has
    {L"sd360only01", DownloadQuality::kBest, 34},
    {L"sd360only01", DownloadQuality::kHd1080, 34},
    {L"sd360only01", DownloadQuality::kHd720, 34},
    {L"sd360only01", DownloadQuality::kHq480, 34},
    {L"sd360only01", DownloadQuality::kHq360Flv, 34},
    {L"sd360only01", DownloadQuality::kHq360Mp4, 18},
    {L"sd360only01", DownloadQuality::kNormal, 5},
    {L"mp4only1818", DownloadQuality::kBest, 18},
    {L"mp4only1818", DownloadQuality::kHd720, 18},
    {L"mp4only1818", DownloadQuality::kHq480, 18},
    {L"mp4only1818", DownloadQuality::kHq360Flv, 18},
    {L"mp4only1818", DownloadQuality::kHq360Mp4, 18},
    // No normal-quality stream: the first format the page lists.
    {L"mp4only1818", DownloadQuality::kNormal, 18},
    {L"oldplayer05", DownloadQuality::kBest, 35},
    {L"oldplayer05", DownloadQuality::kHd720, 35},
    {L"oldplayer05", DownloadQuality::kHq480, 35},
    {L"oldplayer05", DownloadQuality::kHq360Flv, 34},
    {L"oldplayer05", DownloadQuality::kHq360Mp4, 5},
    {L"oldplayer05", DownloadQuality::kNormal, 5},
};

// The title each page gives, as a file name: entities and numeric references decoded, and
// the characters and names a file system or shell would trip on replaced.
std::wstring ExpectedTitle(const std::wstring& video) {
    if (video == L"aHDtour2011") {
        return L"Alpine Tour & Lakes_ Day 1_2 \u2013 Z\u00FCrich";
    }
    if (video == L"sd360only01") {
        return L"Grandma's _Secret_ Recipe";
    }
    if (video == L"mp4only1818") {
        return L"Caf\u00E9 \u00D6lberg \u2013 Live Session";
    }
    return L"Setup_exe Tutorial";  // oldplayer05: no title meta data, from the title bar
}

class YouTubeWatch : public test::SiteScripts {};

TEST_F(YouTubeWatch, EveryQualityChoicePicksTheExpectedStream) {
    for (const QualityCase& c : kQualityCases) {
        SCOPED_TRACE(::testing::Message()
                     << WideToUtf8(c.video) << " quality " << DownloadQualityNumber(c.quality));
        bool ok = false;
        const ScriptTargetRecord target =
            Run(std::wstring(L"http://www.youtube.com/watch?v=") + c.video, c.quality, false, &ok);
        EXPECT_TRUE(ok) << WideToUtf8(target.errorText);
        EXPECT_EQ(target.mediaUrl, YouTubeStream(c.video, c.itag));
        EXPECT_EQ(target.extension, ExtensionOfFormat(c.itag));
        EXPECT_EQ(target.title, ExpectedTitle(c.video));
        EXPECT_EQ(target.errorText, L"");
        EXPECT_TRUE(target.idList.empty());
    }
}

TEST_F(YouTubeWatch, TheChosenStreamsAreTheServedFiles) {
    DNetworking client;
    for (int itag : {37, 22, 35, 34, 18, 5}) {
        std::wstring body;
        ASSERT_EQ(client.GetPage(YouTubeStream(L"aHDtour2011", itag), body), kNetSuccess) << itag;
        const std::string file = "youtube/aHDtour2011/" + std::to_string(itag) + "." +
                                 WideToUtf8(ExtensionOfFormat(itag));
        EXPECT_EQ(WideToUtf8(body), test::FixtureMediaBytes(file));
    }
}

TEST_F(YouTubeWatch, AddressFormsReachTheWatchPageOnThePlainSite) {
    const std::wstring expected = YouTubeStream(L"aHDtour2011", 22);
    const std::wstring forms[] = {
        L"https://www.youtube.com/watch?v=aHDtour2011",
        L"http://youtube.com/watch?feature=related&v=aHDtour2011#t=30s",
        L"http://www.youtube.com/watch?v=aHDtour2011&feature=player_embedded",
        L"http://www.youtube.com/v/aHDtour2011?version=3&hl=en_US",
        L"http://www.youtube.com/embed/aHDtour2011?rel=0",
        L"http://youtu.be/aHDtour2011",
        L"https://youtu.be/aHDtour2011?t=1m10s",
        L"http://youtu.be/aHDtour2011#comments",
    };
    for (const std::wstring& address : forms) {
        SCOPED_TRACE(WideToUtf8(address));
        bool ok = false;
        const ScriptTargetRecord target = Run(address, DownloadQuality::kHd720, false, &ok);
        EXPECT_TRUE(ok) << WideToUtf8(target.errorText);
        EXPECT_EQ(target.mediaUrl, expected);
        EXPECT_EQ(target.title, ExpectedTitle(L"aHDtour2011"));
        EXPECT_EQ(target.extension, L"mp4");
    }
    const auto requests =
        site.WaitForRequests("www.youtube.com", "GET", "/watch?v=", std::size(forms));
    ASSERT_EQ(requests.size(), std::size(forms));
    for (const test::NginxLogEntry& request : requests) {
        EXPECT_EQ(request.method, "GET");
        EXPECT_EQ(request.uri, "/watch?v=aHDtour2011");
        EXPECT_EQ(request.userAgent.rfind("Mozilla/5.0 ", 0), 0u) << request.userAgent;
    }
}

TEST_F(YouTubeWatch, UnusablePagesFailWithTheirMessage) {
    struct ErrorCase {
        const wchar_t* address;
        const wchar_t* key;
        const wchar_t* title;
    };
    const ErrorCase cases[] = {
        {L"http://www.youtube.com/watch?v=removedClip", L"msg.err.script.video.unavailable", L""},
        {L"http://www.youtube.com/watch?v=liveEvent01", L"msg.err.script.no.formats",
         L"Live_ Harbour Webcam"},
        {L"http://www.youtube.com/watch?v=noSuchVideo", L"msg.err.script.page.failed", L""},
        {L"http://youtu.be/", L"msg.err.script.no.video", L""},
        {L"http://youtu.be/?feature=share", L"msg.err.script.no.video", L""},
        {L"http://www.youtube.com/", L"msg.err.script.no.video", L""},
    };
    for (const ErrorCase& c : cases) {
        SCOPED_TRACE(WideToUtf8(c.address));
        bool ok = true;
        const ScriptTargetRecord target = Run(c.address, DownloadQuality::kBest, false, &ok);
        EXPECT_FALSE(ok);
        EXPECT_EQ(target.errorText, English(c.key));
        EXPECT_NE(target.errorText, L"(missing)");
        EXPECT_EQ(target.mediaUrl, L"");
        EXPECT_EQ(target.title, c.title);
    }
    // A failed page asks for no stream and no login.
    EXPECT_TRUE(site.Requests("media.youtube.test").empty());
    EXPECT_TRUE(prompt.Services().empty());
}

TEST_F(YouTubeWatch, ErrorTextsFollowTheLanguageFile) {
    ASSERT_TRUE(strings.LoadLanguage(ResourceFolder(), L"1031"));
    bool ok = true;
    ScriptTargetRecord target =
        Run(L"http://www.youtube.com/watch?v=removedClip", DownloadQuality::kBest, false, &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(target.errorText,
              L"Dieses Video ist nicht mehr verf\u00FCgbar: Es wurde entfernt oder auf privat "
              L"gestellt.");

    ASSERT_TRUE(strings.LoadLanguage(ResourceFolder(), L"3082"));
    target = Run(L"http://www.youtube.com/watch?v=liveEvent01", DownloadQuality::kBest, false, &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(target.errorText,
              L"La p\u00E1gina del v\u00EDdeo no ofrece ninguna secuencia que se pueda "
              L"descargar.");
}

}  // namespace
}  // namespace talvex
