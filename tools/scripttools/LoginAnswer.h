#pragma once
// The login prompt of "run --login USER": answers every REQUESTLOGIN with that user name and the
// password read beforehand (from standard input), so a login script can be run from a script
// or a test without a terminal.
#include <string>

#include "scripts/ILoginPrompt.h"

namespace talvex::scripttools {

class LoginAnswer : public ILoginPrompt {
public:
    LoginAnswer(std::wstring userName, std::wstring password)
        : userName_(std::move(userName)), password_(std::move(password)) {}

    int Show(int, void*, std::wstring& userName, std::wstring& password) override {
        userName = userName_;
        password = password_;
        return kLoginPromptOk;
    }

private:
    std::wstring userName_;
    std::wstring password_;
};

}  // namespace talvex::scripttools
