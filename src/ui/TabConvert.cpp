#include "ui/TabConvert.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "app/SettingsStore.h"
#include "app/StringTable.h"
#include "convert/ConversionProfiles.h"
#include "convert/EncoderReport.h"
#include "engine/Engine.h"
#include "ui/ConvManualDlg.h"
#include "ui/ConvertTabRules.h"
#include "ui/CustomButton.h"
#include "ui/DStaticText.h"
#include "ui/DefaultButton.h"
#include "ui/DialogUnits.h"
#include "ui/Pictures.h"
#include "ui/UiPrompts.h"
#include "ui/UiText.h"

namespace talvex::ui {

namespace {

constexpr int kConvertFontPx = 14;
constexpr int kFolderPictureSide = 16;
constexpr int kTimeLength = 8;  // "HH:MM:SS"
constexpr int kVolumeMax = 200;
constexpr int kVolumeUnchanged = 100;
// Long translations of the list rows must not widen the page beyond the window.
constexpr int kListMinimumChars = 16;
const QString kZeroTime = QStringLiteral("00:00:00");

QComboBox* MakeList(QWidget* parent) {
    auto* list = new QComboBox(parent);
    list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    list->setMinimumContentsLength(kListMinimumChars);
    return list;
}

QLineEdit* MakeTimeBox(QWidget* parent) {
    auto* box = new QLineEdit(kZeroTime, parent);
    box->setMaxLength(kTimeLength);
    return box;
}

QFont BoldFont(QFont font) {
    font.setBold(true);
    return font;
}

// A widget that keeps its place in the layout while hidden, so that showing it moves nothing.
void KeepPlaceWhenHidden(QWidget* widget) {
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
}

}  // namespace

TabConvert::TabConvert(Engine& engine, UiPrompts& prompts, IMessageSink* mainWindow,
                       QWidget* parent)
    : QWidget(parent),
      engine_(engine),
      settings_(*engine.GetSettings()),
      strings_(*engine.GetStringTable()),
      prompts_(prompts),
      mainWindow_(mainWindow) {
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);

    BuildControls();
    BuildLayout();

    frame_->setVisible(false);
    advanced_->setChecked(false);
    trim_->setChecked(false);
    UpdateTrimControls();
    replace_->setChecked(false);
    replace_->setVisible(false);
    ApplyLanguage();
}

