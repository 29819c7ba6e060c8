#include "ui/UiPrompts.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>

namespace talvex::ui {

MessageAnswer QtUiPrompts::Message(QWidget* parent, MessageIcon icon, MessageButtons buttons,
                                   const QString& text) {
    QMessageBox box(parent);
    box.setWindowTitle(QStringLiteral("Talvex"));
    box.setText(text);
    switch (icon) {
        case MessageIcon::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case MessageIcon::Warning:
            box.setIcon(QMessageBox::Warning);
            break;
        case MessageIcon::Error:
            box.setIcon(QMessageBox::Critical);
            break;
        case MessageIcon::Question:
            box.setIcon(QMessageBox::Question);
            break;
    }
    switch (buttons) {
        case MessageButtons::Ok:
            box.setStandardButtons(QMessageBox::Ok);
            box.setEscapeButton(QMessageBox::Ok);
            break;
        case MessageButtons::YesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setEscapeButton(QMessageBox::No);
            break;
        case MessageButtons::YesNoCancel:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            box.setEscapeButton(QMessageBox::Cancel);
            break;
    }
    switch (box.exec()) {
        case QMessageBox::Yes:
            return MessageAnswer::Yes;
        case QMessageBox::No:
            return MessageAnswer::No;
        case QMessageBox::Ok:
            return MessageAnswer::Ok;
        default:
            return buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Cancel;
    }
}

QString QtUiPrompts::PickFolder(QWidget* parent, const QString& title, const QString& start) {
    return QFileDialog::getExistingDirectory(parent, title, start, QFileDialog::ShowDirsOnly);
}

QString QtUiPrompts::PickFile(QWidget* parent, const QString& title, const QString& filter,
                              const QString& start) {
    return QFileDialog::getOpenFileName(parent, title, start, filter);
}

QString QtUiPrompts::ClipboardText() {
    const QClipboard* clipboard = QApplication::clipboard();
    return clipboard != nullptr ? clipboard->text() : QString();
}

bool QtUiPrompts::OpenUrl(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

}  // namespace talvex::ui
