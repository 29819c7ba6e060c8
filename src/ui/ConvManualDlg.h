#pragma once
// The manual conversion dialog: the user writes the encoder's command line for one file,
// helped by a list of the usual options and a sample for phones. "%1" stands for the chosen
// file; the conversion item turns the text into the command it runs.
#include <QDialog>
#include <QString>
#include <QStringList>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;

namespace talvex {
class SettingsStore;
class StringTable;
}  // namespace talvex

namespace talvex::ui {

class UiPrompts;

class ConvManualDlg : public QDialog {
    Q_OBJECT
public:
    ConvManualDlg(const StringTable& strings, const SettingsStore& settings, UiPrompts& prompts,
                  QWidget* owner);

    // Shows the dialog modally with params in the command-line box (the default command line
    // when params is empty); the box's text when the user confirms with OK, else nothing.
    std::optional<std::wstring> Ask(const std::wstring& params);

    // An explanation line "-s\t= Video size" as option and explanation, so the options line up
    // in a column: split at the tab, or before the "=" of a leading "%1.xxx=" word; a line
    // without either is all explanation.
    static std::pair<QString, QString> SplitOptionLine(const QString& line);

    QLineEdit* CommandBox() const { return command_; }
    QLineEdit* SampleBox() const { return sample_; }
    QPushButton* OkButton() const { return ok_; }
    QPushButton* CancelButton() const { return cancel_; }
    QPushButton* HelpButton() const { return help_; }
    // The ten explanation lines as shown: each option line as its option column, a tab and its
    // explanation column; then the quality hint and the phone warning.
    QStringList ExplanationTexts() const;

private:
    struct OptionLine {
        QLabel* option;
        QLabel* explanation;
    };
    void ApplyTexts();
    void OpenHelp();

    const StringTable& strings_;
    const SettingsStore& settings_;
    UiPrompts& prompts_;
    QLineEdit* command_;
    QLineEdit* sample_;
    std::vector<OptionLine> options_;  // the eight option lines
    QLabel* improve_;
    QLabel* warnCell_;
    QPushButton* ok_;
    QPushButton* cancel_;
    QPushButton* help_;
};

}  // namespace talvex::ui
