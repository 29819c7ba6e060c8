#pragma once
// What REQUESTLOGIN remembers between runs: per service the user name and password last
// entered and whether the last login with them worked, kept in memory for the life of the
// process and never written anywhere. The lock is held for a whole login (prompt and login
// script), so at most one prompt is shown at a time and the memory is only touched under it.
#include <atomic>
#include <string>
#include <string_view>

#include "app/threads/DCriticalSection.h"
#include "scripts/ILoginPrompt.h"

namespace talvex {

struct LoginMemory {
    std::wstring userName;
    std::wstring password;
    bool loginSucceeded = false;
};

class LoginService {
public:
    // Site keys of the two services' scripts, and the keys of their login scripts.
    static constexpr std::wstring_view kYouTubeSiteKey = L"youtube.com";
    static constexpr std::wstring_view kFacebookSiteKey = L"facebook.com";
    static constexpr std::wstring_view kYouTubeLoginScript = L"youtubelogin";
    static constexpr std::wstring_view kFacebookLoginScript = L"facebooklogin";

    // kLoginServiceYouTube, kLoginServiceFacebook, or -1 for any other site key.
    static int ServiceForSiteKey(std::wstring_view siteKey);

    // The prompt is the user interface's; null (no user interface) answers every request as
    // if it could not be shown. Not owned.
    void SetPrompt(ILoginPrompt* prompt) { prompt_.store(prompt); }
    // Shows the prompt; the texts come in empty. 0 when there is no prompt.
    int Ask(int service, void* owner, std::wstring& userName, std::wstring& password);

    // loginLock.
    DCriticalSection& Lock() { return loginLock_; }
    // The record of a service (kLoginServiceYouTube or kLoginServiceFacebook); only under Lock().
    LoginMemory& Memory(int service);

private:
    DCriticalSection loginLock_;
    std::atomic<ILoginPrompt*> prompt_{nullptr};
    LoginMemory youTube_;
    LoginMemory facebook_;
};

}  // namespace talvex
