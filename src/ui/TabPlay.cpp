#include "ui/TabPlay.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRegularExpression>
#include <QUrl>
#include <QVBoxLayout>
#include <cmath>

#include "app/SettingsStore.h"
#include "app/StringTable.h"
#include "convert/EncoderReport.h"
#include "ui/CustomButton.h"
#include "ui/DStaticText.h"
#include "ui/DialogUnits.h"
#include "ui/LinkMarkup.h"
#include "ui/Pictures.h"
#include "ui/PlayabilityCheck.h"
#include "ui/PlayableFiles.h"
#include "ui/UiPrompts.h"
#include "ui/UiText.h"
#include "ui/VideoPlayerPane.h"

namespace talvex::ui {

namespace {

constexpr int kFolderPictureSide = 16;
constexpr int kBrowseFontPx = 12;
// Long folder names must not widen the page beyond the window.
constexpr int kRecentListMinimumChars = 12;

// The language file's "... <a ID="1">Get the latest version</a>" as rich text. Any link in
// it leads to the same page; a translation without one becomes a link as a whole.
QString UpgradeHtml(const QString& text) {
    QString html = LinkMarkupToHtml(text);
    if (LinkMarkupIds(text).isEmpty()) {
        html = QStringLiteral("<a href=\"1\">") + html + QStringLiteral("</a>");
    }
    // Package names such as "gstreamer1.0-plugins-good" must not break at their hyphens.
    static const QRegularExpression hyphenated(QStringLiteral("([\\w.]*\\w(?:-[\\w.]*\\w)+)"));
    html.replace(hyphenated, QStringLiteral("<nobr>\\1</nobr>"));
    return html;
}

}  // namespace

TabPlay::TabPlay(SettingsStore& settings, StringTable& strings, UiPrompts& prompts, QWidget* parent)
    : QWidget(parent),
      settings_(settings),
      strings_(strings),
      prompts_(prompts),
      recent_(settings),
      check_(new PlayabilityCheck(EncoderPath(), this)) {
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);

    BuildControls();
    BuildLayout();
    connect(check_, &PlayabilityCheck::Decided, this, &TabPlay::OnDecided);

    ApplyLanguage();
    recent_.Load();
    ShowRecentRows();
    // Without a recent folder yet, the downloads are the files a user wants to see first.
    QString start = QString::fromStdWString(recent_.MostRecent());
    if (start.isEmpty()) {
        start = QString::fromStdWString(settings_.GetDownloadFolder());
    }
    SetCurrentFolder(start);
}

TabPlay::~TabPlay() {
    SaveSettings();
}