void TabConvert::BuildControls() {
    // The labels use the page's own font size.
    const QFontInfo fontInfo(font());
    const qreal dpiScale = logicalDpiY() > 0 ? logicalDpiY() / 96.0 : 1.0;
    const int labelPx = std::max(1, static_cast<int>(std::lround(fontInfo.pixelSize() / dpiScale)));
    auto makeLabel = [labelPx](QWidget* parent, int style) {
        auto* label = new DStaticText(parent);
        label->SetFontStyle(style, labelPx);
        return label;
    };

    fileLabel_ = makeLabel(this, DStaticText::kBold);
    fileBox_ = new QLineEdit(this);
    connect(fileBox_, &QLineEdit::textChanged, this, &TabConvert::CheckOutput);
    browseButton_ = new CustomButton(
        pictures::ButtonPicture(pictures::Picture::Folder, kFolderPictureSide),
        pictures::ButtonPicture(pictures::Picture::Folder, kFolderPictureSide, true), false, this);
    browseButton_->SetColors(ButtonColors::Grey());
    browseButton_->setFocusPolicy(Qt::StrongFocus);
    browseButton_->setAccessibleName(QStringLiteral("Browse"));
    connect(browseButton_, &CustomButton::clicked, this, &TabConvert::Browse);

    profileLabel_ = makeLabel(this, 0);
    profileList_ = MakeList(this);
    connect(profileList_, &QComboBox::currentIndexChanged, this, &TabConvert::CheckOutput);
    replace_ = new QCheckBox(this);
    KeepPlaceWhenHidden(replace_);
    qualityLabel_ = makeLabel(this, 0);
    qualityList_ = MakeList(this);
    advanced_ = new QCheckBox(this);
    connect(advanced_, &QCheckBox::toggled, this, [this](bool on) { frame_->setVisible(on); });

    frame_ = new QGroupBox(this);
    KeepPlaceWhenHidden(frame_);
    volumeLabel_ = makeLabel(frame_, 0);
    volumeMin_ = new QLabel(QStringLiteral("0"), frame_);
    volume_ = new QSlider(Qt::Horizontal, frame_);
    volume_->setRange(0, kVolumeMax);
    volume_->setValue(kVolumeUnchanged);
    volume_->setPageStep(10);
    volumeMax_ = new QLabel(QString::number(kVolumeMax), frame_);
    trim_ = new QCheckBox(frame_);
    trim_->setFont(BoldFont(font()));
    connect(trim_, &QCheckBox::toggled, this, &TabConvert::UpdateTrimControls);
    startLabel_ = makeLabel(frame_, 0);
    startBox_ = MakeTimeBox(frame_);
    endLabel_ = makeLabel(frame_, 0);
    endBox_ = MakeTimeBox(frame_);
    note_ = makeLabel(frame_, 0);

    QFont convertFont(QStringLiteral("Arial"));
    convertFont.setStyleHint(QFont::SansSerif);
    convertFont.setPixelSize(kConvertFontPx);
    convertFont.setBold(true);
    convertButton_ = new CustomButton(this);
    convertButton_->SetColors(ButtonColors::Red());
    convertButton_->setFont(convertFont);
    convertButton_->setFocusPolicy(Qt::StrongFocus);
    connect(convertButton_, &CustomButton::clicked, this, &TabConvert::OnClickBtnConvert);

    setTabOrder(fileBox_, browseButton_);
    setTabOrder(browseButton_, profileList_);
    setTabOrder(profileList_, replace_);
    setTabOrder(replace_, qualityList_);
    setTabOrder(qualityList_, advanced_);
    setTabOrder(advanced_, volume_);
    setTabOrder(volume_, trim_);
    setTabOrder(trim_, startBox_);
    setTabOrder(startBox_, endBox_);
    setTabOrder(endBox_, convertButton_);
}

void TabConvert::BuildLayout() {
    // Spacing in dialog units, so the page keeps its proportions with any desktop font.
    const DialogUnits du(font());

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(du.X(7), du.Y(5), du.X(7), du.Y(6));
    root->setSpacing(du.Y(3));
    root->addWidget(fileLabel_);
    auto* fileRow = new QHBoxLayout;
    fileRow->setSpacing(du.X(5));
    fileRow->addWidget(fileBox_, 1);
    browseButton_->setFixedSize(du.Size(20, 13).expandedTo(browseButton_->minimumSizeHint()));
    fileRow->addWidget(browseButton_);
    root->addLayout(fileRow);
    root->addSpacing(du.Y(3));

    auto* choices = new QVBoxLayout;
    choices->setSpacing(du.Y(3));
    choices->addWidget(profileLabel_);
    profileList_->setFixedWidth(du.X(180));
    choices->addWidget(profileList_);
    choices->addWidget(replace_);
    choices->addSpacing(du.Y(2));
    choices->addWidget(qualityLabel_);
    qualityList_->setFixedWidth(du.X(180));
    choices->addWidget(qualityList_);
    choices->addSpacing(du.Y(2));
    choices->addWidget(advanced_);
    choices->addStretch(1);

    auto* advanced = new QVBoxLayout(frame_);
    advanced->setContentsMargins(du.X(6), du.Y(3), du.X(6), du.Y(4));
    advanced->setSpacing(du.Y(2));
    advanced->addWidget(volumeLabel_);
    auto* volumeRow = new QHBoxLayout;
    volumeRow->setSpacing(du.X(3));
    volumeRow->addWidget(volumeMin_);
    volumeRow->addWidget(volume_, 1);
    volumeRow->addWidget(volumeMax_);
    advanced->addLayout(volumeRow);
    advanced->addSpacing(du.Y(2));
    advanced->addWidget(trim_);
    auto* timeRow = new QGridLayout;
    timeRow->setHorizontalSpacing(du.X(4));
    timeRow->setVerticalSpacing(du.Y(1));
    const int timeWidth = du.X(40);
    startBox_->setFixedWidth(timeWidth);
    endBox_->setFixedWidth(timeWidth);
    timeRow->addWidget(startLabel_, 0, 0);
    timeRow->addWidget(endLabel_, 0, 1);
    timeRow->addWidget(startBox_, 1, 0);
    timeRow->addWidget(endBox_, 1, 1);
    timeRow->setColumnStretch(2, 1);
    advanced->addLayout(timeRow);
    advanced->addWidget(note_);

    auto* side = new QVBoxLayout;
    side->setSpacing(du.Y(4));
    side->addWidget(frame_);
    side->addStretch(1);
    convertButton_->setMinimumSize(du.Size(100, 30).expandedTo(convertButton_->minimumSizeHint()));
    side->addWidget(convertButton_, 0, Qt::AlignRight);

    auto* body = new QHBoxLayout;
    body->setSpacing(du.X(12));
    body->addLayout(choices);
    body->addLayout(side, 1);
    root->addLayout(body, 1);
}

