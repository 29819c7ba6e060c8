// The About box as the user sees it: its texts (built-in and from each language file), the
// version line, and what its links open when activated with the keyboard or a click.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QTextDocument>
#include <QTimer>

#include "app/StringTable.h"
#include "platform/Folders.h"
#include "support/TestHome.h"
#include "ui/AboutContent.h"
#include "ui/AboutDlg.h"
#include "ui/DStaticText.h"
#include "ui/LinkMarkup.h"
#include "ui/common/ScriptedPrompts.h"

namespace talvex::test {
namespace {

QString Shown(const QLabel* label) {
    QTextDocument document;
    document.setHtml(label->text());
    return document.toPlainText();
}

// The link addresses (identifiers) of a label's rich text, in order.
QStringList Hrefs(const QLabel* label) {
    QStringList hrefs;
    static const QRegularExpression href(QStringLiteral("<a href=\"([^\"]*)\">"));
    for (const auto& match : href.globalMatch(label->text())) {
        hrefs << match.captured(1);
    }
    return hrefs;
}

class AboutDlgTest : public ::testing::Test {
protected:
    TestHome home_;
    StringTable strings_;
    ScriptedPrompts prompts_;
    QWidget owner_;
};

TEST_F(AboutDlgTest, BuiltInTextsAndTheVersionLine) {
    ui::AboutDlg dialog(strings_, L"1.0", prompts_, &owner_);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("About Talvex"));
    EXPECT_EQ(dialog.VersionLine()->text(), QStringLiteral("Version: 3.5 (1.0)"));
    EXPECT_EQ(dialog.MakerName()->text(), QStringLiteral("Orlenta"));
    EXPECT_EQ(dialog.ProductName()->text(), QStringLiteral("Talvex"));
    EXPECT_EQ(dialog.OkButton()->text(), QStringLiteral("OK"));
    EXPECT_TRUE(dialog.OkButton()->isDefault());
    EXPECT_FALSE(dialog.Logo()->pixmap().isNull());
    EXPECT_TRUE(dialog.isModal());

    // Every component this build uses is named, with its link layout.
    const QString notice = Shown(dialog.Notice());
    for (const char* name : {"Qt", "libcurl", "OpenSSL", "librtmp", "nlohmann-json", "FFmpeg"}) {
        EXPECT_TRUE(notice.contains(QLatin1String(name))) << name;
    }
    EXPECT_FALSE(notice.contains(QLatin1String("<a")));
    EXPECT_EQ(Hrefs(dialog.Notice()), (QStringList{"1", "2", "3", "4", "5", "6", "7", "8", "9",
                                                   "10", "11", "8", "12", "13"}));
    EXPECT_EQ(Hrefs(dialog.Description()), QStringList{"15"});
    EXPECT_TRUE(
        Shown(dialog.Description()).startsWith(QStringLiteral("Software to download and convert")));
    EXPECT_TRUE(dialog.Credit()->text().contains(QLatin1String("Qt Multimedia")));
}

TEST_F(AboutDlgTest, WithoutAScriptFileTheVersionLineHasNoEmptyBrackets) {
    ui::AboutDlg dialog(strings_, L"", prompts_, &owner_);
    EXPECT_EQ(dialog.VersionLine()->text(), QStringLiteral("Version: 3.5"));
}

TEST_F(AboutDlgTest, EachLinkOpensItsAddressAndRepeatedIdsOpenTheSame) {
    ui::AboutDlg dialog(strings_, L"1.0", prompts_, &owner_);
    const QUrl vendor(QStringLiteral("https://vendor.example.test/"));
    dialog.SetVendorSite(vendor);
    for (QLabel* label : {dialog.Notice(), dialog.Description()}) {
        for (const QString& id : Hrefs(label)) {
            prompts_.opened.clear();
            emit label->linkActivated(id);
            ASSERT_EQ(prompts_.opened.size(), 1u) << id.toStdString();
            const QUrl expected = id == QLatin1String("15") ? vendor : ui::AboutLinkTarget(id);
            EXPECT_EQ(prompts_.opened.front(), expected) << id.toStdString();
        }
    }
}

TEST_F(AboutDlgTest, UnknownIdentifiersOpenNothing) {
    ui::AboutDlg dialog(strings_, L"1.0", prompts_, &owner_);
    for (const QString& id :
         {QString(), QStringLiteral("0"), QStringLiteral("01"), QStringLiteral("14"),
          QStringLiteral("16"), QStringLiteral(" 15"), QStringLiteral("http://example.test/")}) {
        emit dialog.Notice()->linkActivated(id);
        emit dialog.Description()->linkActivated(id);
    }
    EXPECT_TRUE(prompts_.opened.empty());
}

TEST_F(AboutDlgTest, VendorLinkDefaultsToTheBundledHomePage) {
    ui::AboutDlg dialog(strings_, L"1.0", prompts_, &owner_);
    emit dialog.Description()->linkActivated(QStringLiteral("15"));
    ASSERT_EQ(prompts_.opened.size(), 1u);
    EXPECT_TRUE(prompts_.opened.front().isLocalFile());
    EXPECT_EQ(prompts_.opened.front().toLocalFile(),
              QString::fromStdString((ResourceFolder() / "pages" / "index.html").string()));
}

TEST_F(AboutDlgTest, KeyboardWalksTheLinksAndEnterOpensTheFocusedOne) {
    ui::AboutDlg dialog(strings_, L"1.0", prompts_, &owner_);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog, 5000));
    dialog.Notice()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(dialog.Notice(), Qt::Key_Tab);
    QTest::keyClick(dialog.Notice(), Qt::Key_Return);
    QTest::keyClick(dialog.Notice(), Qt::Key_Tab);
    QTest::keyClick(dialog.Notice(), Qt::Key_Return);
    ASSERT_EQ(prompts_.opened.size(), 2u);
    // Enter on a link opens it; it does not press the default button.
    EXPECT_TRUE(dialog.isVisible());
    const QStringList ids = Hrefs(dialog.Notice());
    EXPECT_NE(prompts_.opened[0], prompts_.opened[1]);
    QSet<QUrl> targets;
    for (const QString& id : ids) {
        targets.insert(ui::AboutLinkTarget(id));
    }
    EXPECT_TRUE(targets.contains(prompts_.opened[0]));
    EXPECT_TRUE(targets.contains(prompts_.opened[1]));
}

