#include "ui/CustomButton.h"

#include <QKeyEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>

namespace talvex::ui {

namespace {

// Corner ellipses of 5 x 5 pixels.
constexpr qreal kCornerRadius = 2.5;
// Room around the caption in the size hint.
constexpr int kPaddingX = 10;
constexpr int kPaddingY = 5;
// The caption is centred beside the picture: picture width + 2 on the left, + 4 on the right.
constexpr int kShiftLeft = 2;
constexpr int kShiftRight = 4;
constexpr int kTextFlags = Qt::AlignCenter | Qt::TextWordWrap;

// Magenta (#FF00FF) is the transparent colour of the pictures the dialogs were drawn with.
QPixmap WithMagentaTransparent(const QPixmap& pixmap) {
    if (pixmap.isNull()) {
        return pixmap;
    }
    QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    bool changed = false;
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(line[x]) == 255 && (line[x] & 0xFFFFFF) == 0xFF00FF) {
                line[x] = 0;
                changed = true;
            }
        }
    }
    if (!changed) {
        return pixmap;
    }
    QPixmap result = QPixmap::fromImage(image);
    result.setDevicePixelRatio(pixmap.devicePixelRatio());
    return result;
}

QSize LogicalSize(const QPixmap& pixmap) {
    return pixmap.isNull() ? QSize() : pixmap.deviceIndependentSize().toSize();
}

}  // namespace

ButtonColors ButtonColors::Red() {
    return {QColor(0xF5, 0x17, 0x16), QColor(0x51, 0x02, 0x07), QColor(0xDF, 0x14, 0x15),
            QColor(0x63, 0x05, 0x0B), QColor(0xFF, 0xFF, 0xFF), QColor(0x6E, 0x06, 0x0B)};
}

ButtonColors ButtonColors::Grey() {
    return {QColor(0xF4, 0xF4, 0xF4), QColor(0xBA, 0xBA, 0xBA), QColor(0xF4, 0xF4, 0xF4),
            QColor(0xCC, 0xCB, 0xCB), QColor(0x00, 0x00, 0x00), QColor(0x8C, 0x8C, 0x8C)};
}

ButtonColors ButtonColors::Blue() {
    return {QColor(65, 116, 174), QColor(11, 51, 95),    QColor(85, 156, 229),
            QColor(21, 76, 136),  QColor(255, 255, 255), QColor(4, 58, 118)};
}

ButtonColors ButtonColors::System() {
    const QPalette palette;
    const QColor face = palette.color(QPalette::Button);
    return {
        face, face, face, face, palette.color(QPalette::ButtonText), palette.color(QPalette::Dark)};
}

CustomButton::CustomButton(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::StrongFocus);
}

CustomButton::CustomButton(const QPixmap& picture, const QPixmap& disabledPicture,
                           bool pictureOnRight, QWidget* parent)
    : QAbstractButton(parent),
      picture_(WithMagentaTransparent(picture)),
      disabledPicture_(WithMagentaTransparent(disabledPicture)),
      pictureOnRight_(pictureOnRight) {
    setFocusPolicy(Qt::StrongFocus);
}

void CustomButton::SetColors(const ButtonColors& colors) {
    colors_ = colors;
    update();
}

void CustomButton::SetTooltipText(const QString& text) {
    setToolTip(text);
}

QPixmap CustomButton::CurrentPicture() const {
    if (!isEnabled() && !disabledPicture_.isNull()) {
        return disabledPicture_;
    }
    return picture_;
}

QSize CustomButton::sizeHint() const {
    const QFontMetrics metrics = fontMetrics();
    const QSize picture = LogicalSize(picture_);
    const QString caption = text();
    int width = 0;
    int height = 0;
    if (!caption.isEmpty()) {
        const QRect textRect = metrics.boundingRect(QRect(0, 0, 10000, 10000), kTextFlags, caption);
        width = textRect.width();
        height = textRect.height();
    }
    if (!picture.isEmpty()) {
        width += picture.width() + (caption.isEmpty() ? 0 : kPictureGap + kShiftRight);
        height = std::max(height, picture.height());
    }
    return QSize(width + 2 * kPaddingX, std::max(height, metrics.height()) + 2 * kPaddingY)
        .expandedTo(QSize(2 * kPaddingX, 2 * kPaddingY));
}

