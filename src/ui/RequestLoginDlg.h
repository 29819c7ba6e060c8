#pragma once
// The login question a site script asks for a video that only signed-in users may see. The
// script's worker calls Show and waits; the dialog itself runs on the user-interface thread,
// modal to the main window. Shutdown (the window is closing) answers Cancel to the open
// question and to every worker still waiting, so none of them is left blocked.
#include <QDialog>
#include <condition_variable>
#include <mutex>
#include <string>

#include "scripts/ILoginPrompt.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace talvex {
class StringTable;
}

namespace talvex::ui {

class RequestLoginDlg : public QDialog, public ILoginPrompt {
    Q_OBJECT
public:
    RequestLoginDlg(const StringTable& strings, QWidget* owner);

    // From any thread; blocks until the user answers or the window closes.
    int Show(int service, void* owner, std::wstring& userName, std::wstring& password) override;
    // On the user-interface thread: shows the dialog for the service (0 YouTube, 1 Facebook)
    // with the initial texts; kLoginPromptOk with the typed texts, or kLoginPromptCancel with
    // both emptied.
    int ShowModal(int service, std::wstring& userName, std::wstring& password);
    void Shutdown();

    QLineEdit* UserBox() const { return user_; }
    QLineEdit* PasswordBox() const { return password_; }
    QLabel* Explanation() const { return explanation_; }

signals:
    // The dialog is on the screen (tests answer it then).
    void opened();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void ApplyTexts(int service);

    const StringTable& strings_;
    QLabel* explanation_;
    QLabel* userLabel_;
    QLabel* passwordLabel_;
    QLineEdit* user_;
    QLineEdit* password_;
    QPushButton* ok_;
    QPushButton* cancel_;

    std::mutex lock_;
    std::condition_variable answered_;
    bool closed_ = false;
};

}  // namespace talvex::ui
