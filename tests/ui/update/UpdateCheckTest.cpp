// The update check against a real nginx: what the notifier page leads to (the dialog, a silent
// script update, a message or nothing), that the window keeps running while the check waits
// for the network, and that closing the program stops a check that hangs.
#include <QElapsedTimer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTimer>
#include <chrono>
#include <thread>

#include "support/FaultServer.h"
#include "ui/CheckUpdateDlg.h"
#include "ui/CustomButton.h"
#include "ui/UpdateCheck.h"
#include "ui/update/UpdateTestSupport.h"

namespace talvex::test {
namespace {

constexpr int kCheckLimitMs = 15000;

class UpdateCheckTest : public UpdateFixture {
protected:
    void SetUp() override {
        UpdateFixture::SetUp();
        check_ = std::make_unique<ui::UpdateCheck>(*engine_, prompts_, &window_);
        QObject::connect(check_.get(), &ui::UpdateCheck::finished, [this] { ++finished_; });
        QObject::connect(check_.get(), &ui::UpdateCheck::quitRequested, [this] { ++quits_; });
        QObject::connect(
            check_.get(), &ui::UpdateCheck::dialogOpened, [this](ui::CheckUpdateDlg* dialog) {
                ++dialogs_;
                shownVersion_ = dialog->VersionLabel()->text();
                shownChanges_ = dialog->WhatsNewBox()->toPlainText();
                QTimer::singleShot(0, dialog, [dialog] { dialog->RemindButton()->click(); });
            });
    }
    void TearDown() override {
        check_.reset();
        UpdateFixture::TearDown();
    }

    // Runs one check to its end.
    void Check(bool manual) {
        const int before = finished_;
        check_->Run(manual);
        ASSERT_TRUE(RunEventsUntil([&] { return finished_ > before; }, kCheckLimitMs));
        EXPECT_FALSE(check_->IsBusy());
    }
    std::wstring ScriptVersion() { return engine_->Parser().ScriptVersion(); }

    std::unique_ptr<ui::UpdateCheck> check_;
    int finished_ = 0;
    int quits_ = 0;
    int dialogs_ = 0;
    QString shownVersion_;
    QString shownChanges_;
};

TEST_F(UpdateCheckTest, ANewerProgramOpensTheDialogAndTheScriptFileWaits) {
    Settings().SetString(setting::kIsn, L"abc-123");
    PublishNotifier({"3.6", Https("/talvex-3.6.deb"), "Faster downloads.\nNew sites.", "9.0",
                     nginx_.Url("/scripts.qrs")});
    Publish("scripts.qrs", ScriptFileBytes(kNewScripts, "9.0"));
    Check(false);

    EXPECT_EQ(dialogs_, 1);
    EXPECT_EQ(shownVersion_, "3.6");
    EXPECT_EQ(shownChanges_, "Faster downloads.\nNew sites.");
    EXPECT_EQ(quits_, 0);  // "Remind me next time"
    EXPECT_TRUE(prompts_.messages.empty());
    // One request, with the query keys in their order; the script file was not fetched.
    const auto log = nginx_.WaitForAccessLog(1);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].uri, "/notifier.html?lngid=1033&lt=0&isn=abc-123&pv=1&av=3.5");
    EXPECT_EQ(ScriptVersion(), L"1.0");
}

TEST_F(UpdateCheckTest, LowerCaseMarkersAndPartsAboveNineAreUnderstood) {
    Publish("notifier.html", "<!-- ver='3.10' -->\n<!-- url='" + Https("/t.deb") +
                                 "' -->\n<!-- whatsnew='Ten.' -->\n");
    Check(true);
    EXPECT_EQ(dialogs_, 1);
    EXPECT_EQ(shownVersion_, "3.10");
    EXPECT_EQ(shownChanges_, "Ten.");
}

TEST_F(UpdateCheckTest, AnInstallerOfferedOverPlainHttpIsRefused) {
    PublishNotifier({"3.6", nginx_.Url("/talvex-3.6.deb"), "x", std::nullopt, std::nullopt});
    Check(false);
    EXPECT_EQ(dialogs_, 0);
    EXPECT_TRUE(prompts_.messages.empty());
    Check(true);
    EXPECT_EQ(dialogs_, 0);
    ASSERT_EQ(prompts_.messages.size(), 1u);
    EXPECT_EQ(prompts_.messages[0].text, check_->CheckFailedText());
}

