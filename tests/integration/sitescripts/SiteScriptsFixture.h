#pragma once
// What every test of the bundled site scripts shares: the fixture site behind the proxy, an
// interpreter loaded with the scripts.qrs the build packed into the resource folder, the English
// language file (so error texts are the localized ones) and a login prompt the test answers.
#include <gtest/gtest.h>

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "app/StringTable.h"
#include "integration/sitescripts/FixtureSite.h"
#include "net/CookieJar.h"
#include "platform/Folders.h"
#include "platform/Utf8.h"
#include "scripts/ILoginPrompt.h"
#include "scripts/ScriptTargetRecord.h"
#include "scripts/SiteParser.h"
#include "support/TestHome.h"

namespace talvex::test {

// The accounts the fixture's sign-in pages accept (see tests/fixtures/site/README.md).
inline constexpr const wchar_t* kYouTubeUser = L"viewer@example.com";
inline constexpr const wchar_t* kYouTubePassword = L"open sesame&1";
inline constexpr const wchar_t* kFacebookUser = L"fan@example.org";
inline constexpr const wchar_t* kFacebookPassword = L"p@ss w\u00F6rd";

// Answers every showing with the set reply and records which service asked.
class AnsweringPrompt : public ILoginPrompt {
public:
    int reply = kLoginPromptCancel;
    std::wstring userName;
    std::wstring password;

    void AnswerOk(const std::wstring& user, const std::wstring& pwd) {
        reply = kLoginPromptOk;
        userName = user;
        password = pwd;
    }

    int Show(int service, void*, std::wstring& user, std::wstring& pwd) override {
        std::lock_guard lock(mutex_);
        services_.push_back(service);
        if (reply == kLoginPromptOk) {
            user = userName;
            pwd = password;
        } else {
            user.clear();
            pwd.clear();
        }
        return reply;
    }
    std::vector<int> Services() {
        std::lock_guard lock(mutex_);
        return services_;
    }

private:
    std::mutex mutex_;
    std::vector<int> services_;
};

// "http://media.youtube.test/videoplayback?id=ID&itag=ITAG&sparams=id%2Citag", the address the
// fixture's format maps give for a stream.
inline std::wstring YouTubeStream(const std::wstring& id, int itag) {
    return L"http://media.youtube.test/videoplayback?id=" + id + L"&itag=" + std::to_wstring(itag) +
           L"&sparams=id%2Citag";
}

// The file extension the media server's content type gives for a YouTube format code.
inline std::wstring ExtensionOfFormat(int itag) {
    return itag == 37 || itag == 22 || itag == 18 ? L"mp4" : L"flv";
}

class SiteScripts : public ::testing::Test {
protected:
    void SetUp() override {
        ClearSharedCookies();
        ASSERT_TRUE(site.Start()) << site.LastError();
        const std::filesystem::path packed = ResourceFolder() / "scripts.qrs";
        ASSERT_TRUE(parser.Scripts().LoadScriptsFrom(packed, true)) << packed;
        ASSERT_TRUE(strings.LoadLanguage(ResourceFolder(), L"1033"));
        parser.SetLoginPrompt(&prompt);
    }
    void TearDown() override { ClearSharedCookies(); }

    // Runs the script for url as a download item would; the record holds what it wrote.
    ScriptTargetRecord Run(const std::wstring& url,
                           DownloadQuality quality = DownloadQuality::kBest,
                           bool expandLists = false, bool* result = nullptr) {
        ScriptTargetRecord target;
        target.pageUrl = url;
        target.formatChoice = quality;
        target.isListParent = expandLists;
        const bool ok = parser.Execute1(target);
        if (result != nullptr) {
            *result = ok;
        }
        return target;
    }

    // The English text of a language key, as the user sees it.
    std::wstring English(const wchar_t* key) { return strings.GetText(key, L"(missing)"); }

    TestHome home;
    FixtureSite site;
    StringTable strings;
    SiteParser parser{&strings};
    AnsweringPrompt prompt;
};

}  // namespace talvex::test
