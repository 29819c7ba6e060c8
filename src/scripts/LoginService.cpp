#include "scripts/LoginService.h"

namespace talvex {

int LoginService::ServiceForSiteKey(std::wstring_view siteKey) {
    if (siteKey == kYouTubeSiteKey) {
        return kLoginServiceYouTube;
    }
    if (siteKey == kFacebookSiteKey) {
        return kLoginServiceFacebook;
    }
    return -1;
}

int LoginService::Ask(int service, void* owner, std::wstring& userName, std::wstring& password) {
    ILoginPrompt* prompt = prompt_.load();
    if (prompt == nullptr) {
        return 0;
    }
    return prompt->Show(service, owner, userName, password);
}

LoginMemory& LoginService::Memory(int service) {
    return service == kLoginServiceFacebook ? facebook_ : youTube_;
}

}  // namespace talvex