TEST_F(UpdateCheckTest, ANewerScriptFileReplacesTheCurrentOneAndIsLoaded) {
    const std::string published = ScriptFileBytes(kNewScripts, "2.16");
    Publish("files/scripts-2.16.qrs", published);
    PublishNotifier(
        {"3.5", std::nullopt, std::nullopt, "2.16", nginx_.Url("/files/scripts-2.16.qrs")});
    Check(true);

    EXPECT_EQ(dialogs_, 0);
    EXPECT_EQ(ScriptVersion(), L"2.16");
    EXPECT_EQ(engine_->Parser().FindSiteKey(L"http://new.example/watch"), L"new.example");
    EXPECT_EQ(engine_->Parser().FindSiteKey(L"http://old.example/watch"), L"");
    EXPECT_TRUE(ReadFileBytes(ScriptFile(0)) == published);
    EXPECT_FALSE(std::filesystem::exists(home_.DataFolder() / "scripts0.2.16"));
    EXPECT_FALSE(std::filesystem::exists(ScriptFile(1)));
    ASSERT_EQ(prompts_.messages.size(), 1u);
    EXPECT_EQ(prompts_.messages[0].icon, ui::MessageIcon::Information);
    EXPECT_EQ(prompts_.messages[0].text,
              "Your application is up to date. Your version is 3.5 (2.16)");

    // The next check finds everything current and fetches no script file.
    Check(false);
    EXPECT_EQ(nginx_.WaitForAccessLog(3).size(), 3u);
    EXPECT_EQ(prompts_.messages.size(), 1u);
}

TEST_F(UpdateCheckTest, AScriptFileThatFailsIsNotUsedAndTheOldScriptsStay) {
    std::string tampered = ScriptFileBytes(kNewScripts, "2.16");
    tampered[tampered.size() / 2] = static_cast<char>(tampered[tampered.size() / 2] ^ 0x20);
    Publish("tampered.qrs", tampered);
    const std::string before = ReadFileBytes(ScriptFile(0));

    for (const char* path : {"/tampered.qrs", "/missing.qrs"}) {
        SCOPED_TRACE(path);
        prompts_.messages.clear();
        PublishNotifier({"3.5", std::nullopt, std::nullopt, "2.16", nginx_.Url(path)});
        Check(true);
        EXPECT_EQ(ScriptVersion(), L"1.0");
        EXPECT_EQ(engine_->Parser().FindSiteKey(L"http://old.example/watch"), L"old.example");
        EXPECT_TRUE(ReadFileBytes(ScriptFile(0)) == before);
        EXPECT_FALSE(std::filesystem::exists(home_.DataFolder() / "scripts0.2.16"));
        EXPECT_FALSE(std::filesystem::exists(ScriptFile(1)));
        ASSERT_EQ(prompts_.messages.size(), 1u);
        EXPECT_EQ(prompts_.messages[0].text, check_->ScriptsFailedText());
    }
    // Automatic checks fail as quietly as they succeed.
    prompts_.messages.clear();
    Check(false);
    EXPECT_TRUE(prompts_.messages.empty());
}

TEST_F(UpdateCheckTest, NothingNewerIsToldOnlyWhenTheUserAsked) {
    PublishNotifier({"3.5", Https("/old.deb"), "", "1.0", nginx_.Url("/scripts.qrs")});
    Check(false);
    EXPECT_TRUE(prompts_.messages.empty());
    Check(true);
    ASSERT_EQ(prompts_.messages.size(), 1u);
    EXPECT_EQ(prompts_.messages[0].icon, ui::MessageIcon::Information);
    EXPECT_EQ(prompts_.messages[0].text,
              "Your application is up to date. Your version is 3.5 (1.0)");
    // A page without the program's version counts as version 0.
    prompts_.messages.clear();
    Publish("notifier.html", "<p>no comments here</p>");
    Check(true);
    ASSERT_EQ(prompts_.messages.size(), 1u);
    EXPECT_EQ(prompts_.messages[0].text,
              "Your application is up to date. Your version is 3.5 (1.0)");
    EXPECT_EQ(dialogs_, 0);
}