void TabConvert::ApplyLanguage() {
    fileLabel_->setText(Text(strings_, L"dlg.main.lbl.edit.slct.file", L"Select the video file"));
    profileLabel_->setText(Text(strings_, L"dlg.main.lbl.combo.convert.to", L"Convert video to"));
    replace_->setText(Text(strings_, L"dlg.main.tab.convrt.replace", L"Replace existing file"));
    qualityLabel_->setText(Text(strings_, L"dlg.main.tab.convrt.quality", L"Conversion quality"));
    advanced_->setText(
        Text(strings_, L"dlg.main.tab.convrt.advanced", L"Show advanced conversion options"));
    volumeLabel_->setText(Text(strings_, L"dlg.main.tab.convrt.videovol", L"Change video volume"));
    trim_->setText(Text(strings_, L"dlg.main.tab.convrt.cut", L"Trim video"));
    startLabel_->setText(Text(strings_, L"dlg.main.tab.convrt.start", L"Start time"));
    endLabel_->setText(Text(strings_, L"dlg.main.tab.convrt.end", L"End time*"));
    note_->setText(
        Text(strings_, L"dlg.main.tab.convrt.note", L"* Use \"00:00:00\" for the end of video"));
    convertButton_->setText(Text(strings_, L"dlg.main.btn.convert", L"CONVERT VIDEO"));

    fileBox_->setAccessibleName(fileLabel_->text());
    profileList_->setAccessibleName(profileLabel_->text());
    qualityList_->setAccessibleName(qualityLabel_->text());
    volume_->setAccessibleName(volumeLabel_->text());
    startBox_->setAccessibleName(startLabel_->text());
    endBox_->setAccessibleName(endLabel_->text());
    convertButton_->setAccessibleName(convertButton_->text());

    // The rows come from the stored choice, not from what was selected before.
    profileList_->clear();
    for (int row = 0; row < ConvertTabRules::kProfileRows; ++row) {
        profileList_->addItem(Text(strings_, ProfileListKey(row), ProfileListText(row)));
    }
    profileList_->setCurrentIndex(
        ConvertTabRules::ProfileRow(settings_.GetNumber(setting::kConversionType)));
    qualityList_->clear();
    for (int row = 0; row < ConvertTabRules::kQualityRows; ++row) {
        qualityList_->addItem(Text(strings_, QualityListKey(row), QualityListText(row)));
    }
    qualityList_->setCurrentIndex(
        ConvertTabRules::QualityRow(settings_.GetNumber(setting::kConvertQuality)));

    startBox_->setText(kZeroTime);
    endBox_->setText(kZeroTime);
}

