#pragma once
// Test helpers for the interpreter: a real enciphered script file built from site blocks and
// loaded into a parser, a fake login prompt, and a string table loaded from a real language file.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <initializer_list>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/StringTable.h"
#include "platform/Utf8.h"
#include "scripts/Encryption.h"
#include "scripts/ILoginPrompt.h"
#include "scripts/ScriptFile.h"
#include "scripts/ScriptTargetRecord.h"
#include "scripts/SiteParser.h"
#include "support/TestHome.h"

namespace talvex::test {

// The text of a script file's site blocks.
class ScriptBook {
public:
    ScriptBook& Site(const std::wstring& key, std::initializer_list<std::wstring> lines) {
        return Site(key, std::vector<std::wstring>(lines));
    }
    ScriptBook& Site(const std::wstring& key, const std::vector<std::wstring>& lines) {
        body_ += "SITE \"" + WideToUtf8(key) + "\"\r\nBEGIN\r\n";
        for (const std::wstring& line : lines) {
            body_ += WideToUtf8(line) + "\r\n";
        }
        body_ += "END;\r\n";
        return *this;
    }
    const std::string& Body() const { return body_; }

private:
    std::string body_;
};

// Writes the book as an enciphered script file in folder and loads it into parser.
inline bool LoadBook(SiteParser& parser, const ScriptBook& book,
                     const std::filesystem::path& folder) {
    const auto text = ComposeScriptText("1.0", book.Body());
    if (!text) {
        return false;
    }
    const std::filesystem::path file = folder / "scripts0.qrs";
    WriteFileBytes(file, QRV::Encryption().Encipher(*text));
    return parser.Scripts().LoadScriptsFrom(file, true);
}

// A prompt answered by the test: records each showing and answers with the set reply.
class FakeLoginPrompt : public ILoginPrompt {
public:
    int answer = kLoginPromptOk;
    // How long a showing lasts, so that overlapping showings would be seen.
    int holdMilliseconds = 0;
    std::wstring userName = L"alice";
    std::wstring password = L"secret";

    int Show(int service, void* owner, std::wstring& user, std::wstring& pwd) override {
        const int now = ++showing_;
        int seen = maxConcurrent_.load();
        while (now > seen && !maxConcurrent_.compare_exchange_weak(seen, now)) {
        }
        {
            std::lock_guard lock(mutex_);
            calls_.push_back({service, owner, user, pwd});
        }
        if (holdMilliseconds > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(holdMilliseconds));
        }
        const int result = answer;
        if (result == kLoginPromptOk) {
            user = userName;
            pwd = password;
        } else {
            user.clear();
            pwd.clear();
        }
        --showing_;
        return result;
    }

    struct Call {
        int service;
        void* owner;
        std::wstring initialUser;
        std::wstring initialPassword;
    };
    std::vector<Call> Calls() {
        std::lock_guard lock(mutex_);
        return calls_;
    }
    int MaxConcurrent() const { return maxConcurrent_.load(); }

private:
    std::mutex mutex_;
    std::vector<Call> calls_;
    std::atomic<int> showing_{0};
    std::atomic<int> maxConcurrent_{0};
};

// A string table loaded from a language file holding the given "key=text" lines.
inline void LoadStrings(StringTable& table, const std::filesystem::path& folder,
                        const std::vector<std::string>& entries) {
    std::string text = "lang.name=Test\nlang.id=1033\n";
    for (const std::string& entry : entries) {
        text += entry + "\n";
    }
    const std::filesystem::path file = folder / "res1033.ini";
    WriteFileBytes(file, text);
    ASSERT_TRUE(table.Load(file, false));
}

}  // namespace talvex::test