void TabPlay::BuildControls() {
    const QFontInfo fontInfo(font());
    const qreal dpiScale = logicalDpiY() > 0 ? logicalDpiY() / 96.0 : 1.0;
    const int labelPx = std::max(1, static_cast<int>(std::lround(fontInfo.pixelSize() / dpiScale)));
    folderLabel_ = new DStaticText(this);
    folderLabel_->SetFontStyle(DStaticText::kBold, labelPx);
    filesLabel_ = new DStaticText(this);
    filesLabel_->SetFontStyle(DStaticText::kBold, labelPx);

    folderBox_ = new QLineEdit(this);
    connect(folderBox_, &QLineEdit::returnPressed, this, &TabPlay::AddFolder);

    QFont browseFont = font();
    browseFont.setBold(true);
    browseFont.setPixelSize(kBrowseFontPx);
    browseButton_ = new CustomButton(
        pictures::ButtonPicture(pictures::Picture::Folder, kFolderPictureSide),
        pictures::ButtonPicture(pictures::Picture::Folder, kFolderPictureSide, true), false, this);
    browseButton_->SetColors(ButtonColors::Grey());
    browseButton_->setFont(browseFont);
    browseButton_->setAccessibleName(QStringLiteral("Browse"));
    connect(browseButton_, &CustomButton::clicked, this, &TabPlay::BrowseForFolder);

    recentList_ = new QComboBox(this);
    recentList_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    recentList_->setMinimumContentsLength(kRecentListMinimumChars);
    recentList_->view()->setTextElideMode(Qt::ElideMiddle);
    connect(recentList_, &QComboBox::activated, this, &TabPlay::ChooseRecentFolder);

    fileList_ = new QListWidget(this);
    fileList_->setSelectionMode(QAbstractItemView::SingleSelection);
    fileList_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Long names are shortened in the middle, where they differ least; the tooltip has them whole.
    fileList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    fileList_->setTextElideMode(Qt::ElideMiddle);
    fileList_->installEventFilter(this);
    connect(fileList_, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { PlayFileAt(fileList_->row(item)); });

    playerArea_ = new QWidget(this);
    auto* area = new QVBoxLayout(playerArea_);
    area->setContentsMargins(0, 0, 0, 0);
    if (VideoPlayerPane::BackendUsable()) {
        player_ = new VideoPlayerPane(strings_, playerArea_);
        area->addWidget(player_);
    } else {
        area->setContentsMargins(DialogUnits(font()).X(10), 0, DialogUnits(font()).X(10), 0);
        upgradeLink_ = new QLabel(playerArea_);
        upgradeLink_->setTextFormat(Qt::RichText);
        upgradeLink_->setWordWrap(true);
        upgradeLink_->setAlignment(Qt::AlignCenter);
        upgradeLink_->setTextInteractionFlags(Qt::LinksAccessibleByMouse |
                                              Qt::LinksAccessibleByKeyboard);
        upgradeLink_->setFocusPolicy(Qt::StrongFocus);
        connect(upgradeLink_, &QLabel::linkActivated, this,
                [this] { prompts_.OpenUrl(QUrl(QString::fromLatin1(kBackendHelpUrl))); });
        // The command in every language: it is what a user types, and can be copied.
        auto* command = new QLabel(QString::fromLatin1(kBackendInstallCommand), playerArea_);
        command->setTextFormat(Qt::PlainText);
        command->setWordWrap(true);
        command->setAlignment(Qt::AlignCenter);
        command->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
        command->setTextInteractionFlags(Qt::TextSelectableByMouse);
        area->addStretch(1);
        area->addWidget(upgradeLink_);
        area->addSpacing(DialogUnits(font()).Y(6));
        area->addWidget(command);
        area->addStretch(1);
    }

    setTabOrder(folderBox_, browseButton_);
    setTabOrder(browseButton_, recentList_);
    setTabOrder(recentList_, fileList_);
}

void TabPlay::BuildLayout() {
    const DialogUnits du(font());
    auto* root = new QHBoxLayout(this);
    root->setContentsMargins(du.X(7), du.Y(5), du.X(7), du.Y(6));
    root->setSpacing(du.X(8));

    auto* left = new QVBoxLayout;
    left->setSpacing(du.Y(3));
    left->addWidget(folderLabel_);
    auto* folderRow = new QHBoxLayout;
    folderRow->setSpacing(du.X(3));
    folderRow->addWidget(folderBox_, 1);
    browseButton_->setFixedSize(du.Size(20, 13).expandedTo(browseButton_->minimumSizeHint()));
    folderRow->addWidget(browseButton_);
    left->addLayout(folderRow);
    left->addWidget(recentList_);
    left->addSpacing(du.Y(2));
    left->addWidget(filesLabel_);
    left->addWidget(fileList_, 1);

    auto* leftColumn = new QWidget(this);
    leftColumn->setLayout(left);
    left->setContentsMargins(0, 0, 0, 0);
    leftColumn->setFixedWidth(du.X(150));
    root->addWidget(leftColumn);
    root->addWidget(playerArea_, 1);
}