QSize CustomButton::minimumSizeHint() const {
    // The caption may wrap: the longest word must fit beside the picture.
    const QFontMetrics metrics = fontMetrics();
    int widest = 0;
    for (const QString& word : text().split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        widest = std::max(widest, metrics.horizontalAdvance(word));
    }
    const QSize picture = LogicalSize(picture_);
    int width = widest + 8;
    if (!picture.isEmpty()) {
        width += picture.width() + (widest > 0 ? kPictureGap + kShiftRight : 0);
    }
    const int height = std::max(metrics.height(), picture.isEmpty() ? 0 : picture.height()) + 6;
    return QSize(width, height);
}

void CustomButton::keyPressEvent(QKeyEvent* event) {
    // A focused push button answers Enter as it does Space (the focused button is the
    // default button of a dialog).
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        event->modifiers() == Qt::NoModifier) {
        animateClick();
        event->accept();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void CustomButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool pressed = isDown();
    const bool enabled = isEnabled();
    const QRect area = rect();

    // The outside of the rounded shape stays unpainted: the button is not opaque, so the
    // parent's background shows there.
    QPainterPath shape;
    shape.addRoundedRect(QRectF(area).adjusted(0.5, 0.5, -0.5, -0.5), kCornerRadius, kCornerRadius);
    QLinearGradient fill(0, area.top(), 0, area.bottom());
    fill.setColorAt(0, pressed ? colors_.pressedTop : colors_.normalTop);
    fill.setColorAt(1, pressed ? colors_.pressedBottom : colors_.normalBottom);
    painter.fillPath(shape, fill);
    painter.setPen(QPen(pressed ? palette().color(QPalette::Dark) : colors_.border, 1));
    painter.drawPath(shape);
    painter.setRenderHint(QPainter::Antialiasing, false);

    const QPixmap picture = CurrentPicture();
    const QSize pictureSize = LogicalSize(picture);
    const QString caption = text();
    const QPoint shift = pressed ? QPoint(1, 1) : QPoint(0, 0);

    QRect textRect;
    if (!caption.isEmpty()) {
        QRect room = area.adjusted(3, 1, -3, -1);
        if (!pictureSize.isEmpty()) {
            if (pictureOnRight_) {
                room.setRight(room.right() - (pictureSize.width() + kShiftRight));
            } else {
                room.setLeft(room.left() + pictureSize.width() + kShiftLeft);
            }
        }
        const QRect measured = fontMetrics().boundingRect(room, kTextFlags, caption);
        textRect = QRect(QPoint(0, 0), measured.size());
        textRect.moveCenter(room.center());
        textRect.translate(shift);
        if (enabled) {
            painter.setPen(colors_.text);
            painter.drawText(textRect, kTextFlags, caption);
        } else {
            painter.setPen(palette().color(QPalette::Light));
            painter.drawText(textRect.translated(1, 1), kTextFlags, caption);
            painter.setPen(palette().color(QPalette::Dark));
            painter.drawText(textRect, kTextFlags, caption);
        }
    }

    if (!pictureSize.isEmpty()) {
        QRect pictureRect(QPoint(0, 0), pictureSize);
        pictureRect.moveCenter(area.center());
        if (!caption.isEmpty()) {
            if (pictureOnRight_) {
                pictureRect.moveLeft(textRect.right() + 1 + kPictureGap);
            } else {
                pictureRect.moveRight(textRect.left() - 1 - kPictureGap);
            }
            pictureRect.moveTop(area.center().y() - pictureSize.height() / 2 + shift.y());
        } else {
            pictureRect.translate(shift);
        }
        painter.drawPixmap(pictureRect.topLeft(), picture);
    }

    if (hasFocus()) {
        QPen dotted(enabled ? colors_.text : palette().color(QPalette::Dark), 1, Qt::DotLine);
        painter.setPen(dotted);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(area.adjusted(3, 3, -4, -4));
    }
}

}  // namespace talvex::ui
