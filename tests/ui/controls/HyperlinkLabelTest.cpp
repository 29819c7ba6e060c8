// HyperlinkLabel: a long folder fitted with a middle ellipsis, and what a click opens.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

#include "ui/HyperlinkLabel.h"

namespace talvex::ui {
namespace {

const QString kFolder =
    QStringLiteral("/home/somebody/Videos/Downloaded with Talvex/2024/holiday clips/final");

TEST(HyperlinkLabel, LongPathIsElidedInTheMiddleAndTheTargetKept) {
    HyperlinkLabel label;
    label.SetTarget(kFolder);
    label.SetElideMiddle(true);
    label.resize(160, 20);

    const QString shown = label.ShownText();
    EXPECT_TRUE(shown.contains(QChar(0x2026))) << shown.toStdString();
    EXPECT_TRUE(shown.startsWith(QStringLiteral("/ho"))) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith(QStringLiteral("al"))) << shown.toStdString();
    QFont underlined = label.font();
    underlined.setUnderline(true);
    EXPECT_LE(QFontMetrics(underlined).horizontalAdvance(shown), 160);
    EXPECT_EQ(label.Target(), kFolder);
    EXPECT_EQ(label.toolTip(), kFolder);

    label.resize(2000, 20);
    EXPECT_EQ(label.ShownText(), kFolder);
}

TEST(HyperlinkLabel, ClickOpensTheFullTargetAndMarksTheLinkVisited) {
    HyperlinkLabel label;
    label.SetTarget(kFolder);
    label.SetElideMiddle(true);
    label.resize(160, 20);
    QStringList opened;
    label.SetOpener([&](const QString& target) { opened << target; });
    QSignalSpy clicked(&label, &HyperlinkLabel::clicked);

    QTest::mouseClick(&label, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(opened, QStringList{kFolder});
    EXPECT_TRUE(label.Visited());
    EXPECT_EQ(clicked.count(), 1);

    // A right click opens nothing.
    QTest::mouseClick(&label, Qt::RightButton, {}, QPoint(10, 10));
    EXPECT_EQ(opened.size(), 1);
}

TEST(HyperlinkLabel, SpaceAndEnterOpenTheTarget) {
    HyperlinkLabel label;
    label.SetText(QStringLiteral("Supported Sites"));
    label.SetTarget(QStringLiteral("https://example.org/supported_sites.html"));
    int opened = 0;
    label.SetOpener([&](const QString&) { ++opened; });
    QTest::keyClick(&label, Qt::Key_Space);
    QTest::keyClick(&label, Qt::Key_Return);
    EXPECT_EQ(opened, 2);
    EXPECT_EQ(label.ShownText(), QStringLiteral("Supported Sites"));
}

}  // namespace
}  // namespace talvex::ui
