// The drawn Progress cell, painted into an image through the real delegate.
#include <QImage>
#include <QPainter>
#include <QSet>

#include "ActivityUiFixture.h"
#include "ui/ActivityModel.h"
#include "ui/ProgressDelegate.h"

namespace talvex::test {
namespace {

using ui::ActivityModel;
using ui::ProgressDelegate;

class ProgressDelegateTest : public ActivityUiTest {
protected:
    QModelIndex Row(ActivityKind kind, int percent) {
        FigureItem* item = Make(kind, L"x.flv");
        item->percent = percent;
        model.AddItem(RefPtr<ActivityItem>(item));
        return model.index(model.rowCount() - 1, ActivityModel::kProgress);
    }
    QImage Paint(const QModelIndex& index, int width, int height = 20) {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(Qt::magenta);
        QStyleOptionViewItem option;
        option.rect = QRect(0, 0, width, height);
        option.palette.setColor(QPalette::Base, Qt::white);
        option.state = QStyle::State_Enabled | QStyle::State_Selected;  // not focused
        QPainter painter(&image);
        delegate.paint(&painter, option, index);
        return image;
    }
    static QSet<QRgb> Colors(const QImage& image) {
        QSet<QRgb> colors;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                colors.insert(image.pixel(x, y) & 0xFFFFFF);
            }
        }
        return colors;
    }

    ActivityModel model{nullptr};
    ProgressDelegate delegate;
};

TEST_F(ProgressDelegateTest, NarrowCellShowsOnlyItsBackground) {
    const QModelIndex index = Row(ActivityKind::Download, 60);
    EXPECT_EQ(Colors(Paint(index, 11)), QSet<QRgb>{0xFFFFFF});
    EXPECT_GT(Colors(Paint(index, 12)).size(), 1);
}

TEST_F(ProgressDelegateTest, DownloadBarIsFramedAndFilledToThePercent) {
    const QImage image = Paint(Row(ActivityKind::Download, 50), 80);
    // Frame 4 px in from the sides and 1 px from the top and bottom.
    EXPECT_EQ(image.pixel(4, 1) & 0xFFFFFF, 0x497CB6u);
    EXPECT_EQ(image.pixel(75, 18) & 0xFFFFFF, 0x497CB6u);
    EXPECT_EQ(image.pixel(3, 10) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(image.pixel(10, 0) & 0xFFFFFF, 0xFFFFFFu);
    // The bar area spans x 6..73 (68 px); half of it is 34 px: x 6..39.
    EXPECT_EQ(image.pixel(5, 3) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(image.pixel(6, 3) & 0xFFFFFF, 0x83B4EFu);
    EXPECT_EQ(image.pixel(39, 16) & 0xFFFFFF, 0x83B4EFu);
    EXPECT_EQ(image.pixel(40, 16) & 0xFFFFFF, 0xFFFFFFu);
    // The percentage is written on top in other colours.
    const QSet<QRgb> plain{0xFFFFFF, 0x497CB6, 0x83B4EF};
    EXPECT_FALSE(Colors(image).subtract(plain).isEmpty());
}

TEST_F(ProgressDelegateTest, ConversionColoursAndNoTextWhenItWouldNotFit) {
    const QModelIndex full = Row(ActivityKind::Conversion, 250);  // capped at 100
    const QImage wide = Paint(full, 80);
    EXPECT_EQ(wide.pixel(4, 1) & 0xFFFFFF, 0xC17B01u);
    EXPECT_EQ(wide.pixel(73, 3) & 0xFFFFFF, 0xFFB205u);
    EXPECT_EQ(wide.pixel(74, 3) & 0xFFFFFF, 0xFFFFFFu);

    // Too narrow for the text: frame, bar and background only.
    const QImage narrow = Paint(full, 20);
    EXPECT_EQ(Colors(narrow), (QSet<QRgb>{0xFFFFFF, 0xC17B01, 0xFFB205}));

    const QImage empty = Paint(Row(ActivityKind::Conversion, -5), 20);
    EXPECT_EQ(Colors(empty), (QSet<QRgb>{0xFFFFFF, 0xC17B01}));
}

}  // namespace
}  // namespace talvex::test
