#include "ui/Pictures.h"

#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace talvex::ui::pictures {

namespace {

// A transparent pixmap of side x side logical pixels at the given pixel ratio, so that the
// painter below works in logical coordinates and the result stays crisp on scaled screens.
QPixmap Canvas(int width, int height, qreal dpr) {
    QPixmap pixmap(std::max(1, static_cast<int>(std::ceil(width * dpr))),
                   std::max(1, static_cast<int>(std::ceil(height * dpr))));
    pixmap.setDevicePixelRatio(dpr);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

qreal ScreenRatio() {
    return qGuiApp != nullptr ? std::max<qreal>(1.0, qGuiApp->devicePixelRatio()) : 1.0;
}

// Every picture is designed on a grid of `grid` units and scaled to the side asked for.
void ScaleToGrid(QPainter& painter, int side, qreal grid) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(side / grid, side / grid);
}

void PaintLogo(QPainter& painter, int side) {
    ScaleToGrid(painter, side, 64);
    QPainterPath square;
    square.addRoundedRect(QRectF(2, 2, 60, 60), 13, 13);
    QLinearGradient fill(0, 2, 0, 62);
    fill.setColorAt(0, QColor(0x3A, 0x7C, 0xC6));
    fill.setColorAt(0.45, QColor(0x2F, 0x6D, 0xB5));
    fill.setColorAt(1, QColor(0x1B, 0x4F, 0x8F));
    painter.fillPath(square, fill);
    painter.setPen(QPen(QColor(0x15, 0x40, 0x75), 1.5));
    painter.drawPath(square);

    // A white arrow down into a tray; small sizes get a thicker drawing.
    const bool small = side < 24;
    QPainterPath arrow;
    const qreal shaftHalf = small ? 6.5 : 5.5;
    const qreal cx = 32;
    arrow.moveTo(cx - shaftHalf, small ? 8 : 10);
    arrow.lineTo(cx + shaftHalf, small ? 8 : 10);
    arrow.lineTo(cx + shaftHalf, 26);
    arrow.lineTo(cx + 15, 26);
    arrow.lineTo(cx, 43);
    arrow.lineTo(cx - 15, 26);
    arrow.lineTo(cx - shaftHalf, 26);
    arrow.closeSubpath();
    painter.fillPath(arrow, Qt::white);
    QPen tray(Qt::white, small ? 7 : 5.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(tray);
    painter.setBrush(Qt::NoBrush);
    QPainterPath trayPath;
    trayPath.moveTo(14, 43);
    trayPath.lineTo(14, 52);
    trayPath.lineTo(50, 52);
    trayPath.lineTo(50, 43);
    painter.drawPath(trayPath);
}

void PaintDownload(QPainter& painter, int side) {
    ScaleToGrid(painter, side, 16);
    QPainterPath arrow;
    arrow.moveTo(6.5, 1.5);
    arrow.lineTo(9.5, 1.5);
    arrow.lineTo(9.5, 6.5);
    arrow.lineTo(13, 6.5);
    arrow.lineTo(8, 11.5);
    arrow.lineTo(3, 6.5);
    arrow.lineTo(6.5, 6.5);
    arrow.closeSubpath();
    painter.fillPath(arrow, Qt::white);
    painter.fillRect(QRectF(2, 13, 12, 1.75), Qt::white);
}

void PaintFolder(QPainter& painter, int side) {
    ScaleToGrid(painter, side, 16);
    const QPen outline(QColor(0xA8, 0x74, 0x10), 0.9, Qt::SolidLine, Qt::SquareCap, Qt::RoundJoin);
    QPainterPath back;
    back.moveTo(1.5, 13.5);
    back.lineTo(1.5, 3);
    back.lineTo(6, 3);
    back.lineTo(7.5, 4.5);
    back.lineTo(14.5, 4.5);
    back.lineTo(14.5, 13.5);
    back.closeSubpath();
    painter.setPen(outline);
    painter.setBrush(QColor(0xE3, 0xA8, 0x2B));
    painter.drawPath(back);
    QPainterPath front;
    front.moveTo(1.5, 13.5);
    front.lineTo(2.5, 6.5);
    front.lineTo(15.5, 6.5);
    front.lineTo(14.5, 13.5);
    front.closeSubpath();
    QLinearGradient fill(0, 6.5, 0, 13.5);
    fill.setColorAt(0, QColor(0xFF, 0xDC, 0x78));
    fill.setColorAt(1, QColor(0xF2, 0xB7, 0x33));
    painter.setBrush(fill);
    painter.drawPath(front);
}

void PaintPlay(QPainter& painter, int side) {
    ScaleToGrid(painter, side, 16);
    QPainterPath play;
    play.moveTo(4, 2.5);
    play.lineTo(13.5, 8);
    play.lineTo(4, 13.5);
    play.closeSubpath();
    painter.setPen(QPen(QColor(0x2E, 0x8B, 0x3A), 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(QColor(0x2E, 0x8B, 0x3A));
    painter.drawPath(play);
}

void PaintPause(QPainter& painter, int side) {
    ScaleToGrid(painter, side, 16);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x4A, 0x4A, 0x4A));
    painter.drawRoundedRect(QRectF(3.5, 2.5, 3.5, 11), 0.7, 0.7);
    painter.drawRoundedRect(QRectF(9, 2.5, 3.5, 11), 0.7, 0.7);
}

void PaintStop(QPainter& painter, int side) {
    ScaleToGrid(painter, side, 16);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x4A, 0x4A, 0x4A));
    painter.drawRoundedRect(QRectF(3, 3, 10, 10), 1.2, 1.2);
}

