// The Download page's own behaviour: stored choices, the address box's clean-up and
// auto-paste, the conversion controls, the folder, settings and texts, and the layout.
#include <QCheckBox>
#include <QComboBox>
#include <QSpinBox>
#include <QTextCursor>

#include "ui/CustomButton.h"
#include "ui/DialogUnits.h"
#include "ui/HyperlinkLabel.h"
#include "ui/download/DownloadTabFixture.h"

namespace talvex::test {
namespace {

class TabDownloadTest : public DownloadTabFixture {};

// A point of the page itself, outside every control.
QPoint BackgroundPoint(QWidget& page) {
    for (int y = 1; y < page.height(); y += 2) {
        for (int x = 1; x < page.width(); x += 2) {
            if (page.childAt(x, y) == nullptr) {
                return QPoint(x, y);
            }
        }
    }
    ADD_FAILURE() << "no background";
    return QPoint();
}

TEST_F(TabDownloadTest, StoredChoicesSelectTheirRowsAndUnknownValuesTheFirst) {
    struct Case {
        uint32_t quality, type, convertQuality;
        QString qualityText;
        int typeRow, convertQualityRow;
    } const cases[] = {
        {6, 7, 4, QStringLiteral("Best Available"), 0, 0},
        {3, 6, 3, QStringLiteral("Best Available"), 6, 3},
        {9, 0, 1, QStringLiteral("HQ 360p (mp4)"), 0, 1},
        {2, 2, 0, QStringLiteral("Normal"), 2, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.quality);
        settings.SetNumber(setting::kDownloadQuality, c.quality);
        settings.SetNumber(setting::kConversionTypeDwnld, c.type);
        settings.SetNumber(setting::kConvertQualityDwnld, c.convertQuality);
        DestroyTab();
        ui::TabDownload& tab = Tab();
        EXPECT_EQ(tab.QualityList()->currentText(), c.qualityText);
        EXPECT_EQ(tab.ConvertTypeList()->currentIndex(), c.typeRow);
        EXPECT_EQ(tab.ConvertQualityList()->currentIndex(), c.convertQualityRow);
        EXPECT_EQ(tab.QualityList()->count(), 7);
        EXPECT_EQ(tab.ConvertTypeList()->count(), 7);
        EXPECT_EQ(tab.ConvertQualityList()->count(), 4);
    }
}

TEST_F(TabDownloadTest, LeavingTheBoxKeepsOnlyNewAddressesAndUpdatesTheQualityList) {
    ui::TabDownload& tab = Tab();
    EXPECT_FALSE(tab.QualityList()->isEnabled());
    TypeAddresses({L"junk"});
    EXPECT_FALSE(tab.QualityList()->isEnabled());
    TypeAddresses({L"see https://youtu.be/x"});
    EXPECT_TRUE(tab.QualityList()->isEnabled());
    TypeAddresses({kVideo, kVideo, L"http://a.com"});

    QTest::keyClick(tab.AddressBox(), Qt::Key_Tab);
    EXPECT_TRUE(tab.PasteButton()->hasFocus());
    EXPECT_EQ(tab.AddressText(), kVideo + L"\r\n");
    EXPECT_EQ(tab.AddressBox()->toPlainText(), QString::fromStdWString(kVideo) + '\n');
    EXPECT_TRUE(tab.QualityList()->isEnabled());

    // Nothing left: the quality list goes off again.
    tab.AddressBox()->setFocus();
    tab.AddressBox()->selectAll();
    QTest::keyClicks(tab.AddressBox(), QStringLiteral("ftp://www.youtube.com/x"));
    tab.PasteButton()->setFocus();
    EXPECT_TRUE(tab.AddressText().empty());
    EXPECT_FALSE(tab.QualityList()->isEnabled());
}

TEST_F(TabDownloadTest, PointerArrivingOverTheBoxPastesOncePerArrival) {
    ui::TabDownload& tab = Tab();
    QWidget* viewport = tab.AddressBox()->viewport();
    const QPoint background = BackgroundPoint(tab);
    QTest::mouseMove(&tab, background);

    prompts.clipboard = QString::fromStdWString(L"junk\r\n" + kVideo);
    QTest::mouseMove(viewport, QPoint(10, 10));
    EXPECT_EQ(tab.AddressText(), kVideo + L"\r\n");
    EXPECT_TRUE(tab.QualityList()->isEnabled());

    // Still over the box: no second paste.
    prompts.clipboard = QString::fromStdWString(kOtherVideo);
    QTest::mouseMove(viewport, QPoint(20, 15));
    EXPECT_EQ(tab.AddressText(), kVideo + L"\r\n");

    // Back over the page, then over the box again.
    QTest::mouseMove(&tab, background);
    QTest::mouseMove(viewport, QPoint(10, 10));
    EXPECT_EQ(tab.AddressText(), kVideo + L"\r\n" + kOtherVideo + L"\r\n");

    // The Paste button merges the same way, without repeats.
    prompts.clipboard = QString::fromStdWString(kVideo + L"\n" + kPlayList);
    QTest::mouseClick(tab.PasteButton(), Qt::LeftButton);
    EXPECT_EQ(tab.AddressText(), kVideo + L"\r\n" + kOtherVideo + L"\r\n" + kPlayList + L"\r\n");
}

TEST_F(TabDownloadTest, CtrlASelectsTheWholeBox) {
    ui::TabDownload& tab = Tab();
    TypeAddresses({kVideo, kOtherVideo});
    QTest::keyClick(tab.AddressBox(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(tab.AddressBox()->textCursor().selectedText().size(),
              tab.AddressBox()->toPlainText().size());
    // Without Ctrl, A is typed over the selection.
    QTest::keyClick(tab.AddressBox(), Qt::Key_A);
    EXPECT_EQ(tab.AddressBox()->toPlainText(), QStringLiteral("a"));
}

TEST_F(TabDownloadTest, AutoConvertEnablesTheConversionControls) {
    settings.SetNumber(setting::kAutoConvert, 1);
    ui::TabDownload& tab = Tab();
    EXPECT_TRUE(tab.ConvertTypeList()->isEnabled());
    QTest::mouseClick(tab.AutoConvertBox(), Qt::LeftButton);
    EXPECT_FALSE(tab.AutoConvertBox()->isChecked());
    for (QWidget* control : std::initializer_list<QWidget*>{
             tab.ConvertTypeList(), tab.ConvertQualityList(), tab.DeleteOriginalBox()}) {
        EXPECT_FALSE(control->isEnabled()) << control->metaObject()->className();
    }
    QTest::mouseClick(tab.AutoConvertBox(), Qt::LeftButton);
    EXPECT_TRUE(tab.ConvertQualityList()->isEnabled());
    EXPECT_TRUE(tab.DeleteOriginalBox()->isEnabled());
}

TEST_F(TabDownloadTest, HidingThePageSavesItsChoicesForTheNextStart) {
    ui::TabDownload& tab = Tab();
    tab.AddUrls(QString::fromStdWString(kVideo), false);
    tab.QualityList()->setCurrentIndex(3);
    tab.AutoConvertBox()->setChecked(true);
    tab.ConvertTypeList()->setCurrentIndex(6);
    tab.ConvertQualityList()->setCurrentIndex(1);
    tab.DeleteOriginalBox()->setChecked(true);
    tab.hide();

    EXPECT_EQ(settings.GetNumber(setting::kDownloadQuality), 4u);
    EXPECT_EQ(settings.GetNumber(setting::kConversionTypeDwnld), 6u);
    EXPECT_EQ(settings.GetNumber(setting::kConvertQualityDwnld), 1u);
    EXPECT_EQ(settings.GetNumber(setting::kAutoConvert), 1u);
    EXPECT_EQ(settings.GetNumber(setting::kDeleteOriginalFile), 1u);
    EXPECT_EQ(settings.GetString(setting::kDownloadDirectory, L""), folder.wstring());

    DestroyTab();
    ui::TabDownload& again = Tab();
    EXPECT_EQ(again.QualityList()->currentIndex(), 3);
    EXPECT_EQ(again.ConvertTypeList()->currentIndex(), 6);
    EXPECT_EQ(again.ConvertQualityList()->currentIndex(), 1);
    EXPECT_TRUE(again.AutoConvertBox()->isChecked());
    EXPECT_TRUE(again.DeleteOriginalBox()->isChecked());
    EXPECT_TRUE(again.ConvertTypeList()->isEnabled());
    EXPECT_EQ(again.FolderLink()->Target(), QString::fromStdWString(folder.wstring()));
    EXPECT_TRUE(again.AddressText().empty());
}

TEST_F(TabDownloadTest, BrowseChangesAndSavesTheFolderOnlyWhenOneIsChosen) {
    ui::TabDownload& tab = Tab();
    const QString original = QString::fromStdWString(folder.wstring());
    EXPECT_EQ(tab.FolderLink()->toolTip(), original);

    QTest::mouseClick(tab.BrowseButton(), Qt::LeftButton);
    EXPECT_EQ(prompts.pickerTitles.size(), 1);
    EXPECT_EQ(tab.FolderLink()->Target(), original);

    const std::filesystem::path other = home.Root() / "other";
    std::filesystem::create_directories(other);
    prompts.folders.push_back(QString::fromStdWString(other.wstring()));
    tab.QualityList()->setCurrentIndex(6);
    QTest::mouseClick(tab.BrowseButton(), Qt::LeftButton);
    const QString chosen = QString::fromStdWString(other.wstring());
    EXPECT_EQ(tab.FolderLink()->Target(), chosen);
    EXPECT_EQ(tab.FolderLink()->toolTip(), chosen);
    EXPECT_EQ(settings.GetString(setting::kDownloadDirectory, L""), other.wstring());
    EXPECT_EQ(settings.GetNumber(setting::kDownloadQuality), 2u);

    // The link opens the folder itself, as a local file address.
    QTest::mouseClick(tab.FolderLink(), Qt::LeftButton, {}, QPoint(4, 4));
    ASSERT_EQ(prompts.opened.size(), 1u);
    EXPECT_EQ(prompts.opened[0], QUrl::fromLocalFile(chosen));
}

TEST_F(TabDownloadTest, ApplyLanguageRetextsAndReselectsFromTheSettings) {
    const std::filesystem::path langFile = home.Root() / "Lang" / "res9999.ini";
    WriteFileBytes(langFile,
                   "lang.name=Test\nlang.id=9999\n"
                   "dlg.main.btn.download=HERUNTERLADEN\n"
                   "dlg.main.combo.dwnl.best=Beste\n"
                   "dlg.main.combo.convrtquality.low=Niedrig\n");
    ui::TabDownload& tab = Tab();
    tab.QualityList()->setCurrentIndex(2);
    settings.SetNumber(setting::kDownloadQuality, 6);
    settings.SetNumber(setting::kConvertQualityDwnld, 3);
    ASSERT_TRUE(strings.Load(langFile, false));

    tab.ApplyLanguage();
    EXPECT_EQ(tab.DownloadButton()->text(), QStringLiteral("HERUNTERLADEN"));
    EXPECT_EQ(tab.QualityList()->currentText(), QStringLiteral("Beste"));
    EXPECT_EQ(tab.QualityList()->itemText(1), QStringLiteral("HD 1080p"));
    EXPECT_EQ(tab.ConvertQualityList()->currentText(), QStringLiteral("Niedrig"));
    EXPECT_EQ(tab.ConvertQualityList()->count(), 4);
    EXPECT_EQ(tab.PasteButton()->text(), QStringLiteral("Paste URL"));
}

TEST_F(TabDownloadTest, PageFitsItsTemplateAndTabsInReadingOrder) {
    ui::TabDownload& tab = Tab();
    const QSize page = ui::DialogUnits(tab.font()).Size(407, 179);
    EXPECT_LE(tab.minimumSizeHint().width(), page.width());
    EXPECT_LE(tab.minimumSizeHint().height(), page.height());

    // Every control enabled, so that Tab stops at each.
    tab.AddUrls(QString::fromStdWString(kVideo), false);
    tab.AutoConvertBox()->setChecked(true);
    const std::vector<QWidget*> order = {
        tab.AddressBox(),        tab.PasteButton(),     tab.QualityList(),
        tab.SpeedLimitBox(),     tab.BrowseButton(),    tab.FolderLink(),
        tab.AutoConvertBox(),    tab.ConvertTypeList(), tab.ConvertQualityList(),
        tab.DeleteOriginalBox(), tab.DownloadButton()};
    tab.AddressBox()->setFocus();
    for (std::size_t i = 1; i < order.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), order[i]) << i;
    }
    EXPECT_EQ(tab.BrowseButton()->accessibleName(), QStringLiteral("Browse"));
}

}  // namespace
}  // namespace talvex::test
