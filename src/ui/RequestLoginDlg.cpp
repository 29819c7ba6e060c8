#include "ui/RequestLoginDlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>
#include <memory>

#include "app/StringTable.h"
#include "ui/DialogUnits.h"
#include "ui/UiText.h"

namespace talvex::ui {

RequestLoginDlg::RequestLoginDlg(const StringTable& strings, QWidget* owner)
    : QDialog(owner), strings_(strings) {
    setModal(true);
    explanation_ = new QLabel(this);
    explanation_->setWordWrap(true);
    userLabel_ = new QLabel(this);
    passwordLabel_ = new QLabel(this);
    user_ = new QLineEdit(this);
    password_ = new QLineEdit(this);
    password_->setEchoMode(QLineEdit::Password);
    userLabel_->setBuddy(user_);
    passwordLabel_->setBuddy(password_);

    auto* buttons = new QDialogButtonBox(this);
    ok_ = buttons->addButton(QDialogButtonBox::Ok);
    cancel_ = buttons->addButton(QDialogButtonBox::Cancel);
    ok_->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* form = new QFormLayout;
    form->addRow(userLabel_, user_);
    form->addRow(passwordLabel_, password_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(explanation_);
    layout->addLayout(form);
    layout->addWidget(buttons);
    const DialogUnits du(font());
    setMinimumWidth(du.X(196));
}

int RequestLoginDlg::Show(int service, void*, std::wstring& userName, std::wstring& password) {
    if (QThread::currentThread() == thread()) {
        return ShowModal(service, userName, password);
    }
    struct Request {
        int service = 0;
        std::wstring userName;
        std::wstring password;
        int result = kLoginPromptCancel;
        bool done = false;
    };
    auto request = std::make_shared<Request>();
    request->service = service;
    request->userName = userName;
    request->password = password;
    std::unique_lock<std::mutex> hold(lock_);
    if (!closed_) {
        QMetaObject::invokeMethod(
            this,
            [this, request] {
                bool closed;
                {
                    std::lock_guard<std::mutex> check(lock_);
                    closed = closed_;
                }
                int result = kLoginPromptCancel;
                if (!closed) {
                    result = ShowModal(request->service, request->userName, request->password);
                }
                std::lock_guard<std::mutex> done(lock_);
                request->result = result;
                request->done = true;
                answered_.notify_all();
            },
            Qt::QueuedConnection);
        answered_.wait(hold, [&] { return request->done || closed_; });
    }
    if (!request->done || request->result != kLoginPromptOk) {
        userName.clear();
        password.clear();
        return kLoginPromptCancel;
    }
    userName = request->userName;
    password = request->password;
    return kLoginPromptOk;
}

int RequestLoginDlg::ShowModal(int service, std::wstring& userName, std::wstring& password) {
    ApplyTexts(service);
    user_->setText(QString::fromStdWString(userName));
    password_->setText(QString::fromStdWString(password));
    user_->setFocus();
    if (parentWidget() != nullptr) {
        adjustSize();
        QRect frame(QPoint(), size());
        frame.moveCenter(parentWidget()->frameGeometry().center());
        move(frame.topLeft());
    }
    if (exec() == QDialog::Accepted) {
        userName = user_->text().toStdWString();
        password = password_->text().toStdWString();
        password_->clear();
        return kLoginPromptOk;
    }
    user_->clear();
    password_->clear();
    userName.clear();
    password.clear();
    return kLoginPromptCancel;
}

void RequestLoginDlg::Shutdown() {
    {
        std::lock_guard<std::mutex> hold(lock_);
        closed_ = true;
        answered_.notify_all();
    }
    if (isVisible()) {
        reject();
    }
}

void RequestLoginDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    emit opened();
}

void RequestLoginDlg::ApplyTexts(int service) {
    if (service == 1) {
        setWindowTitle(Text(strings_, L"dlg.login.title.fb", L"Facebook Login"));
        explanation_->setText(Text(strings_, L"dlg.login.lbl.fb",
                                   L"This video is not for public use. Please log in with your "
                                   L"Facebook credentials to download this video."));
    } else if (service == 0) {
        setWindowTitle(Text(strings_, L"dlg.login.title.yt", L"YouTube Login"));
        explanation_->setText(Text(strings_, L"dlg.login.lbl.yt",
                                   L"This video is restricted. Please log in with your YouTube "
                                   L"credentials to download this video."));
    } else {
        // An unknown service keeps the built-in YouTube texts.
        setWindowTitle(QStringLiteral("YouTube Login"));
        explanation_->setText(
            QStringLiteral("This video is restricted. Please log in with your YouTube "
                           "credentials to download this video."));
    }
    userLabel_->setText(Text(strings_, L"dlg.login.lbl.username", L"Username:"));
    passwordLabel_->setText(Text(strings_, L"dlg.login.lbl.pwd", L"Password:"));
    ok_->setText(Text(strings_, L"dlg.btn.ok", L"OK"));
    cancel_->setText(Text(strings_, L"dlg.btn.cancel", L"Cancel"));
}

}  // namespace talvex::ui
