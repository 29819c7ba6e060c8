// DialogUnits grow with the font; DStaticText asks for the height its wrapped text needs;
// the artwork is sized for the screen's pixel ratio.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFont>

#include "ui/DStaticText.h"
#include "ui/DialogUnits.h"
#include "ui/Pictures.h"

namespace talvex::ui {
namespace {

TEST(DialogUnits, ABiggerFontGivesBiggerRectangles) {
    QFont small = QApplication::font();
    small.setPointSize(8);
    QFont big = small;
    big.setPointSize(16);
    const DialogUnits smallUnits(small);
    const DialogUnits bigUnits(big);
    const QRect smallRect = smallUnits.Rect(10, 72, 410, 193);
    const QRect bigRect = bigUnits.Rect(10, 72, 410, 193);
    EXPECT_GT(bigRect.width(), smallRect.width());
    EXPECT_GT(bigRect.height(), smallRect.height());
    EXPECT_GT(bigRect.left(), smallRect.left());
    EXPECT_EQ(smallUnits.X(4), smallUnits.BaseX());
    EXPECT_EQ(smallUnits.Y(8), smallUnits.BaseY());
    EXPECT_EQ(smallUnits.Size(410, 193), QSize(smallUnits.X(410), smallUnits.Y(193)));
}

TEST(DStaticText, NarrowWidthAsksForMoreLines) {
    DStaticText text(QStringLiteral("You are currently downloading or converting video(s)."));
    text.SetFontStyle(DStaticText::kBold, 12);
    EXPECT_TRUE(text.hasHeightForWidth());
    const int oneLine = text.heightForWidth(2000);
    EXPECT_GT(text.heightForWidth(80), oneLine);
    EXPECT_GE(oneLine, QFontMetrics(text.font()).height() - 4);
}

TEST(DStaticText, AmpersandIsNoMnemonic) {
    DStaticText text(QStringLiteral("Save && exit"));
    EXPECT_EQ(text.text(), QStringLiteral("Save && exit"));
    DStaticText single(QStringLiteral("Save & exit"));
    EXPECT_GT(single.sizeHint().width(),
              DStaticText(QStringLiteral("Save  exit")).sizeHint().width());
}

TEST(Pictures, DrawnAtTheAskedPixelRatio) {
    const QPixmap crisp = pictures::ButtonPicture(pictures::Picture::Download, 16, false, 1.5);
    EXPECT_EQ(crisp.size(), QSize(24, 24));
    EXPECT_EQ(crisp.deviceIndependentSize().toSize(), QSize(16, 16));
    EXPECT_EQ(pictures::Logo(48, 1.0).size(), QSize(48, 48));
    EXPECT_FALSE(pictures::WindowIcon().availableSizes().isEmpty());
    EXPECT_EQ(pictures::Separator(30, 1.0).height(), 30);
}

}  // namespace
}  // namespace talvex::ui
