#include "ui/ConvManualDlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <iterator>

#include "app/StringTable.h"
#include "convert/ManualCommand.h"
#include "ui/DialogUnits.h"
#include "ui/UiPrompts.h"
#include "ui/UiText.h"

namespace talvex::ui {

namespace {

struct LineText {
    const wchar_t* key;
    const wchar_t* builtIn;
};

// The options, in the order they are listed.
constexpr LineText kOptionLines[] = {
    {L"dlg.manconv.lbl.input.file", L"-i\t= Input file (%1 it's the file selected)"},
    {L"dlg.manconv.lbl.vid.size", L"-s\t= Video size (WidthxHeight)"},
    {L"dlg.manconv.lbl.vid.frame", L"-r\t= Video frame rate (Fps)"},
    {L"dlg.manconv.lbl.vid.rate", L"-b\t= Video bitrate (Kb/s)"},
    {L"dlg.manconv.lbl.aud.sample", L"-ar\t= Audio sample rate (Hz)"},
    {L"dlg.manconv.lbl.aud.rate", L"-ab\t= Audio bitrate (Kb/s)"},
    {L"dlg.manconv.lbl.aud.chanel", L"-ac\t= Audio channels (1 mono, 2 stereo)"},
    {L"dlg.manconv.lbl.output.file", L"%1.xxx= Output file (.xxx the format to convert!)"},
};

}  // namespace

ConvManualDlg::ConvManualDlg(const StringTable& strings, const SettingsStore& settings,
                             UiPrompts& prompts, QWidget* owner)
    : QDialog(owner), strings_(strings), settings_(settings), prompts_(prompts) {
    setModal(true);
    const DialogUnits du(font());

    command_ = new QLineEdit(this);
    sample_ = new QLineEdit(this);
    sample_->setReadOnly(true);
    improve_ = new QLabel(this);
    warnCell_ = new QLabel(this);
    warnCell_->setBuddy(sample_);

    auto* optionGrid = new QGridLayout;
    optionGrid->setHorizontalSpacing(du.X(4));
    optionGrid->setVerticalSpacing(du.Y(1));
    for (size_t row = 0; row < std::size(kOptionLines); ++row) {
        OptionLine line{new QLabel(this), new QLabel(this)};
        optionGrid->addWidget(line.option, static_cast<int>(row), 0);
        optionGrid->addWidget(line.explanation, static_cast<int>(row), 1);
        options_.push_back(line);
    }
    optionGrid->setColumnStretch(1, 1);

    auto* buttons = new QDialogButtonBox(this);
    ok_ = buttons->addButton(QDialogButtonBox::Ok);
    cancel_ = buttons->addButton(QDialogButtonBox::Cancel);
    help_ = buttons->addButton(QDialogButtonBox::Help);
    ok_->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // Help opens the page and leaves the dialog open.
    connect(buttons, &QDialogButtonBox::helpRequested, this, &ConvManualDlg::OpenHelp);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(du.X(7), du.Y(7), du.X(7), du.Y(7));
    layout->setSpacing(du.Y(4));
    layout->addWidget(command_);
    layout->addSpacing(du.Y(2));
    layout->addLayout(optionGrid);
    layout->addWidget(improve_);
    layout->addSpacing(du.Y(2));
    layout->addWidget(warnCell_);
    layout->addWidget(sample_);
    layout->addSpacing(du.Y(2));
    layout->addWidget(buttons);
    setMinimumWidth(du.X(310));

    setTabOrder(command_, sample_);
    setTabOrder(sample_, ok_);
    setTabOrder(ok_, cancel_);
    setTabOrder(cancel_, help_);
    ApplyTexts();
}

std::pair<QString, QString> ConvManualDlg::SplitOptionLine(const QString& line) {
    const qsizetype tab = line.indexOf(QLatin1Char('\t'));
    if (tab >= 0) {
        return {line.left(tab), line.mid(tab + 1)};
    }
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    const qsizetype blank = line.indexOf(QLatin1Char(' '));
    if (equals > 0 && (blank < 0 || equals < blank)) {
        return {line.left(equals), line.mid(equals)};
    }
    return {QString(), line};
}

void ConvManualDlg::ApplyTexts() {
    setWindowTitle(Text(strings_, L"dlg.manconv.title", L"Manual conversion"));
    for (size_t i = 0; i < options_.size(); ++i) {
        const auto [option, explanation] =
            SplitOptionLine(Text(strings_, kOptionLines[i].key, kOptionLines[i].builtIn));
        options_[i].option->setText(option);
        options_[i].explanation->setText(explanation);
    }
    improve_->setText(Text(strings_, L"dlg.manconv.lbl.improve.qlty",
                           L"To improve video quality use              -qscale (1..31)"));
    warnCell_->setText(Text(strings_, L"dlg.manconv.lbl.warn.cell", L"Warning, Cell Phone use:"));
    ok_->setText(Text(strings_, L"dlg.btn.ok", L"OK"));
    cancel_->setText(Text(strings_, L"dlg.btn.cancel", L"Cancel"));
    help_->setText(Text(strings_, L"dlg.btn.help", L"Help"));
    command_->setAccessibleName(windowTitle());
    sample_->setAccessibleName(warnCell_->text());
}

QStringList ConvManualDlg::ExplanationTexts() const {
    QStringList texts;
    for (const OptionLine& line : options_) {
        texts.push_back(line.option->text().isEmpty()
                            ? line.explanation->text()
                            : line.option->text() + QLatin1Char('\t') + line.explanation->text());
    }
    texts.push_back(improve_->text());
    texts.push_back(warnCell_->text());
    return texts;
}

std::optional<std::wstring> ConvManualDlg::Ask(const std::wstring& params) {
    ApplyTexts();
    command_->setText(QString::fromStdWString(params.empty() ? kDefaultManualParams : params));
    sample_->setText(QString::fromStdWString(kCellPhoneManualSample));
    command_->setFocus();
    command_->setCursorPosition(0);
    if (parentWidget() != nullptr) {
        adjustSize();
        QRect frame(QPoint(), size());
        frame.moveCenter(parentWidget()->window()->frameGeometry().center());
        move(frame.topLeft());
    }
    if (exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return command_->text().toStdWString();
}

void ConvManualDlg::OpenHelp() {
    prompts_.OpenUrl(SitePageUrl(settings_, QStringLiteral("/help.html")));
}

}  // namespace talvex::ui
