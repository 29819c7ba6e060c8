#pragma once
// Prompts answered by the test: message boxes take queued answers (Ok, or Cancel for a
// question, when none is queued) and are recorded with their texts; the folder picker returns
// queued folders and the file picker queued files (none: cancelled); the clipboard holds what the
// test put there; opened addresses are recorded, nothing is launched.
#include <QString>
#include <QStringList>
#include <QUrl>
#include <deque>
#include <vector>

#include "ui/UiPrompts.h"

namespace talvex::test {

class ScriptedPrompts : public ui::UiPrompts {
public:
    struct Shown {
        ui::MessageIcon icon;
        ui::MessageButtons buttons;
        QString text;
    };

    ui::MessageAnswer Message(QWidget*, ui::MessageIcon icon, ui::MessageButtons buttons,
                              const QString& text) override {
        messages.push_back({icon, buttons, text});
        if (!answers.empty()) {
            ui::MessageAnswer answer = answers.front();
            answers.pop_front();
            return answer;
        }
        return buttons == ui::MessageButtons::Ok ? ui::MessageAnswer::Ok
                                                 : ui::MessageAnswer::Cancel;
    }
    QString PickFolder(QWidget*, const QString& title, const QString&) override {
        pickerTitles.push_back(title);
        if (folders.empty()) {
            return QString();
        }
        QString folder = folders.front();
        folders.pop_front();
        return folder;
    }
    QString PickFile(QWidget*, const QString& title, const QString& filter,
                     const QString&) override {
        pickerTitles.push_back(title);
        fileFilters.push_back(filter);
        if (files.empty()) {
            return QString();
        }
        QString file = files.front();
        files.pop_front();
        return file;
    }
    QString ClipboardText() override { return clipboard; }
    bool OpenUrl(const QUrl& url) override {
        opened.push_back(url);
        return true;
    }

    std::deque<ui::MessageAnswer> answers;
    std::deque<QString> folders;
    std::deque<QString> files;  // answers of the file picker (empty: cancelled)
    QStringList fileFilters;
    QString clipboard;
    std::vector<Shown> messages;
    QStringList pickerTitles;
    std::vector<QUrl> opened;
};

}  // namespace talvex::test