TEST_F(UpdateCheckTest, ASiteThatCannotBeReachedIsReportedOnlyWhenTheUserAsked) {
    // No notifier page (404), then nothing listening at all.
    Check(false);
    EXPECT_TRUE(prompts_.messages.empty());
    Check(true);
    ASSERT_EQ(prompts_.messages.size(), 1u);
    EXPECT_EQ(prompts_.messages[0].icon, ui::MessageIcon::Warning);
    EXPECT_EQ(prompts_.messages[0].text, check_->CheckFailedText());

    const std::string closed = nginx_.Url("/");
    nginx_.Stop();
    SetSite(closed);
    prompts_.messages.clear();
    Check(false);
    EXPECT_TRUE(prompts_.messages.empty());
    Check(true);
    ASSERT_EQ(prompts_.messages.size(), 1u);
    EXPECT_EQ(prompts_.messages[0].text, check_->CheckFailedText());
}

class BundledPagesTest : public UpdateCheckTest {
protected:
    BundledPagesTest() { withScriptFile_ = false; }
};

TEST_F(BundledPagesTest, TheBundledNotifierAnnouncesTheShippedVersions) {
    // Without "SiteURL" the pages that come with the program stand in for the site; the
    // script file is the seed that comes with it too.
    Settings().SetString(setting::kSiteUrl, L"");
    ASSERT_FALSE(ScriptVersion().empty());
    Check(true);
    ASSERT_EQ(prompts_.messages.size(), 1u);
    EXPECT_EQ(prompts_.messages[0].text.toStdWString(),
              L"Your application is up to date. Your version is 3.5 (" + ScriptVersion() + L")");
    EXPECT_EQ(dialogs_, 0);
}

TEST_F(UpdateCheckTest, TheWindowKeepsRunningWhileTheSiteHangsAndShutdownEndsTheCheck) {
    FaultServer silent(FaultServer::NeverAnswers());
    ASSERT_TRUE(silent.IsListening());
    SetSite(silent.Url("/"));

    QElapsedTimer clock;
    clock.start();
    check_->Run(true);
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_TRUE(check_->IsBusy());
    bool timerRan = false;
    QTimer::singleShot(50, &window_, [&] { timerRan = true; });
    ASSERT_TRUE(RunEventsUntil([&] { return timerRan && silent.ConnectionCount() > 0; }, 5000));
    EXPECT_TRUE(check_->IsBusy());
    // A second request while one runs starts nothing new.
    check_->Run(true);
    QTest::qWait(100);
    EXPECT_EQ(silent.ConnectionCount(), 1);

    clock.restart();
    check_->Shutdown();
    EXPECT_LT(clock.elapsed(), 3000);
    QTest::qWait(100);
    QCoreApplication::processEvents();
    EXPECT_TRUE(prompts_.messages.empty());
    EXPECT_EQ(finished_, 0);
    check_->Run(true);
    EXPECT_FALSE(check_->IsBusy());
}

TEST_F(UpdateCheckTest, AUserRequestDuringAnAutomaticCheckGetsTheAnswer) {
    const std::string page = NotifierPage({"3.5", std::nullopt, std::nullopt, "1.0", std::nullopt});
    FaultServer slow([page](FaultServer::Connection& connection) {
        if (connection.ReadRequest().empty()) {
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        connection.Send("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
                        std::to_string(page.size()) + "\r\nConnection: close\r\n\r\n" + page);
    });
    ASSERT_TRUE(slow.IsListening());
    SetSite(slow.Url("/"));
    check_->Run(false);
    Check(true);
    EXPECT_EQ(finished_, 1);
    EXPECT_EQ(slow.Requests().size(), 1u);
    ASSERT_EQ(prompts_.messages.size(), 1u);
    EXPECT_EQ(prompts_.messages[0].text,
              "Your application is up to date. Your version is 3.5 (1.0)");
}

TEST_F(UpdateCheckTest, TheStartUpCheckRunsOnceADay) {
    PublishNotifier({"3.5", std::nullopt, std::nullopt, "1.0", std::nullopt});
    const uint32_t now = 1800000000;
    Settings().SetNumber(setting::kNextCheckAutoUpdate, now + 10);
    EXPECT_FALSE(check_->RunIfDue(now));
    EXPECT_FALSE(check_->IsBusy());
    EXPECT_TRUE(check_->RunIfDue(now + 10));
    EXPECT_EQ(Settings().GetNumber(setting::kNextCheckAutoUpdate), now + 10 + 86400);
    ASSERT_TRUE(RunEventsUntil([&] { return finished_ == 1; }, kCheckLimitMs));
    EXPECT_EQ(nginx_.WaitForAccessLog(1).size(), 1u);
    EXPECT_TRUE(prompts_.messages.empty());
}

}  // namespace
}  // namespace talvex::test