TEST_F(AboutDlgTest, OkAndEscapeEndTheDialog) {
    ui::AboutDlg dialog(strings_, L"1.0", prompts_, &owner_);
    QTimer::singleShot(0, &dialog, [&] { QTest::keyClick(&dialog, Qt::Key_Escape); });
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    QTimer::singleShot(0, &dialog, [&] { dialog.OkButton()->click(); });
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    // Enter with the focus on OK.
    QTimer::singleShot(0, &dialog, [&] { QTest::keyClick(dialog.OkButton(), Qt::Key_Return); });
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_TRUE(prompts_.opened.empty());
}

// Every shipped language shows its own texts and keeps the built-in notices' link identifiers,
// so that a translated link never opens another component's page.
TEST_F(AboutDlgTest, LanguageFilesGiveTheTextsAndKeepTheLinkLayout) {
    struct Expected {
        const wchar_t* id;
        const char* title;
        const char* versionStart;
        const char* ok;
    };
    const QStringList builtInNotice =
        ui::LinkMarkupIds(QString::fromStdWString(std::wstring(ui::kAboutNoticeText)));
    for (const Expected& language :
         {Expected{L"1033", "About Talvex", "Version: 3.5 (", "OK"},
          Expected{L"1031", "Über Talvex", "Version: 3.5 (", "OK"},
          Expected{L"3082", "Acerca de Talvex", "Versión: 3.5 (", "Aceptar"}}) {
        SCOPED_TRACE(QString::fromWCharArray(language.id).toStdString());
        ASSERT_TRUE(strings_.LoadLanguage(ResourceFolder(), language.id));
        ui::AboutDlg dialog(strings_, L"2.4", prompts_, &owner_);
        EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8(language.title));
        EXPECT_EQ(dialog.VersionLine()->text(),
                  QString::fromUtf8(language.versionStart) + QStringLiteral("2.4)"));
        EXPECT_EQ(dialog.OkButton()->text(), QString::fromUtf8(language.ok));
        EXPECT_EQ(Hrefs(dialog.Notice()), builtInNotice);
        EXPECT_EQ(Hrefs(dialog.Description()), QStringList{"15"});
        const QString notice = Shown(dialog.Notice());
        for (const char* name :
             {"Qt", "libcurl", "OpenSSL", "librtmp", "nlohmann-json", "FFmpeg"}) {
            EXPECT_TRUE(notice.contains(QLatin1String(name))) << name;
        }
        EXPECT_FALSE(notice.contains(QLatin1String("LAME")));
        EXPECT_FALSE(dialog.Credit()->text().isEmpty());
    }
}

}  // namespace
}  // namespace talvex::test
