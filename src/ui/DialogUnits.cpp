#include "ui/DialogUnits.h"

#include <QFontMetrics>
#include <cmath>

namespace talvex::ui {

namespace {

// The average width of the 52 Latin letters, the measure the dialog templates were laid out
// with (a font's own "average character width" differs between platforms).
int AverageLetterWidth(const QFontMetrics& metrics) {
    static const QString kLetters =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const int width = metrics.horizontalAdvance(kLetters);
    return std::max(1, static_cast<int>(std::lround(width / 52.0)));
}

}  // namespace

DialogUnits::DialogUnits(const QFont& dialogFont) {
    const QFontMetrics metrics(dialogFont);
    baseX_ = AverageLetterWidth(metrics);
    baseY_ = std::max(1, metrics.height());
}

int DialogUnits::X(int dialogUnits) const {
    return dialogUnits * baseX_ / 4;
}

int DialogUnits::Y(int dialogUnits) const {
    return dialogUnits * baseY_ / 8;
}

QRect DialogUnits::Rect(int x, int y, int width, int height) const {
    // Both corners are converted, as the templates do, so that adjacent controls stay adjacent.
    const int left = X(x);
    const int top = Y(y);
    return QRect(QPoint(left, top), QPoint(X(x + width) - 1, Y(y + height) - 1));
}

QSize DialogUnits::Size(int width, int height) const {
    return QSize(X(width), Y(height));
}

}  // namespace talvex::ui
