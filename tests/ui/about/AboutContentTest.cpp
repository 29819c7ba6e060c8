// The About box's version line and the addresses behind its link identifiers.
#include <gtest/gtest.h>

#include <QSet>

#include "ui/AboutContent.h"
#include "ui/LinkMarkup.h"

namespace talvex::test {
namespace {

TEST(AboutVersionLine, ProgramAndScriptVersionsFillTheirPlaces) {
    EXPECT_EQ(ui::AboutVersionLine(QStringLiteral("Version: %1 (%2)"), "3.5", "1.0"),
              QStringLiteral("Version: 3.5 (1.0)"));
    // A translation may put them the other way round.
    EXPECT_EQ(ui::AboutVersionLine(QStringLiteral("Skripte %2, Programm %1"), "3.5", "2.7"),
              QStringLiteral("Skripte 2.7, Programm 3.5"));
    // A version text that looks like a placeholder is shown as it is, not substituted again.
    EXPECT_EQ(ui::AboutVersionLine(QStringLiteral("Version: %1 (%2)"), "%2", "%1"),
              QStringLiteral("Version: %2 (%1)"));
    // A lone percent sign and other digits are left alone.
    EXPECT_EQ(ui::AboutVersionLine(QStringLiteral("100% %3 %1"), "3.5", "1.0"),
              QStringLiteral("100% %3 3.5"));
}

TEST(AboutVersionLine, NoScriptFileLeavesOutTheEmptyBrackets) {
    EXPECT_EQ(ui::AboutVersionLine(QStringLiteral("Version: %1 (%2)"), "3.5", ""),
              QStringLiteral("Version: 3.5"));
    EXPECT_EQ(ui::AboutVersionLine(QStringLiteral("Versión: %1 ( %2 ) beta"), "3.5", ""),
              QStringLiteral("Versión: 3.5 beta"));
    // Without brackets around it the place is simply empty.
    EXPECT_EQ(ui::AboutVersionLine(QStringLiteral("%1/%2"), "3.5", ""), QStringLiteral("3.5/"));
}

TEST(AboutLinkTarget, EveryNoticeLinkHasItsOwnSecureAddress) {
    const QStringList ids =
        ui::LinkMarkupIds(QString::fromStdWString(std::wstring(ui::kAboutNoticeText)));
    QSet<QString> distinctIds(ids.begin(), ids.end());
    EXPECT_EQ(distinctIds.size(), 13);
    QSet<QString> addresses;
    for (const QString& id : distinctIds) {
        const QUrl target = ui::AboutLinkTarget(id);
        ASSERT_TRUE(target.isValid()) << id.toStdString();
        EXPECT_EQ(target.scheme(), QStringLiteral("https")) << id.toStdString();
        addresses.insert(target.toString());
    }
    EXPECT_EQ(addresses.size(), distinctIds.size()) << "two identifiers share an address";
}

TEST(AboutLinkTarget, ComponentsLeadToTheirOwnSites) {
    // Each component's name to its own project, each licence to its text.
    const std::vector<std::pair<QString, QString>> expected = {{"1", "qt.io"},
                                                               {"2", "lgpl-3.0"},
                                                               {"3", "curl.se"},
                                                               {"4", "curl.se"},
                                                               {"5", "openssl.org"},
                                                               {"6", "LICENSE-2.0"},
                                                               {"7", "rtmpdump"},
                                                               {"8", "lgpl-2.1"},
                                                               {"9", "nlohmann/json"},
                                                               {"10", "mit"},
                                                               {"11", "ffmpeg.org"},
                                                               {"12", "gpl-2.0"},
                                                               {"13", "ffmpeg.org/legal"}};
    for (const auto& [id, part] : expected) {
        EXPECT_TRUE(ui::AboutLinkTarget(id).toString().contains(part))
            << id.toStdString() << " -> " << ui::AboutLinkTarget(id).toString().toStdString();
    }
}

TEST(AboutLinkTarget, OnlyExactKnownIdentifiersHaveAnAddress) {
    for (const QString& id :
         {QString(), QStringLiteral("0"), QStringLiteral("01"), QStringLiteral(" 1"),
          QStringLiteral("1 "), QStringLiteral("14"), QStringLiteral("15"), QStringLiteral("16"),
          QStringLiteral("-1"), QStringLiteral("one")}) {
        EXPECT_TRUE(ui::AboutLinkTarget(id).isEmpty()) << '"' << id.toStdString() << '"';
    }
}

}  // namespace
}  // namespace talvex::test