void PaintClear(QPainter& painter, int side) {
    ScaleToGrid(painter, side, 16);
    painter.setPen(QPen(QColor(0xD3, 0x2F, 0x2F), 2.6, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(4, 4), QPointF(12, 12));
    painter.drawLine(QPointF(12, 4), QPointF(4, 12));
}

// Grey scale, pulled towards the middle and a little faded: readable on the red and the grey
// buttons alike, and clearly not the active picture.
QPixmap Greyed(const QPixmap& pixmap) {
    QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = line[x];
            const int alpha = qAlpha(pixel);
            if (alpha == 0) {
                continue;
            }
            // Colours are non-premultiplied in Format_ARGB32.
            const int grey = 120 + qGray(pixel) * 80 / 255;
            line[x] = qRgba(grey, grey, grey, alpha * 3 / 4);
        }
    }
    QPixmap result = QPixmap::fromImage(image);
    result.setDevicePixelRatio(pixmap.devicePixelRatio());
    return result;
}

}  // namespace

QPixmap Logo(int side, qreal dpr) {
    QPixmap pixmap = Canvas(side, side, dpr);
    QPainter painter(&pixmap);
    PaintLogo(painter, side);
    return pixmap;
}

QPixmap Logo(int side) {
    return Logo(side, ScreenRatio());
}

QIcon WindowIcon() {
    QIcon icon;
    for (int side : {16, 24, 32, 48, 64, 128}) {
        // Icon sizes are device pixels: each size drawn for itself at ratio 1.
        icon.addPixmap(Logo(side, 1.0));
    }
    return icon;
}

QPixmap ButtonPicture(Picture picture, int side, bool disabled, qreal dpr) {
    QPixmap pixmap = Canvas(side, side, dpr);
    {
        QPainter painter(&pixmap);
        switch (picture) {
            case Picture::Download:
                PaintDownload(painter, side);
                break;
            case Picture::Folder:
                PaintFolder(painter, side);
                break;
            case Picture::Play:
                PaintPlay(painter, side);
                break;
            case Picture::Pause:
                PaintPause(painter, side);
                break;
            case Picture::Stop:
                PaintStop(painter, side);
                break;
            case Picture::Clear:
                PaintClear(painter, side);
                break;
        }
    }
    return disabled ? Greyed(pixmap) : pixmap;
}

QPixmap ButtonPicture(Picture picture, int side, bool disabled) {
    return ButtonPicture(picture, side, disabled, ScreenRatio());
}

QPixmap Separator(int height, qreal dpr) {
    QPixmap pixmap = Canvas(2, height, dpr);
    QPainter painter(&pixmap);
    // Whole device pixels: a line between two pixels would blur at ratio 1.5.
    const qreal px = 1.0 / dpr;
    const qreal lineWidth = std::max<qreal>(1.0, std::floor(dpr)) * px;
    painter.fillRect(QRectF(0, 0, lineWidth, height), QColor(0xC0, 0xC0, 0xC0));
    painter.fillRect(QRectF(lineWidth, 0, lineWidth, height), Qt::white);
    return pixmap;
}

QPixmap Separator(int height) {
    return Separator(height, ScreenRatio());
}

}  // namespace talvex::ui::pictures
