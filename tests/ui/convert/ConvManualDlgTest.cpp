// The manual conversion dialog: the command line it starts with, what OK, Cancel and Help do,
// and its texts from the language file.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "app/SettingsStore.h"
#include "app/StringTable.h"
#include "support/TestHome.h"
#include "ui/ConvManualDlg.h"
#include "ui/common/ScriptedPrompts.h"

namespace talvex::test {
namespace {

const QString kDefaultLine =
    QStringLiteral("ffmpeg -i %1 -s 420x240 -r 14 -b 50k -ar 22050 -ab 56k -ac 1 %2.mp4");
const QString kPhoneLine =
    QStringLiteral("ffmpeg -i %1 -s 176x144 -r 12 -b 30k -ar 8000 -ab 12.2k -ac 1 %2.3gp");

class ConvManualDlgTest : public ::testing::Test {
protected:
    // Runs the dialog; answer acts on it once it is open (and must end it).
    std::optional<std::wstring> Ask(const std::wstring& params,
                                    std::function<void(ui::ConvManualDlg&)> answer) {
        bool answered = false;
        QTimer::singleShot(0, &dialog, [&] {
            EXPECT_TRUE(dialog.isVisible());
            EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
            answered = true;
            answer(dialog);
        });
        std::optional<std::wstring> result = dialog.Ask(params);
        EXPECT_TRUE(answered);
        return result;
    }

    TestHome home;
    SettingsStore settings;
    StringTable strings;
    ScriptedPrompts prompts;
    QWidget owner;
    ui::ConvManualDlg dialog{strings, settings, prompts, &owner};
};

TEST_F(ConvManualDlgTest, StartsWithTheDefaultOrTheItemsLineAndReturnsWhatOkConfirms) {
    QString shown, sample;
    bool sampleReadOnly = false;
    auto result = Ask(L"", [&](ui::ConvManualDlg& d) {
        shown = d.CommandBox()->text();
        sample = d.SampleBox()->text();
        sampleReadOnly = d.SampleBox()->isReadOnly();
        EXPECT_EQ(QApplication::focusWidget(), d.CommandBox());
        d.CommandBox()->selectAll();
        QTest::keyClicks(d.CommandBox(), QStringLiteral("ffmpeg -i %1 %2.webm"));
        QTest::keyClick(d.CommandBox(), Qt::Key_Return);  // OK is the default button
    });
    EXPECT_EQ(shown, kDefaultLine);
    EXPECT_EQ(sample, kPhoneLine);
    EXPECT_TRUE(sampleReadOnly);
    EXPECT_EQ(result, std::optional<std::wstring>(L"ffmpeg -i %1 %2.webm"));

    // A line of the item is shown as it is; OK takes the text unchecked, even an empty one.
    result = Ask(L"ffmpeg -i %1 -ac 2 %2.ogg", [&](ui::ConvManualDlg& d) {
        shown = d.CommandBox()->text();
        sample = d.SampleBox()->text();
        d.CommandBox()->clear();
        d.OkButton()->click();
    });
    EXPECT_EQ(shown, QStringLiteral("ffmpeg -i %1 -ac 2 %2.ogg"));
    EXPECT_EQ(sample, kPhoneLine);
    EXPECT_EQ(result, std::optional<std::wstring>(L""));
}

TEST_F(ConvManualDlgTest, CancelAndEscapeConfirmNothing) {
    EXPECT_EQ(Ask(L"", [](ui::ConvManualDlg& d) { d.CancelButton()->click(); }), std::nullopt);
    EXPECT_EQ(Ask(L"ffmpeg -i %1 %2.mp3",
                  [](ui::ConvManualDlg& d) { QTest::keyClick(d.CommandBox(), Qt::Key_Escape); }),
              std::nullopt);
}

TEST_F(ConvManualDlgTest, HelpOpensTheHelpPageAndTheDialogStays) {
    settings.SetString(setting::kSiteUrl, L"https://vendor.example/");
    bool openAfterHelp = false;
    const auto result = Ask(L"", [&](ui::ConvManualDlg& d) {
        d.HelpButton()->click();
        openAfterHelp = d.isVisible();
        d.CommandBox()->setText(QStringLiteral("ffmpeg -i %1 %2.wav"));
        d.OkButton()->click();
    });
    EXPECT_TRUE(openAfterHelp);
    ASSERT_EQ(prompts.opened.size(), 1u);
    EXPECT_EQ(prompts.opened[0], QUrl(QStringLiteral("https://vendor.example/help.html")));
    EXPECT_EQ(result, std::optional<std::wstring>(L"ffmpeg -i %1 %2.wav"));

    // Without a vendor site, the bundled page.
    settings.SetString(setting::kSiteUrl, L"");
    Ask(L"", [](ui::ConvManualDlg& d) {
        d.HelpButton()->click();
        d.CancelButton()->click();
    });
    ASSERT_EQ(prompts.opened.size(), 2u);
    EXPECT_TRUE(prompts.opened[1].isLocalFile());
    EXPECT_TRUE(prompts.opened[1].path().endsWith(QStringLiteral("/pages/help.html")));
}

TEST_F(ConvManualDlgTest, OptionsLineUpInAColumnInEveryLanguage) {
    using Split = std::pair<QString, QString>;
    EXPECT_EQ(ui::ConvManualDlg::SplitOptionLine(QStringLiteral("-s\t= Video size")),
              Split(QStringLiteral("-s"), QStringLiteral("= Video size")));
    EXPECT_EQ(ui::ConvManualDlg::SplitOptionLine(QStringLiteral("%1.xxx= Output file (.xxx)")),
              Split(QStringLiteral("%1.xxx"), QStringLiteral("= Output file (.xxx)")));
    // An "=" after the first word belongs to the explanation.
    EXPECT_EQ(ui::ConvManualDlg::SplitOptionLine(QStringLiteral("Use a=b")),
              Split(QString(), QStringLiteral("Use a=b")));

    const QStringList builtIn = dialog.ExplanationTexts();
    ASSERT_EQ(builtIn.size(), 10);
    EXPECT_EQ(builtIn[0], QStringLiteral("-i\t= Input file (%1 it's the file selected)"));
    EXPECT_EQ(builtIn[6], QStringLiteral("-ac\t= Audio channels (1 mono, 2 stereo)"));
    EXPECT_EQ(builtIn[7], QStringLiteral("%1.xxx\t= Output file (.xxx the format to convert!)"));
    EXPECT_EQ(builtIn[9], QStringLiteral("Warning, Cell Phone use:"));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Manual conversion"));

    ASSERT_TRUE(
        strings.Load(std::filesystem::path(TALVEX_SOURCE_DIR) / "data/Lang/res1031.ini", false));
    QString title;
    QStringList german;
    QString cancelText;
    Ask(L"", [&](ui::ConvManualDlg& d) {
        title = d.windowTitle();
        german = d.ExplanationTexts();
        cancelText = d.CancelButton()->text();
        d.CancelButton()->click();
    });
    EXPECT_EQ(title, QStringLiteral("Manuelle Konvertierung"));
    EXPECT_EQ(cancelText, QStringLiteral("Abbrechen"));
    ASSERT_EQ(german.size(), 10);
    EXPECT_EQ(german[1], QString::fromUtf8("-s\t= Videogröße (BreitexHöhe)"));
    EXPECT_EQ(german[7], QStringLiteral("%1.xxx\t= Ausgabedatei (.xxx ist das Zielformat!)"));
}

}  // namespace
}  // namespace talvex::test
