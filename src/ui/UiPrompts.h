#pragma once
// Everything the windows ask of the desktop besides drawing: message boxes, the folder picker,
// the clipboard and opening a folder or a web page. The program uses QtUiPrompts; tests answer
// with a scripted implementation, so no person is needed.
#include <QString>
#include <QUrl>

class QWidget;

namespace talvex::ui {

enum class MessageIcon { Information, Warning, Error, Question };
enum class MessageButtons { Ok, YesNo, YesNoCancel };
enum class MessageAnswer { Ok, Yes, No, Cancel };

class UiPrompts {
public:
    virtual ~UiPrompts() = default;
    // A modal message box captioned "Talvex". Closing it without a button answers Cancel (or
    // No without a Cancel button, Ok for a plain message).
    virtual MessageAnswer Message(QWidget* parent, MessageIcon icon, MessageButtons buttons,
                                  const QString& text) = 0;
    // The folder picker (folders only); an empty text when the user cancels.
    virtual QString PickFolder(QWidget* parent, const QString& title, const QString& start) = 0;
    // The file picker for an existing file; filter as QFileDialog takes it ("Media (*.mp4 *.flv)
    // ;;All files (*)"). An empty text when the user cancels.
    virtual QString PickFile(QWidget* parent, const QString& title, const QString& filter,
                             const QString& start) = 0;
    // The clipboard's text; empty when it holds none.
    virtual QString ClipboardText() = 0;
    // Opens a folder in the file manager or a page in the browser, never through a shell.
    virtual bool OpenUrl(const QUrl& url) = 0;
};

// The real desktop: QMessageBox, QFileDialog, QClipboard, QDesktopServices.
class QtUiPrompts : public UiPrompts {
public:
    MessageAnswer Message(QWidget* parent, MessageIcon icon, MessageButtons buttons,
                          const QString& text) override;
    QString PickFolder(QWidget* parent, const QString& title, const QString& start) override;
    QString PickFile(QWidget* parent, const QString& title, const QString& filter,
                     const QString& start) override;
    QString ClipboardText() override;
    bool OpenUrl(const QUrl& url) override;
};

}  // namespace talvex::ui
