#pragma once
// The question a site script asks the user when a video is only shown to logged-in users. The
// user interface implements it with its login dialog; tests answer it directly.
#include <string>

namespace talvex {

enum : int {
    kLoginServiceYouTube = 0,
    kLoginServiceFacebook = 1,
};

enum : int {
    kLoginPromptOk = 1,
    kLoginPromptCancel = 2,
};

class ILoginPrompt {
public:
    virtual ~ILoginPrompt() = default;
    // Shows the prompt for the service (modal to owner, an opaque window handle that may be
    // null) and blocks until it is answered. userName and password come in holding the initial
    // texts and go out holding the answer. Returns kLoginPromptOk, or kLoginPromptCancel with
    // both texts emptied; 0 or a negative value when the prompt could not be shown.
    virtual int Show(int service, void* owner, std::wstring& userName, std::wstring& password) = 0;
};

}  // namespace talvex
