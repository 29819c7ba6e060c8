#pragma once
// What the update tests share: a home of their own holding a script file, an engine, prompts
// answered by the test, and a real nginx serving the notifier page, script files and
// installers (https with a certificate of the test's own that the HTTP client is told to trust).
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QWidget>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "app/SettingsStore.h"
#include "engine/Engine.h"
#include "platform/Utf8.h"
#include "support/NginxServer.h"
#include "support/TestHome.h"
#include "ui/common/EventLoopWait.h"
#include "ui/common/ScriptedPrompts.h"
#include "unit/scriptfile/ScriptFileFixtures.h"

// Texts in failure messages as text, not as a list of characters.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace talvex::test {

// Prompts whose "open with the desktop's handler" can be made to fail.
class UpdatePrompts : public ScriptedPrompts {
public:
    bool OpenUrl(const QUrl& url) override {
        ScriptedPrompts::OpenUrl(url);
        return openSucceeds;
    }
    bool openSucceeds = true;
};

// A notifier page with the five comments; a value left out (nullopt) has no comment at all.
struct NotifierFields {
    std::optional<std::string> version, url, whatsNew, scriptVersion, scriptUrl;
};
inline std::string NotifierPage(const NotifierFields& fields) {
    std::string page = "<!DOCTYPE html>\n<html><head><title>Talvex</title></head><body>\n";
    auto add = [&](const char* marker, const std::optional<std::string>& value) {
        if (value) {
            page += std::string("<!-- ") + marker + "='" + *value + "' -->\n";
        }
    };
    add("Ver", fields.version);
    add("URL", fields.url);
    add("WHATSNEW", fields.whatsNew);
    add("ScriptVer", fields.scriptVersion);
    add("ScriptURL", fields.scriptUrl);
    return page + "<p>Newest versions</p></body></html>\n";
}

// The script bodies of the file the tests start with and of the one they publish.
inline constexpr const char* kOldScripts = "SITE \"old.example\"\r\nBEGIN\r\nOLD\r\nEND;\r\n";
inline constexpr const char* kNewScripts = "SITE \"new.example\"\r\nBEGIN\r\nNEW\r\nEND;\r\n";

class UpdateFixture : public ::testing::Test {
protected:
    void SetUp() override {
        if (withScriptFile_) {
            WriteScriptFile(ScriptFile(0), kOldScripts, "1.0");
        }
        engine_ = std::make_unique<Engine>();
        engine_->Init(nullptr);
        nginx_.SetRoot(site_.Path());
        nginx_.EnableTls();
        // Installers below /slow/ come at a walking pace, so that progress can be watched.
        nginx_.AddHttpText("map $uri $talvex_rate { ~^/slow/ 400k; default 0; }");
        nginx_.AddHttpText("limit_rate $talvex_rate;");
        ASSERT_TRUE(nginx_.Start()) << nginx_.LastError();
        const std::string certificate = (nginx_.WorkDir() / "cert.pem").string();
        trustBundle_.emplace("CURL_CA_BUNDLE", certificate);
        trustFile_.emplace("SSL_CERT_FILE", certificate);
        SetSite(nginx_.Url("/"));
    }
    void TearDown() override {
        nginx_.Stop();
        engine_.reset();
    }

    std::filesystem::path ScriptFile(int number) const {
        return home_.DataFolder() / ("scripts" + std::to_string(number) + ".qrs");
    }
    SettingsStore& Settings() { return *engine_->GetSettings(); }
    void SetSite(const std::string& address) {
        Settings().SetString(setting::kSiteUrl, Utf8ToWide(address));
    }
    void Publish(const std::string& path, const std::string& bytes) {
        WriteFileBytes(site_.Path() / path, bytes);
    }
    void PublishNotifier(const NotifierFields& fields) {
        Publish("notifier.html", NotifierPage(fields));
    }
    std::string Https(const std::string& path) const { return WideToUtf8(nginx_.TlsUrl(path)); }

    TestHome home_;
    bool withScriptFile_ = true;
    std::unique_ptr<Engine> engine_;
    TempDir site_;
    NginxServer nginx_;
    std::optional<ScopedEnv> trustBundle_;
    std::optional<ScopedEnv> trustFile_;
    UpdatePrompts prompts_;
    QWidget window_;
};

}  // namespace talvex::test