void TabConvert::SaveSettings() {
    settings_.SetNumber(setting::kConversionType, static_cast<uint32_t>(ProfileRow()));
    settings_.SetNumber(setting::kConvertQuality,
                        static_cast<uint32_t>(ConversionQualityNumber(Quality())));
}

QString TabConvert::FileFilter() {
    // "All Files" is every file: a name without a dot has no extension to match "*.*".
    return QStringLiteral(
        "Flv Files (*.flv);;Mp3 Files (*.mp3);;Mp4 Files (*.mp4);;Mov Files (*.mov);;"
        "Avi Files (*.avi);;All Files (*)");
}

void TabConvert::Browse() {
    QString start = QFileInfo(fileBox_->text()).absolutePath();
    if (fileBox_->text().isEmpty() || !QFileInfo(start).isDir()) {
        start = QString::fromStdWString(settings_.GetDownloadFolder());
    }
    const QString file = prompts_.PickFile(window(), fileLabel_->text(), FileFilter(), start);
    if (!file.isEmpty()) {
        fileBox_->setText(file);
    }
    CheckOutput();
}

void TabConvert::CheckOutput() {
    // Hidden and cleared first, so a box left checked for another output never counts.
    replace_->setChecked(false);
    replace_->setVisible(
        ConvertTabRules::OffersReplace(fileBox_->text().toStdWString(), ProfileRow()));
}

void TabConvert::UpdateTrimControls() {
    const bool on = trim_->isChecked();
    for (QWidget* control :
         std::initializer_list<QWidget*>{startLabel_, startBox_, endLabel_, endBox_, note_}) {
        control->setEnabled(on);
    }
}

void TabConvert::OnClickBtnConvert() {
    ConvertRequest(*this, engine_, prompts_, mainWindow_, EncoderPath()).Run();
}

std::wstring TabConvert::FileText() const {
    return fileBox_->text().toStdWString();
}

void TabConvert::SetFileText(const std::wstring& text) {
    fileBox_->setText(QString::fromStdWString(text));
}

bool TabConvert::ReplaceChecked() const {
    return replace_->isChecked();
}

bool TabConvert::AdvancedChecked() const {
    return advanced_->isChecked();
}

bool TabConvert::TrimChecked() const {
    return trim_->isChecked();
}

std::wstring TabConvert::StartText() const {
    return startBox_->text().toStdWString();
}

std::wstring TabConvert::EndText() const {
    return endBox_->text().toStdWString();
}

int32_t TabConvert::VolumePercent() const {
    return volume_->value();
}

int32_t TabConvert::ProfileRow() const {
    // The list always has a row once filled; the first profile stands in for none.
    return std::max(0, profileList_->currentIndex());
}

ConversionQuality TabConvert::Quality() const {
    return ConvertTabRules::QualityForRow(qualityList_->currentIndex());
}

void TabConvert::FocusStartBox() {
    startBox_->setFocus(Qt::OtherFocusReason);
}

void TabConvert::FocusEndBox() {
    endBox_->setFocus(Qt::OtherFocusReason);
}

std::optional<std::wstring> TabConvert::AskManualParams(const std::wstring& params) {
    ConvManualDlg dialog(strings_, settings_, prompts_, window());
    return dialog.Ask(params);
}

void TabConvert::keyPressEvent(QKeyEvent* event) {
    // CONVERT VIDEO is the page's default button (a focused button acts itself, an open list
    // takes its row).
    if (!PressDefaultButton(event, convertButton_)) {
        QWidget::keyPressEvent(event);
    }
}

void TabConvert::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    SaveSettings();
}

}  // namespace talvex::ui
