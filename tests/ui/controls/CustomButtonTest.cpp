// CustomButton: which picture a disabled button paints, and where its caption goes.
#include <gtest/gtest.h>

#include <QImage>
#include <QPixmap>

#include "ui/CustomButton.h"
#include "ui/Pictures.h"

namespace talvex::ui {
namespace {

QPixmap Solid(const QColor& color) {
    QPixmap pixmap(16, 16);
    pixmap.fill(color);
    return pixmap;
}

// The columns that hold a dark (caption) pixel inside the button, border excluded.
std::pair<int, int> DarkColumns(const QImage& image) {
    int first = -1;
    int last = -1;
    for (int x = 3; x < image.width() - 3; ++x) {
        for (int y = 3; y < image.height() - 3; ++y) {
            if (qGray(image.pixel(x, y)) < 100) {
                if (first < 0) {
                    first = x;
                }
                last = x;
                break;
            }
        }
    }
    return {first, last};
}

TEST(CustomButton, DisabledPictureOnlyButtonPaintsItsGreyedPicture) {
    CustomButton button(Solid(Qt::green), Solid(Qt::blue), false);
    button.SetColors(ButtonColors::Grey());
    button.resize(40, 30);
    button.setEnabled(false);

    EXPECT_EQ(QColor(button.CurrentPicture().toImage().pixel(0, 0)), QColor(Qt::blue));
    const QImage image = button.grab().toImage();
    EXPECT_EQ(QColor(image.pixel(20, 15)), QColor(Qt::blue));

    button.setEnabled(true);
    EXPECT_EQ(QColor(button.grab().toImage().pixel(20, 15)), QColor(Qt::green));
}

TEST(CustomButton, DisabledButtonWithoutSecondPictureKeepsItsPicture) {
    CustomButton button(Solid(Qt::green), QPixmap(), false);
    button.resize(40, 30);
    button.setEnabled(false);
    EXPECT_EQ(QColor(button.grab().toImage().pixel(20, 15)), QColor(Qt::green));
}

TEST(CustomButton, DisabledArtworkIsGrey) {
    const QPixmap greyed = pictures::ButtonPicture(pictures::Picture::Play, 16, true, 1.0);
    const QImage image = greyed.toImage().convertToFormat(QImage::Format_ARGB32);
    int opaque = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (qAlpha(pixel) > 0) {
                ++opaque;
                EXPECT_EQ(qRed(pixel), qGreen(pixel));
                EXPECT_EQ(qGreen(pixel), qBlue(pixel));
            }
        }
    }
    EXPECT_GT(opaque, 20);
}

TEST(CustomButton, MagentaInAPictureIsTransparent) {
    CustomButton button(Solid(QColor(0xFF, 0x00, 0xFF)), QPixmap(), false);
    button.SetColors(ButtonColors::Grey());
    button.resize(40, 30);
    const QColor centre(button.grab().toImage().pixel(20, 15));
    EXPECT_NE(centre, QColor(0xFF, 0x00, 0xFF));
    // The grey gradient shows through.
    EXPECT_EQ(centre.red(), centre.green());
}

TEST(CustomButton, ButtonWithoutPictureCentresItsCaption) {
    CustomButton button;
    button.SetColors(ButtonColors::Grey());
    button.setText(QStringLiteral("Paste"));
    button.resize(140, 30);

    const auto [first, last] = DarkColumns(button.grab().toImage());
    ASSERT_GE(first, 0);
    const int leftMargin = first;
    const int rightMargin = button.width() - 1 - last;
    EXPECT_LE(std::abs(leftMargin - rightMargin), 2) << leftMargin << " vs " << rightMargin;
}

TEST(CustomButton, PictureOnTheLeftPushesTheCaptionRight) {
    CustomButton plain;
    CustomButton withPicture(Solid(Qt::white), QPixmap(), false);
    for (CustomButton* button : {&plain, &withPicture}) {
        button->SetColors(ButtonColors::Grey());
        button->setText(QStringLiteral("Browse"));
        button->resize(140, 30);
    }
    EXPECT_GT(DarkColumns(withPicture.grab().toImage()).first,
              DarkColumns(plain.grab().toImage()).first);
}

TEST(CustomButton, SizeHintMakesRoomForPictureAndCaption) {
    CustomButton plain;
    plain.setText(QStringLiteral("DOWNLOAD"));
    CustomButton withPicture(Solid(Qt::white), QPixmap(), false);
    withPicture.setText(QStringLiteral("DOWNLOAD"));
    EXPECT_GE(withPicture.sizeHint().width(),
              plain.sizeHint().width() + 16 + CustomButton::kPictureGap);
    EXPECT_GT(plain.sizeHint().width(), plain.fontMetrics().horizontalAdvance("DOWNLOAD"));
}

TEST(CustomButton, EmptyTooltipTextHidesTheTooltip) {
    CustomButton button;
    button.SetTooltipText(QStringLiteral("Start"));
    EXPECT_EQ(button.toolTip(), QStringLiteral("Start"));
    button.SetTooltipText(QString());
    EXPECT_TRUE(button.toolTip().isEmpty());
}

}  // namespace
}  // namespace talvex::ui
