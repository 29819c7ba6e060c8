#include "ui/TabDownload.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QUrl>
#include <QVBoxLayout>
#include <cmath>

#include "app/DebugLog.h"
#include "app/SettingsStore.h"
#include "app/StringTable.h"
#include "engine/Engine.h"
#include "ui/CustomButton.h"
#include "ui/DStaticText.h"
#include "ui/DefaultButton.h"
#include "ui/DialogUnits.h"
#include "ui/DownloadTabRules.h"
#include "ui/HyperlinkLabel.h"
#include "ui/Pictures.h"
#include "ui/UiPrompts.h"

namespace talvex::ui {

namespace {

constexpr int kSmallButtonFontPx = 12;
constexpr int kDownloadFontPx = 14;
constexpr int kFolderPictureSide = 16;
constexpr int kDownloadPictureSide = 26;
// Long translations of the list rows must not widen the page beyond the window.
constexpr int kListMinimumChars = 16;
// The speed limit's arrow keys step by this many KB/s.
constexpr int kSpeedLimitStepKB = 64;

struct ListRow {
    const wchar_t* key;  // nullptr: the text is the same in every language
    const char* builtIn;
};

constexpr ListRow kQualityRows[DownloadTabRules::kQualityRows] = {
    {L"dlg.main.combo.dwnl.best", "Best Available"},
    {nullptr, "HD 1080p"},
    {nullptr, "HD 720p"},
    {nullptr, "HQ 480p"},
    {nullptr, "HQ 360p (flv)"},
    {nullptr, "HQ 360p (mp4)"},
    {L"dlg.main.combo.dwnl.normal", "Normal"},
};

constexpr ListRow kConvertTypeRows[DownloadTabRules::kConvertTypeRows] = {
    {L"dlg.main.combo.convrt.ipod", "Ipod Video (Apple Quick Time MOV)"},
    {L"dlg.main.combo.convrt.iphone", "Iphone Video (MPEG-4 MP4)"},
    {L"dlg.main.combo.convrt.psp", "PSP Video (H.264 MP4)"},
    {L"dlg.main.combo.convrt.cell", "Cell Phone (H.263 3GP)"},
    {L"dlg.main.combo.convrt.wmv", "Windows Media Video (V.7 WMV)"},
    {L"dlg.main.combo.convrt.xvid", "XVid MPEG-4 Codec (AVI)"},
    {L"dlg.main.combo.convrt.mpeg", "MPEG Audio Layer 3 (MP3)"},
};

constexpr ListRow kConvertQualityRows[DownloadTabRules::kConvertQualityRows] = {
    {L"dlg.main.combo.convrtquality.high", "High"},
    {L"dlg.main.combo.convrtquality.opt", "Optimal"},
    {L"dlg.main.combo.convrtquality.med", "Medium"},
    {L"dlg.main.combo.convrtquality.low", "Low"},
};

QComboBox* MakeList(QWidget* parent) {
    auto* list = new QComboBox(parent);
    list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    list->setMinimumContentsLength(kListMinimumChars);
    return list;
}

QFont BoldFont(QFont font) {
    font.setBold(true);
    return font;
}

}  // namespace

TabDownload::TabDownload(SettingsStore& settings, StringTable& strings, IDownloadService& service,
                         UiPrompts& prompts, IMessageSink* mainWindow, QWidget* parent)
    : QWidget(parent),
      settings_(settings),
      strings_(strings),
      service_(service),
      prompts_(prompts),
      mainWindow_(mainWindow) {
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    // Movement over the page's own background re-arms the auto-paste.
    setMouseTracking(true);

    BuildControls();
    BuildLayout();

    SetFolder(QString::fromStdWString(settings_.GetDownloadFolder()));
    deleteOriginal_->setChecked(settings_.GetNumber(setting::kDeleteOriginalFile) != 0);
    autoConvert_->setChecked(settings_.GetNumber(setting::kAutoConvert) != 0);
    UpdateConversionControls();
    qualityList_->setEnabled(false);
    ApplyLanguage();
}

void TabDownload::BuildControls() {
    // The bold labels use the page's own font size.
    const QFontInfo fontInfo(font());
    const qreal dpiScale = logicalDpiY() > 0 ? logicalDpiY() / 96.0 : 1.0;
    const int labelPx = std::max(1, static_cast<int>(std::lround(fontInfo.pixelSize() / dpiScale)));
    auto makeLabel = [this, labelPx]() {
        auto* label = new DStaticText(this);
        label->SetFontStyle(DStaticText::kBold, labelPx);
        return label;
    };

    addressLabel_ = makeLabel();
    addressBox_ = new QPlainTextEdit(this);
    addressBox_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    addressBox_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Addresses have no blanks: long ones wrap anywhere rather than scroll sideways.
    addressBox_->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    addressBox_->setTabChangesFocus(true);
    addressBox_->installEventFilter(this);
    addressBox_->viewport()->setMouseTracking(true);
    addressBox_->viewport()->installEventFilter(this);
    connect(addressBox_, &QPlainTextEdit::textChanged, this, &TabDownload::OnAddressEdited);

    QFont smallButtonFont = BoldFont(font());
    smallButtonFont.setPixelSize(kSmallButtonFontPx);
    pasteButton_ = new CustomButton(this);
    pasteButton_->SetColors(ButtonColors::Grey());
    pasteButton_->setFont(smallButtonFont);
    connect(pasteButton_, &CustomButton::clicked, this, &TabDownload::PasteUrls);

    qualityLabel_ = makeLabel();
    qualityList_ = MakeList(this);

    speedLimitLabel_ = makeLabel();
    speedLimit_ = new QSpinBox(this);
    speedLimit_->setRange(0, DownloadTabRules::kMaxSpeedLimitKB);
    speedLimit_->setSingleStep(kSpeedLimitStepKB);
    speedLimit_->setSuffix(QStringLiteral(" KB/s"));
    speedLimit_->setValue(
        DownloadTabRules::SpeedLimitKilobytes(settings_.GetNumber(setting::kMaxDownloadSpeed)));
    // Typing "512" passes through 5 and 51: the value counts once it is entered, when the
    // focus leaves, or at each step of the arrows.
    speedLimit_->setKeyboardTracking(false);
    connect(speedLimit_, &QSpinBox::valueChanged, this, &TabDownload::OnSpeedLimitChanged);

    saveToLabel_ = makeLabel();
    browseButton_ = new CustomButton(
        pictures::ButtonPicture(pictures::Picture::Folder, kFolderPictureSide),
        pictures::ButtonPicture(pictures::Picture::Folder, kFolderPictureSide, true), false, this);
    browseButton_->SetColors(ButtonColors::Grey());
    browseButton_->setFont(smallButtonFont);
    browseButton_->setAccessibleName(QStringLiteral("Browse"));
    connect(browseButton_, &CustomButton::clicked, this, [this] { BrowseForDownloadFolder(); });

    folderLink_ = new HyperlinkLabel(this);
    folderLink_->SetElideMiddle(true);
    folderLink_->SetVisitedColor(QColor(0x00, 0x00, 0xFF));
    folderLink_->SetOpener(
        [this](const QString& target) { prompts_.OpenUrl(QUrl::fromLocalFile(target)); });

    frame_ = new QGroupBox(this);
    autoConvert_ = new QCheckBox(frame_);
    autoConvert_->setFont(BoldFont(font()));
    connect(autoConvert_, &QCheckBox::toggled, this, &TabDownload::UpdateConversionControls);
    convertTypeList_ = MakeList(frame_);
    convertQualityLabel_ = new DStaticText(frame_);
    convertQualityLabel_->SetFontStyle(DStaticText::kBold, labelPx);
    convertQualityList_ = MakeList(frame_);
    deleteOriginal_ = new QCheckBox(frame_);
    deleteOriginal_->setFont(BoldFont(font()));

    QFont downloadFont(QStringLiteral("Arial"));
    downloadFont.setStyleHint(QFont::SansSerif);
    downloadFont.setPixelSize(kDownloadFontPx);
    downloadFont.setBold(true);
    downloadButton_ = new CustomButton(
        pictures::ButtonPicture(pictures::Picture::Download, kDownloadPictureSide),
        pictures::ButtonPicture(pictures::Picture::Download, kDownloadPictureSide, true), false,
        this);
    downloadButton_->SetColors(ButtonColors::Red());
    downloadButton_->setFont(downloadFont);
    connect(downloadButton_, &CustomButton::clicked, this, &TabDownload::OnClickBtnDownload);

    setTabOrder(addressBox_, pasteButton_);
    setTabOrder(pasteButton_, qualityList_);
    setTabOrder(qualityList_, speedLimit_);
    setTabOrder(speedLimit_, browseButton_);
    setTabOrder(browseButton_, folderLink_);
    setTabOrder(folderLink_, autoConvert_);
    setTabOrder(autoConvert_, convertTypeList_);
    setTabOrder(convertTypeList_, convertQualityList_);
    setTabOrder(convertQualityList_, deleteOriginal_);
    setTabOrder(deleteOriginal_, downloadButton_);
}

void TabDownload::BuildLayout() {
    // Spacing in dialog units, so the page keeps its proportions with any desktop font.
    const DialogUnits du(font());

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(du.X(7), du.Y(5), du.X(7), du.Y(6));
    root->setSpacing(du.Y(3));
    root->addWidget(addressLabel_);

    auto* addressRow = new QHBoxLayout;
    addressRow->setSpacing(du.X(5));
    addressBox_->setMinimumHeight(du.Y(30));
    addressRow->addWidget(addressBox_, 1);
    pasteButton_->setMinimumSize(du.Size(56, 15));
    addressRow->addWidget(pasteButton_, 0, Qt::AlignTop);
    root->addLayout(addressRow, 1);

    auto* choices = new QGridLayout;
    choices->setHorizontalSpacing(du.X(5));
    choices->setVerticalSpacing(du.Y(3));
    qualityList_->setMinimumWidth(du.X(100));
    choices->addWidget(qualityLabel_, 0, 0, Qt::AlignVCenter);
    // The speed limit sits beside the quality: both are about how the video is fetched.
    auto* fetchRow = new QHBoxLayout;
    fetchRow->setSpacing(du.X(5));
    fetchRow->addWidget(qualityList_);
    fetchRow->addSpacing(du.X(10));
    fetchRow->addWidget(speedLimitLabel_, 0, Qt::AlignVCenter);
    speedLimit_->setMinimumWidth(du.X(60));
    fetchRow->addWidget(speedLimit_);
    fetchRow->addStretch(1);
    choices->addLayout(fetchRow, 0, 1, 1, 2);
    browseButton_->setFixedSize(du.Size(20, 13).expandedTo(browseButton_->minimumSizeHint()));
    choices->addWidget(saveToLabel_, 1, 0, Qt::AlignVCenter);
    choices->addWidget(browseButton_, 1, 1);
    choices->addWidget(folderLink_, 1, 2);
    choices->setColumnStretch(2, 1);
    root->addLayout(choices);

    auto* conversion = new QGridLayout(frame_);
    conversion->setContentsMargins(du.X(6), du.Y(3), du.X(6), du.Y(4));
    conversion->setHorizontalSpacing(du.X(5));
    conversion->setVerticalSpacing(du.Y(3));
    conversion->addWidget(autoConvert_, 0, 0);
    conversion->addWidget(convertTypeList_, 0, 1);
    conversion->addWidget(convertQualityLabel_, 1, 0, Qt::AlignVCenter);
    conversion->addWidget(convertQualityList_, 1, 1);
    conversion->addWidget(deleteOriginal_, 2, 0, 1, 2);
    conversion->setColumnStretch(1, 1);

    auto* bottom = new QHBoxLayout;
    bottom->setSpacing(du.X(10));
    bottom->addWidget(frame_, 1);
    downloadButton_->setMinimumSize(
        du.Size(100, 30).expandedTo(downloadButton_->minimumSizeHint()));
    bottom->addWidget(downloadButton_, 0, Qt::AlignBottom);
    root->addLayout(bottom);
}

QString TabDownload::Text(const wchar_t* key, const QString& builtIn) const {
    return QString::fromStdWString(strings_.GetText(key, builtIn.toStdWString()));
}

void TabDownload::ApplyLanguage() {
    addressLabel_->setText(
        Text(L"dlg.main.lbl.edit.url2.dwnld",
             QStringLiteral("Enter the URL of the video you want to download "
                            "(e.g. http://www.youtube.com/watch?v=xxxxxxxxxxx)")));
    pasteButton_->setText(Text(L"dlg.main.btn.paste", QStringLiteral("Paste URL")));
    qualityLabel_->setText(Text(L"dlg.main.lbl.dwnl.qlty", QStringLiteral("Download quality")));
    speedLimitLabel_->setText(Text(L"dlg.main.lbl.speed.limit", QStringLiteral("Speed limit")));
    speedLimit_->setSpecialValueText(
        Text(L"dlg.main.spin.speed.nolimit", QStringLiteral("No limit")));
    saveToLabel_->setText(Text(L"dlg.main.lbl.saveto", QStringLiteral("Save to")));
    autoConvert_->setText(
        Text(L"dlg.main.check.autoconvert.to", QStringLiteral("Automatically convert to")));
    convertQualityLabel_->setText(
        Text(L"dlg.main.tab.convrt.quality", QStringLiteral("Conversion quality")));
    deleteOriginal_->setText(Text(L"dlg.main.check.del.orgconv.file",
                                  QStringLiteral("Delete original file after conversion")));
    downloadButton_->setText(Text(L"dlg.main.btn.download", QStringLiteral("DOWNLOAD")));

    addressBox_->setAccessibleName(addressLabel_->text());
    qualityList_->setAccessibleName(qualityLabel_->text());
    speedLimit_->setAccessibleName(speedLimitLabel_->text());
    convertTypeList_->setAccessibleName(autoConvert_->text());
    convertQualityList_->setAccessibleName(convertQualityLabel_->text());
    folderLink_->setAccessibleName(saveToLabel_->text());

    auto refill = [this](QComboBox* list, const auto& rows, int selected) {
        list->clear();
        for (const ListRow& row : rows) {
            const QString builtIn = QString::fromLatin1(row.builtIn);
            list->addItem(row.key != nullptr ? Text(row.key, builtIn) : builtIn);
        }
        list->setCurrentIndex(selected);
    };
    // The rows come from the stored choice, not from what was selected before.
    refill(qualityList_, kQualityRows,
           DownloadTabRules::RowForQualityCode(settings_.GetNumber(setting::kDownloadQuality)));
    refill(convertTypeList_, kConvertTypeRows,
           DownloadTabRules::ConvertTypeRow(settings_.GetNumber(setting::kConversionTypeDwnld)));
    refill(convertQualityList_, kConvertQualityRows,
           DownloadTabRules::ConvertQualityRow(settings_.GetNumber(setting::kConvertQualityDwnld)));
}

void TabDownload::SetFolder(const QString& folder) {
    folderLink_->SetTarget(folder);
}

void TabDownload::SetAddressText(const std::wstring& text) {
    addressText_ = text;
    settingText_ = true;
    addressBox_->setPlainText(QString::fromStdWString(text));
    settingText_ = false;
    addressBox_->moveCursor(QTextCursor::End);
    UpdateQualityList();
}

void TabDownload::OnAddressEdited() {
    if (settingText_) {
        return;
    }
    addressText_ = addressBox_->toPlainText().toStdWString();
    UpdateQualityList();
}

void TabDownload::UpdateQualityList() {
    qualityList_->setEnabled(DownloadTabRules::QualityListEnabled(addressText_));
}

void TabDownload::UpdateConversionControls() {
    const bool enabled = autoConvert_->isChecked();
    convertTypeList_->setEnabled(enabled);
    convertQualityList_->setEnabled(enabled);
    deleteOriginal_->setEnabled(enabled);
}

void TabDownload::OnSpeedLimitChanged(int kilobytesPerSecond) {
    const uint32_t bytes = DownloadTabRules::SpeedLimitBytes(kilobytesPerSecond);
    settings_.SetNumber(setting::kMaxDownloadSpeed, bytes);
    // Applied as chosen, even when the settings file cannot take it just now.
    Engine::SetDownloadSpeedLimit(bytes);
}

void TabDownload::CleanUpAddressBox() {
    if (addressText_.empty()) {
        return;
    }
    // Merging into an empty box drops what is not an address, short lines and duplicates.
    const std::wstring old = addressText_;
    SetAddressText(DownloadTabRules::MergeUrls(std::wstring(), old));
}

void TabDownload::AddUrls(const QString& text, bool start) {
    const std::wstring merged = DownloadTabRules::MergeUrls(addressText_, text.toStdWString());
    if (merged != addressText_) {
        SetAddressText(merged);
    }
    if (start) {
        OnClickBtnDownload();
    }
}

void TabDownload::PasteUrls() {
    AddUrls(prompts_.ClipboardText(), false);
    UpdateQualityList();
}

void TabDownload::OnClickBtnDownload() {
    DownloadRequest(*this, settings_, strings_, prompts_, service_, mainWindow_).Run();
}

DownloadQuality TabDownload::GetDownloadQuality() {
    DebugLog::Write("Enter TabDownload::GetDownloadQuality");
    const int row = qualityList_->currentIndex();
    if (row < 0) {
        DebugLog::Write("Exit TabDownload::GetDownloadQuality");
    }
    return DownloadTabRules::QualityCodeForRow(row);
}

int32_t TabDownload::GetConvertType() {
    DebugLog::Write("Enter TabDownload::GetConvertType");
    // The list always has a row once filled; the first profile stands in for none.
    return std::max(0, convertTypeList_->currentIndex());
}

ConversionQuality TabDownload::GetConvertQuality() {
    DebugLog::Write("Enter TabDownload::GetConvertQuality");
    return DownloadTabRules::ConvertQualityForRow(convertQualityList_->currentIndex());
}

std::wstring TabDownload::GetDownloadDir() {
    DebugLog::Write("Enter TabDownload::GetDownloadDir");
    std::wstring folder = folderLink_->Target().toStdWString();
    DebugLog::Write("Exit TabDownload::GetDownloadDir");
    return folder;
}

bool TabDownload::AutoConvertChecked() const {
    return autoConvert_->isChecked();
}

bool TabDownload::DeleteOriginalChecked() const {
    // As checked, even while the box is disabled.
    return deleteOriginal_->isChecked();
}

bool TabDownload::BrowseForDownloadFolder() {
    DebugLog::Write("Enter TabDownload::BrowseForDownloadFolder");
    const QString folder = prompts_.PickFolder(
        window(), Text(L"msg.choose.download.dir", QStringLiteral("Choose download directory")),
        folderLink_->Target());
    if (folder.isEmpty()) {
        DebugLog::Write("Exit TabDownload::BrowseForDownloadFolder (fails)");
        return false;
    }
    SetFolder(folder);
    // The engine reads the folder from the settings.
    SaveSettings();
    DebugLog::Write("Exit TabDownload::BrowseForDownloadFolder (success)");
    return true;
}

void TabDownload::SaveSettings() {
    settings_.SetNumber(setting::kConversionTypeDwnld, static_cast<uint32_t>(GetConvertType()));
    settings_.SetNumber(setting::kConvertQualityDwnld,
                        static_cast<uint32_t>(ConversionQualityNumber(GetConvertQuality())));
    settings_.SetNumber(setting::kDownloadQuality,
                        static_cast<uint32_t>(DownloadQualityNumber(GetDownloadQuality())));
    settings_.SetString(setting::kDownloadDirectory, GetDownloadDir());
    settings_.SetNumber(setting::kDeleteOriginalFile, deleteOriginal_->isChecked() ? 1 : 0);
    settings_.SetNumber(setting::kAutoConvert, autoConvert_->isChecked() ? 1 : 0);
}

bool TabDownload::eventFilter(QObject* watched, QEvent* event) {
    if (watched == addressBox_->viewport()) {
        const bool pointerOver =
            event->type() == QEvent::MouseMove || event->type() == QEvent::Enter;
        if (pointerOver && !autoPasteDone_) {
            autoPasteDone_ = true;
            PasteUrls();
        }
    } else if (watched == addressBox_ && event->type() == QEvent::FocusOut) {
        // A context menu borrows the focus only for a moment; the user is still editing.
        if (static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
            CleanUpAddressBox();
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TabDownload::mouseMoveEvent(QMouseEvent* event) {
    // Movements over the box's frame and scroll bar arrive here too; they are not the page.
    if (!addressBox_->geometry().contains(event->position().toPoint())) {
        autoPasteDone_ = false;
    }
    QWidget::mouseMoveEvent(event);
}

void TabDownload::keyPressEvent(QKeyEvent* event) {
    // DOWNLOAD is the page's default button (the box keeps Enter for its line breaks, a focused
    // button or link acts itself).
    if (!PressDefaultButton(event, downloadButton_)) {
        QWidget::keyPressEvent(event);
    }
}

void TabDownload::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    SaveSettings();
}

}  // namespace talvex::ui