void TabPlay::ApplyLanguage() {
    recent_.SetTitle(Text(strings_, L"tab.play.combo.view.mru.dirs", L"View recently used folders")
                         .toStdWString());
    ShowRecentRows();
    folderLabel_->setText(Text(strings_, L"tab.play.choose.dir", L"Choose folder"));
    filesLabel_->setText(Text(strings_, L"tab.play.files.list", L"Files list"));
    folderBox_->setAccessibleName(folderLabel_->text());
    fileList_->setAccessibleName(filesLabel_->text());
    recentList_->setAccessibleName(recentList_->itemText(0));
    if (upgradeLink_ != nullptr) {
        upgradeLink_->setText(UpgradeHtml(
            Text(strings_, L"tab.play.flash.upgrade",
                 L"Playing videos here needs the GStreamer plug-ins of the multimedia library: "
                 L"install the Debian packages gstreamer1.0-plugins-good and gstreamer1.0-libav. "
                 L"<a ID=\"1\">Get the latest version</a>")));
    }
    if (player_ != nullptr) {
        player_->ApplyLanguage();
    }
}

void TabPlay::ShowRecentRows() {
    const QSignalBlocker quiet(recentList_);
    recentList_->clear();
    for (const std::wstring& row : recent_.Rows()) {
        recentList_->addItem(QString::fromStdWString(row));
    }
    recentList_->setCurrentIndex(0);
}

void TabPlay::SaveSettings() {
    recent_.Save();
}

void TabPlay::SetCurrentFolder(const QString& folder) {
    currentFolder_ = folder;
    if (folderBox_->text() != folder) {
        folderBox_->setText(folder);
    }
    FillFileList();
}

void TabPlay::FillFileList() {
    fileList_->clear();
    for (const std::wstring& name : ListPlayableFiles(currentFolder_.toStdWString())) {
        auto* item = new QListWidgetItem(QString::fromStdWString(name), fileList_);
        item->setToolTip(item->text());
    }
}

void TabPlay::AddFolder() {
    const QString folder = folderBox_->text();
    recent_.Add(folder.toStdWString());
    ShowRecentRows();
    // A folder that does not exist is not remembered, but the list shows that it holds
    // nothing rather than keep showing another folder's files under its name.
    SetCurrentFolder(folder);
}

void TabPlay::BrowseForFolder() {
    const QString folder = prompts_.PickFolder(
        window(), Text(strings_, L"tab.play.choose.dir", L"Choose directory"), currentFolder_);
    if (folder.isEmpty()) {
        return;
    }
    folderBox_->setText(folder);
    AddFolder();
}

void TabPlay::ChooseRecentFolder(int row) {
    const QString folder = QString::fromStdWString(recent_.FolderAt(row));
    // The title row names no folder.
    if (!folder.isEmpty()) {
        SetCurrentFolder(folder);
    }
    recentList_->setCurrentIndex(0);
}

void TabPlay::PlayFileAt(int row) {
    const QListWidgetItem* item = fileList_->item(row);
    if (item == nullptr) {
        return;
    }
    const QString path = QDir(currentFolder_).filePath(item->text());
    check_->Start(path);
    if (check_->Pending()) {
        fileList_->setCursor(Qt::BusyCursor);
    }
}

void TabPlay::OnDecided(const QString& path, bool playable) {
    fileList_->unsetCursor();
    if (playable) {
        Play(path);
        return;
    }
    prompts_.Message(window(), MessageIcon::Information, MessageButtons::Ok,
                     Text(strings_, L"tab.play.invalid.file",
                          L"This file cannot be played using this player. Please select "
                          L"another file."));
}

void TabPlay::Play(const QString& path) {
    if (player_ != nullptr) {
        player_->Play(path);
    }
}

bool TabPlay::eventFilter(QObject* watched, QEvent* event) {
    // Enter on a file plays it, as a double-click does.
    if (watched == fileList_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && fileList_->currentRow() >= 0) {
            PlayFileAt(fileList_->currentRow());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TabPlay::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Downloads may have finished since the page was last seen.
    FillFileList();
}

void TabPlay::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    SaveSettings();
}

}  // namespace talvex::ui
