// The login question: its answers, its texts per service, and a worker thread that waits for
// it while the window answers or closes.
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <atomic>
#include <thread>

#include "app/StringTable.h"
#include "ui/RequestLoginDlg.h"
#include "ui/window/WindowFixture.h"

namespace talvex::test {
namespace {

// Answers the dialog once it is on the screen: types the texts, then presses OK or Cancel.
void AnswerWhenOpen(ui::RequestLoginDlg& dialog, QString user, QString password, bool ok) {
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = QObject::connect(&dialog, &ui::RequestLoginDlg::opened, &dialog, [=, &dialog] {
        QObject::disconnect(*connection);
        QTimer::singleShot(0, &dialog, [=, &dialog] {
            dialog.UserBox()->setText(user);
            dialog.PasswordBox()->setText(password);
            if (ok) {
                QTest::keyClick(dialog.PasswordBox(), Qt::Key_Return);
            } else {
                QTest::keyClick(dialog.PasswordBox(), Qt::Key_Escape);
            }
        });
    });
}

class LoginDialogTest : public ::testing::Test {
protected:
    StringTable strings_;
    QWidget owner_;
    ui::RequestLoginDlg dialog_{strings_, &owner_};
};

TEST_F(LoginDialogTest, AnswersAreReturnedAndCancelEmptiesBothTexts) {
    std::wstring user = L"initial", password = L"secret";
    AnswerWhenOpen(dialog_, "typed", "typed too", false);
    EXPECT_EQ(dialog_.ShowModal(kLoginServiceYouTube, user, password), kLoginPromptCancel);
    EXPECT_EQ(user, L"");
    EXPECT_EQ(password, L"");

    AnswerWhenOpen(dialog_, "", "", true);
    EXPECT_EQ(dialog_.ShowModal(kLoginServiceYouTube, user, password), kLoginPromptOk);
    EXPECT_EQ(user, L"");
    EXPECT_EQ(password, L"");

    user = L"ann";
    AnswerWhenOpen(dialog_, "ann@example.test", "pa ss", true);
    EXPECT_EQ(dialog_.ShowModal(kLoginServiceFacebook, user, password), kLoginPromptOk);
    EXPECT_EQ(user, L"ann@example.test");
    EXPECT_EQ(password, L"pa ss");
    EXPECT_EQ(dialog_.PasswordBox()->echoMode(), QLineEdit::Password);
}

TEST_F(LoginDialogTest, CaptionAndExplanationFollowTheService) {
    std::wstring user, password;
    AnswerWhenOpen(dialog_, "", "", false);
    dialog_.ShowModal(kLoginServiceFacebook, user, password);
    EXPECT_EQ(dialog_.windowTitle(), "Facebook Login");
    EXPECT_TRUE(dialog_.Explanation()->text().contains("Facebook credentials"));
    AnswerWhenOpen(dialog_, "", "", false);
    dialog_.ShowModal(kLoginServiceYouTube, user, password);
    EXPECT_EQ(dialog_.windowTitle(), "YouTube Login");
    EXPECT_TRUE(dialog_.Explanation()->text().contains("YouTube credentials"));
}

TEST_F(LoginDialogTest, AWorkerWaitsForTheWindowsAnswer) {
    AnswerWhenOpen(dialog_, "worker-user", "worker-pass", true);
    std::atomic<int> result{-99};
    std::wstring user = L"start", password;
    std::thread worker(
        [&] { result = dialog_.Show(kLoginServiceYouTube, nullptr, user, password); });
    ASSERT_TRUE(WaitUntil([&] { return result.load() != -99; }, 5000));
    worker.join();
    EXPECT_EQ(result.load(), kLoginPromptOk);
    EXPECT_EQ(user, L"worker-user");
    EXPECT_EQ(password, L"worker-pass");
}

TEST_F(LoginDialogTest, ClosingTheWindowAnswersCancelToTheOpenQuestionAndLaterOnes) {
    // The window closes while the question is open (from inside the dialog's own event loop,
    // as a Close or a signal would).
    QObject::connect(&dialog_, &ui::RequestLoginDlg::opened, &dialog_, [this] {
        QTimer::singleShot(0, &dialog_, [this] {
            dialog_.UserBox()->setText("typed but never confirmed");
            dialog_.Shutdown();
        });
    });
    std::atomic<int> first{-99};
    std::wstring user1 = L"a", password1 = L"b";
    std::thread worker(
        [&] { first = dialog_.Show(kLoginServiceYouTube, nullptr, user1, password1); });
    ASSERT_TRUE(WaitUntil([&] { return first.load() != -99; }, 5000));
    worker.join();
    EXPECT_EQ(first.load(), kLoginPromptCancel);
    EXPECT_EQ(user1, L"");

    // After the window has gone, a worker is answered at once: nothing is left to wait for.
    std::wstring user2 = L"c", password2;
    int second = -99;
    std::thread late(
        [&] { second = dialog_.Show(kLoginServiceFacebook, nullptr, user2, password2); });
    late.join();
    EXPECT_EQ(second, kLoginPromptCancel);
    EXPECT_FALSE(dialog_.isVisible());
}

}  // namespace
}  // namespace talvex::test
