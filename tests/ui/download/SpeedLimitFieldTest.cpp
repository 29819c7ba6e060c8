// The Download page's speed limit: it shows the stored "MaxDownloadSpeed", and a change made
// with the keyboard stores the setting and sets the limit every running download keeps to.
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>

#include "net/TransferRateLimit.h"
#include "ui/download/DownloadTabFixture.h"

namespace talvex::test {
namespace {

class SpeedLimitFieldTest : public DownloadTabFixture {
protected:
    ~SpeedLimitFieldTest() override { TransferRateLimit::Global().SetRate(0); }

    uint32_t Stored() const { return settings.GetNumber(setting::kMaxDownloadSpeed); }
    uint64_t CoreLimit() const { return TransferRateLimit::Global().Rate(); }

    // Replaces the field's text as typed and enters it.
    void Enter(const QString& text) {
        QSpinBox* box = Tab().SpeedLimitBox();
        box->setFocus();
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(box, text);
        QTest::keyClick(box, Qt::Key_Return);
    }
};

TEST_F(SpeedLimitFieldTest, ShowsNoLimitUntilOneIsStored) {
    ui::TabDownload& tab = Tab();
    EXPECT_EQ(tab.SpeedLimitBox()->value(), 0);
    EXPECT_EQ(tab.SpeedLimitBox()->text(), QStringLiteral("No limit"));
    EXPECT_TRUE(tab.SpeedLimitBox()->isEnabled());  // unlike the quality list, always
    EXPECT_FALSE(tab.QualityList()->isEnabled());
    EXPECT_EQ(tab.SpeedLimitBox()->accessibleName(), QStringLiteral("Speed limit"));
    // Showing the page writes nothing.
    EXPECT_EQ(settings.GetString(setting::kMaxDownloadSpeed, L"none"), L"none");
    DestroyTab();

    settings.SetNumber(setting::kMaxDownloadSpeed, 1024 * 1024);
    EXPECT_EQ(Tab().SpeedLimitBox()->value(), 1024);
    EXPECT_EQ(Tab().SpeedLimitBox()->text(), QStringLiteral("1024 KB/s"));
    DestroyTab();
    // A limit set by hand in bytes shows rounded up, and stays as stored until changed.
    settings.SetNumber(setting::kMaxDownloadSpeed, 1000);
    EXPECT_EQ(Tab().SpeedLimitBox()->value(), 1);
    EXPECT_EQ(Stored(), 1000u);
}

TEST_F(SpeedLimitFieldTest, EnteredLimitIsStoredAndAppliedAtOnce) {
    Tab();
    Enter(QStringLiteral("512"));
    EXPECT_EQ(Stored(), 512u * 1024);
    EXPECT_EQ(CoreLimit(), 512u * 1024);

    // Each step of the arrow keys counts.
    QTest::keyClick(Tab().SpeedLimitBox(), Qt::Key_Up);
    EXPECT_EQ(Stored(), 576u * 1024);
    EXPECT_EQ(CoreLimit(), 576u * 1024);

    // 0 lifts the limit.
    Enter(QStringLiteral("0"));
    EXPECT_EQ(Tab().SpeedLimitBox()->text(), QStringLiteral("No limit"));
    EXPECT_EQ(Stored(), 0u);
    EXPECT_EQ(CoreLimit(), 0u);
}

TEST_F(SpeedLimitFieldTest, HalfTypedLimitCountsOnlyOnceEnteredOrLeft) {
    ui::TabDownload& tab = Tab();
    QSpinBox* box = tab.SpeedLimitBox();
    box->setFocus();
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(box, QStringLiteral("2048"));
    // Not "2", "20" and "204" on the way.
    EXPECT_EQ(settings.GetString(setting::kMaxDownloadSpeed, L"none"), L"none");
    EXPECT_EQ(CoreLimit(), 0u);
    // Tab to the next control enters it.
    QTest::keyClick(box, Qt::Key_Tab);
    EXPECT_NE(QApplication::focusWidget(), box);
    EXPECT_EQ(Stored(), 2048u * 1024);
    EXPECT_EQ(CoreLimit(), 2048u * 1024);
}

TEST_F(SpeedLimitFieldTest, ApplyLanguageRetextsTheLabelAndTheNoLimitRow) {
    const std::filesystem::path langFile = home.Root() / "Lang" / "res9999.ini";
    WriteFileBytes(langFile,
                   "lang.name=Test\nlang.id=9999\n"
                   "dlg.main.lbl.speed.limit=Tempolimit\n"
                   "dlg.main.spin.speed.nolimit=Offen\n");
    ui::TabDownload& tab = Tab();
    ASSERT_TRUE(strings.Load(langFile, false));
    tab.ApplyLanguage();
    EXPECT_EQ(tab.SpeedLimitBox()->text(), QStringLiteral("Offen"));
    EXPECT_EQ(tab.SpeedLimitBox()->accessibleName(), QStringLiteral("Tempolimit"));
}

}  // namespace
}  // namespace talvex::test
