#include "ui/HyperlinkLabel.h"

#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace talvex::ui {

namespace {

// Room for the focus frame around the text.
constexpr int kFrame = 1;

}  // namespace

HyperlinkLabel::HyperlinkLabel(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void HyperlinkLabel::SetText(const QString& text) {
    text_ = text;
    if (target_.isEmpty()) {
        setToolTip(text_);
    }
    updateGeometry();
    update();
}

void HyperlinkLabel::SetTarget(const QString& target) {
    target_ = target;
    setToolTip(target_.isEmpty() ? text_ : target_);
    updateGeometry();
    update();
}

void HyperlinkLabel::SetElideMiddle(bool elide) {
    elideMiddle_ = elide;
    updateGeometry();
    update();
}

QFont HyperlinkLabel::LinkFont() const {
    QFont linkFont = font();
    linkFont.setUnderline(true);
    return linkFont;
}

QString HyperlinkLabel::FullText() const {
    // Eliding shows the target (a folder path); otherwise the text, or the target without one.
    if (elideMiddle_) {
        return target_.isEmpty() ? text_ : target_;
    }
    return text_.isEmpty() ? target_ : text_;
}

QString HyperlinkLabel::ShownText() const {
    const QString full = FullText();
    if (!elideMiddle_) {
        return full;
    }
    // Measured with the underlined font the text is painted in.
    const QFontMetrics metrics(LinkFont());
    return metrics.elidedText(full, Qt::ElideMiddle, std::max(0, width() - 2 * kFrame));
}

QRect HyperlinkLabel::TextRect() const {
    const QFontMetrics metrics(LinkFont());
    const int textWidth = std::min(metrics.horizontalAdvance(ShownText()), width() - 2 * kFrame);
    QRect textRect(kFrame, 0, std::max(0, textWidth), metrics.height());
    textRect.moveTop((height() - metrics.height()) / 2);
    return textRect;
}

void HyperlinkLabel::SetLinkColor(const QColor& color) {
    linkColor_ = color;
    update();
}

void HyperlinkLabel::SetVisitedColor(const QColor& color) {
    visitedColor_ = color;
    update();
}

void HyperlinkLabel::SetOpener(std::function<void(const QString&)> opener) {
    opener_ = std::move(opener);
}

QSize HyperlinkLabel::sizeHint() const {
    const QFontMetrics metrics(LinkFont());
    return QSize(metrics.horizontalAdvance(FullText()) + 2 * kFrame, metrics.height() + 2 * kFrame);
}

QSize HyperlinkLabel::minimumSizeHint() const {
    if (!elideMiddle_) {
        return sizeHint();
    }
    const QFontMetrics metrics(LinkFont());
    return QSize(metrics.horizontalAdvance(QStringLiteral("W\u2026W")) + 2 * kFrame,
                 metrics.height() + 2 * kFrame);
}

void HyperlinkLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(LinkFont());
    painter.setPen(visited_ ? visitedColor_ : linkColor_);
    const QRect textRect = TextRect();
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, ShownText());
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::WindowText), 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        const QRect frame = textRect.adjusted(-kFrame, 0, kFrame - 1, -1);
        painter.drawRect(frame.intersected(rect().adjusted(0, 0, -1, -1)));
    }
}

void HyperlinkLabel::mouseMoveEvent(QMouseEvent* event) {
    // The hand only over the text itself: the control may be much wider than a short link.
    if (TextRect().contains(event->position().toPoint())) {
        setCursor(Qt::PointingHandCursor);
    } else {
        unsetCursor();
    }
    QWidget::mouseMoveEvent(event);
}

void HyperlinkLabel::mousePressEvent(QMouseEvent* event) {
    // Accepted, so that the release comes here too.
    event->setAccepted(event->button() == Qt::LeftButton);
}

void HyperlinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && TextRect().contains(event->position().toPoint())) {
        Activate();
        event->accept();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void HyperlinkLabel::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Space:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
                Activate();
                event->accept();
                return;
            }
            break;
        default:
            break;
    }
    QWidget::keyPressEvent(event);
}

void HyperlinkLabel::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        updateGeometry();
        update();
    } else if (event->type() == QEvent::PaletteChange || event->type() == QEvent::EnabledChange) {
        update();
    }
    QWidget::changeEvent(event);
}

void HyperlinkLabel::Activate() {
    visited_ = true;
    update();
    if (opener_) {
        opener_(target_.isEmpty() ? text_ : target_);
    }
    emit clicked();
}

}  // namespace talvex::ui
