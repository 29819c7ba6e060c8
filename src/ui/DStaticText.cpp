#include "ui/DStaticText.h"

#include <QEvent>
#include <QPainter>
#include <QRegularExpression>
#include <cmath>

namespace talvex::ui {

namespace {

// Word-wrapped and without mnemonic prefixes: Qt draws '&' as itself unless asked otherwise.
constexpr int kWrap = Qt::TextWordWrap;

}  // namespace

DStaticText::DStaticText(QWidget* parent) : QWidget(parent) {
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

DStaticText::DStaticText(const QString& text, QWidget* parent) : DStaticText(parent) {
    text_ = text;
}

void DStaticText::setText(const QString& text) {
    if (text == text_) {
        return;
    }
    text_ = text;
    updateGeometry();
    update();
}

void DStaticText::SetAlignment(Qt::Alignment alignment) {
    alignment_ = alignment;
    update();
}

void DStaticText::SetFontStyle(int styleFlags, int pixelHeight) {
    styleFlags_ = styleFlags;
    pixelHeight_ = pixelHeight > 0 ? pixelHeight : 10;
    updateGeometry();
    update();
}

void DStaticText::SetBackgroundColor(const QColor& color) {
    background_ = color;
    update();
}

void DStaticText::SetTextColor(const QColor& color) {
    textColor_ = color;
    update();
}

void DStaticText::SetTransparent(bool transparent) {
    transparent_ = transparent;
    update();
}

void DStaticText::SetTooltipText(const QString& text) {
    setToolTip(text);
}

QFont DStaticText::TextFont() const {
    QFont textFont = font();
    // The height is given in pixels at the templates' 96 dots per inch; a desktop with a larger
    // font resolution gets proportionally larger text, as the rest of the window does.
    const qreal dpiScale = logicalDpiY() > 0 ? logicalDpiY() / 96.0 : 1.0;
    textFont.setPixelSize(std::max(1, static_cast<int>(std::lround(pixelHeight_ * dpiScale))));
    textFont.setBold((styleFlags_ & kBold) != 0);
    textFont.setItalic((styleFlags_ & kItalic) != 0);
    textFont.setUnderline((styleFlags_ & kUnderline) != 0);
    return textFont;
}

QSize DStaticText::sizeHint() const {
    const QFontMetrics metrics(TextFont());
    const QRect bounds = metrics.boundingRect(QRect(0, 0, 100000, 100000), kWrap, text_);
    return QSize(bounds.width() + 1, std::max(bounds.height(), metrics.height()));
}

QSize DStaticText::minimumSizeHint() const {
    const QFontMetrics metrics(TextFont());
    int widest = 0;
    for (const QString& word :
         text_.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts)) {
        widest = std::max(widest, metrics.horizontalAdvance(word));
    }
    return QSize(widest + 1, metrics.height());
}

int DStaticText::heightForWidth(int width) const {
    const QFontMetrics metrics(TextFont());
    if (width <= 0) {
        return sizeHint().height();
    }
    const QRect bounds = metrics.boundingRect(QRect(0, 0, width, 100000), kWrap, text_);
    return std::max(bounds.height(), metrics.height());
}

void DStaticText::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // An own background colour is painted even over a transparent control; without one, a
    // transparent control lets the parent show through, an opaque one takes the window colour.
    if (background_.isValid()) {
        painter.fillRect(rect(), background_);
    } else if (!transparent_) {
        painter.fillRect(rect(), palette().color(QPalette::Window));
    }
    painter.setFont(TextFont());
    painter.setPen(textColor_.isValid() ? textColor_ : palette().color(QPalette::WindowText));
    painter.drawText(rect(), static_cast<int>(alignment_) | kWrap, text_);
}

void DStaticText::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        updateGeometry();
        update();
    } else if (event->type() == QEvent::PaletteChange) {
        update();
    }
    QWidget::changeEvent(event);
}

}  // namespace talvex::ui
