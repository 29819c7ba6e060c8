// Videos behind a login: the age-restricted YouTube video with "youtubelogin", and Facebook
// videos with "facebooklogin", against the fixture's sign-in forms.
#include <gtest/gtest.h>

#include "integration/sitescripts/SiteScriptsFixture.h"

namespace talvex {
namespace {

using test::YouTubeStream;

constexpr const wchar_t* kAgeRestricted = L"http://www.youtube.com/watch?v=ageRestrict";
constexpr const wchar_t* kFacebookPublic = L"http://www.facebook.com/video/video.php?v=1020304050";
constexpr const wchar_t* kFacebookPrivate = L"http://www.facebook.com/video/video.php?v=2030405060";

std::wstring FacebookStream(const std::wstring& file) {
    return L"http://video.fbcdn.test/facebook/" + file;
}

class LoginScripts : public test::SiteScripts {
protected:
    size_t Posts(const std::string& host, const std::string& path, size_t atLeast) {
        return test::CountRequests(site.WaitForRequests(host, "POST", path, atLeast), "POST", path);
    }
};

TEST_F(LoginScripts, AgeRestrictedVideoSignsInWithTheAnsweredLogin) {
    prompt.AnswerOk(test::kYouTubeUser, test::kYouTubePassword);
    bool ok = false;
    const ScriptTargetRecord target = Run(kAgeRestricted, DownloadQuality::kBest, false, &ok);
    EXPECT_TRUE(ok) << WideToUtf8(target.errorText);
    EXPECT_EQ(target.mediaUrl, YouTubeStream(L"ageRestrict", 22));
    EXPECT_EQ(target.extension, L"mp4");
    EXPECT_EQ(target.title, L"Night Climb on the North Face");
    EXPECT_EQ(target.errorText, L"");
    EXPECT_EQ(prompt.Services(), std::vector<int>{kLoginServiceYouTube});
    EXPECT_EQ(Posts("www.youtube.com", "/login", 1), 1u);

    // Signed in now: the next run reads the page without asking.
    const ScriptTargetRecord again = Run(kAgeRestricted, DownloadQuality::kHq360Mp4, false, &ok);
    EXPECT_TRUE(ok) << WideToUtf8(again.errorText);
    EXPECT_EQ(again.mediaUrl, YouTubeStream(L"ageRestrict", 18));
    EXPECT_EQ(prompt.Services().size(), 1u);
    EXPECT_EQ(Posts("www.youtube.com", "/login", 1), 1u);
}

TEST_F(LoginScripts, AWorkingLoginIsReusedWithoutAskingAgain) {
    prompt.AnswerOk(test::kYouTubeUser, test::kYouTubePassword);
    bool ok = false;
    Run(kAgeRestricted, DownloadQuality::kBest, false, &ok);
    ASSERT_TRUE(ok);
    // The session ends (cookie gone): the remembered login signs in again, with no prompt.
    ClearSharedCookies();
    prompt.reply = kLoginPromptCancel;
    const ScriptTargetRecord target = Run(kAgeRestricted, DownloadQuality::kBest, false, &ok);
    EXPECT_TRUE(ok) << WideToUtf8(target.errorText);
    EXPECT_EQ(target.mediaUrl, YouTubeStream(L"ageRestrict", 22));
    EXPECT_EQ(prompt.Services().size(), 1u);
    EXPECT_EQ(Posts("www.youtube.com", "/login", 2), 2u);
}

TEST_F(LoginScripts, CancelledLoginLeavesTheAgeRestriction) {
    prompt.reply = kLoginPromptCancel;
    bool ok = true;
    const ScriptTargetRecord target = Run(kAgeRestricted, DownloadQuality::kBest, false, &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(target.errorText, English(L"msg.err.script.age.restricted"));
    EXPECT_EQ(target.mediaUrl, L"");
    EXPECT_EQ(prompt.Services(), std::vector<int>{kLoginServiceYouTube});
    EXPECT_EQ(test::CountRequests(site.Requests("www.youtube.com"), "POST", "/login"), 0u);

    // Without any prompt (no user interface) the outcome is the same.
    parser.SetLoginPrompt(nullptr);
    const ScriptTargetRecord unattended = Run(kAgeRestricted, DownloadQuality::kBest, false, &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(unattended.errorText, English(L"msg.err.script.age.restricted"));
}

TEST_F(LoginScripts, RefusedPasswordFailsAndTheNextRunAsksAgain) {
    prompt.AnswerOk(test::kYouTubeUser, L"open sesame");
    bool ok = true;
    ScriptTargetRecord target = Run(kAgeRestricted, DownloadQuality::kBest, false, &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(target.errorText, English(L"msg.err.script.yt.login.failed"));
    EXPECT_EQ(target.mediaUrl, L"");
    EXPECT_EQ(Posts("www.youtube.com", "/login", 1), 1u);

    prompt.AnswerOk(test::kYouTubeUser, test::kYouTubePassword);
    target = Run(kAgeRestricted, DownloadQuality::kBest, false, &ok);
    EXPECT_TRUE(ok) << WideToUtf8(target.errorText);
    EXPECT_EQ(prompt.Services().size(), 2u);
}

TEST_F(LoginScripts, PublicFacebookVideoNeedsNoLoginAndFollowsTheQuality) {
    struct Case {
        DownloadQuality quality;
        const wchar_t* file;
    };
    for (const Case& c : {Case{DownloadQuality::kBest, L"1020304050_hq.mp4"},
                          Case{DownloadQuality::kHd720, L"1020304050_hq.mp4"},
                          Case{DownloadQuality::kHq480, L"1020304050_lq.mp4"},
                          Case{DownloadQuality::kNormal, L"1020304050_lq.mp4"}}) {
        SCOPED_TRACE(DownloadQualityNumber(c.quality));
        bool ok = false;
        const ScriptTargetRecord target = Run(kFacebookPublic, c.quality, false, &ok);
        EXPECT_TRUE(ok) << WideToUtf8(target.errorText);
        EXPECT_EQ(target.mediaUrl, FacebookStream(c.file));
        EXPECT_EQ(target.extension, L"mp4");
        EXPECT_EQ(target.title, L"Sunset over the Bay & Harbour");
    }
    bool ok = false;
    const ScriptTargetRecord other =
        Run(L"https://www.facebook.com/photo.php?v=1020304050&set=vb.1", DownloadQuality::kBest,
            false, &ok);
    EXPECT_TRUE(ok) << WideToUtf8(other.errorText);
    EXPECT_EQ(other.mediaUrl, FacebookStream(L"1020304050_hq.mp4"));
    EXPECT_TRUE(prompt.Services().empty());
}

TEST_F(LoginScripts, PrivateFacebookVideoSignsIn) {
    prompt.AnswerOk(test::kFacebookUser, test::kFacebookPassword);
    bool ok = false;
    const ScriptTargetRecord target = Run(kFacebookPrivate, DownloadQuality::kBest, false, &ok);
    EXPECT_TRUE(ok) << WideToUtf8(target.errorText);
    EXPECT_EQ(target.mediaUrl, FacebookStream(L"2030405060_hq.mp4"));
    EXPECT_EQ(target.title, L"Family Picnic, 14 May");
    EXPECT_EQ(prompt.Services(), std::vector<int>{kLoginServiceFacebook});
    EXPECT_EQ(Posts("www.facebook.com", "/login.php?login_attempt=1", 1), 1u);
}

TEST_F(LoginScripts, FacebookLoginRefusedOrCancelled) {
    bool ok = true;
    prompt.reply = kLoginPromptCancel;
    ScriptTargetRecord target = Run(kFacebookPrivate, DownloadQuality::kBest, false, &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(target.errorText, English(L"msg.err.script.fb.login.required"));

    // The YouTube account is not the Facebook one.
    prompt.AnswerOk(test::kYouTubeUser, test::kYouTubePassword);
    target = Run(kFacebookPrivate, DownloadQuality::kBest, false, &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(target.errorText, English(L"msg.err.script.fb.login.failed"));
    EXPECT_EQ(target.mediaUrl, L"");
    EXPECT_EQ(prompt.Services(), (std::vector<int>{kLoginServiceFacebook, kLoginServiceFacebook}));
}

}  // namespace
}  // namespace talvex
