#include "ui/CSimpleTabCtrl.h"

#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QShortcut>
#include <cmath>

namespace talvex::ui {

namespace {

const QColor kOutline(0x7B, 0xA9, 0xDB);
const QColor kSeparator(0x98, 0xBE, 0xEB);
const QColor kGradientFrom(0xA5, 0xCF, 0xFF);
const QColor kGradientTo(0xCD, 0xE6, 0xFC);
const QColor kTitle(0x3B, 0x61, 0x8E);
const QColor kTitleHighlight(0xFF, 0xFF, 0xFF, 0x80);
// Room left and right of the title (measured in the bold font) inside a tab header.
constexpr int kTitleMargin = 14;
// The first tab starts where the pages do.
constexpr int kFirstTabLeft = CSimpleTabCtrl::kPageMargin;
// Unselected tabs are this much lower than the selected one.
constexpr int kUnselectedDrop = 3;
// Corner arcs of 8 x 8 pixels.
constexpr qreal kCorner = 8;

// A gradient at an angle (degrees, clockwise from the x axis, y pointing down) spanning the
// rectangle, as the header was drawn.
QLinearGradient AngledGradient(const QRectF& rect, qreal degrees, const QColor& from,
                               const QColor& to) {
    const qreal radians = degrees * M_PI / 180.0;
    const QPointF direction(std::cos(radians), std::sin(radians));
    const qreal length =
        std::abs(rect.width() * direction.x()) + std::abs(rect.height() * direction.y());
    const QPointF half = direction * (length / 2);
    QLinearGradient gradient(rect.center() - half, rect.center() + half);
    gradient.setColorAt(0, from);
    gradient.setColorAt(1, to);
    return gradient;
}

// The outline of a tab: rounded top corners, open at the bottom.
QPainterPath TabShape(const QRectF& r, bool closed) {
    QPainterPath path;
    path.moveTo(r.left(), r.bottom());
    path.lineTo(r.left(), r.top() + kCorner / 2);
    path.arcTo(QRectF(r.left(), r.top(), kCorner, kCorner), 180, -90);
    path.lineTo(r.right() - kCorner / 2, r.top());
    path.arcTo(QRectF(r.right() - kCorner, r.top(), kCorner, kCorner), 90, -90);
    path.lineTo(r.right(), r.bottom());
    if (closed) {
        path.closeSubpath();
    }
    return path;
}

bool TakesFocus(const QWidget* widget) {
    return widget->isEnabled() && (widget->focusPolicy() & Qt::TabFocus) != 0 &&
           widget->isVisibleTo(widget->window());
}

}  // namespace

CSimpleTabCtrl::CSimpleTabCtrl(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    MakeFonts();
    // Ctrl+Tab and Ctrl+Shift+Tab move between the tabs wherever the focus is in the window.
    const auto addShortcut = [this](const QKeySequence& keys, int step) {
        auto* shortcut = new QShortcut(keys, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, step] { Step(step); });
    };
    addShortcut(QKeySequence(Qt::CTRL | Qt::Key_Tab), 1);
    addShortcut(QKeySequence(Qt::CTRL | Qt::Key_PageDown), 1);
    addShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), -1);
    addShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), -1);
    addShortcut(QKeySequence(Qt::CTRL | Qt::Key_PageUp), -1);
}

void CSimpleTabCtrl::MakeFonts() {
    // The parent dialog's font, 1.2 times its point size rounded up.
    const QFont base = parentWidget() != nullptr ? parentWidget()->font() : font();
    normalFont_ = base;
    if (base.pointSizeF() > 0) {
        normalFont_.setPointSizeF(std::ceil(base.pointSizeF() * 1.2));
    } else if (base.pixelSize() > 0) {
        normalFont_.setPixelSize(static_cast<int>(std::ceil(base.pixelSize() * 1.2)));
    }
    normalFont_.setWeight(QFont::Normal);
    boldFont_ = normalFont_;
    boldFont_.setWeight(QFont::Bold);
}

int CSimpleTabCtrl::AddTab(QWidget* page, const QString& title) {
    if (page == nullptr) {
        return -1;
    }
    page->setParent(this);
    tabs_.push_back(Tab{page, title, nullptr});
    const int index = Count() - 1;
    if (selected_ < 0) {
        selected_ = index;
    }
    LayoutPages();
    page->setVisible(index == selected_);
    update();
    return index;
}

void CSimpleTabCtrl::SetTabTitle(int index, const QString& title) {
    if (index < 0 || index >= Count() || title.isEmpty()) {
        return;
    }
    tabs_[index].title = title;
    update();
}

QString CSimpleTabCtrl::TabTitle(int index) const {
    return index >= 0 && index < Count() ? tabs_[index].title : QString();
}

QWidget* CSimpleTabCtrl::Page(int index) const {
    return index >= 0 && index < Count() ? tabs_[index].page.data() : nullptr;
}

QRect CSimpleTabCtrl::TabRect(int index) const {
    if (index < 0 || index >= Count()) {
        return QRect();
    }
    const QFontMetrics metrics(boldFont_);
    int left = kFirstTabLeft;
    for (int i = 0;; ++i) {
        const int width = metrics.horizontalAdvance(tabs_[i].title) + 2 * kTitleMargin;
        if (i == index) {
            return QRect(left, 0, width, kHeaderHeight);
        }
        left += width;
    }
}

void CSimpleTabCtrl::SetConfirmTabChange(std::function<bool(int, int)> confirm) {
    confirm_ = std::move(confirm);
}

void CSimpleTabCtrl::SelectTab(int index) {
    if (index < 0 || index >= Count()) {
        return;
    }
    if (index == selected_) {
        update(QRect(0, 0, width(), kHeaderHeight - 1));
        return;
    }
    if (confirm_ && !confirm_(selected_, index)) {
        return;
    }
    QWidget* focused = window()->focusWidget();
    const bool stripFocused = focused == this;
    const bool focusInOldPage = selected_ >= 0 && tabs_[selected_].page && focused != nullptr &&
                                tabs_[selected_].page->isAncestorOf(focused);
    if (focusInOldPage) {
        tabs_[selected_].lastFocus = focused;
    }
    if (selected_ >= 0 && tabs_[selected_].page) {
        tabs_[selected_].page->hide();
    }
    selected_ = index;
    hot_ = -1;
    LayoutPages();
    QWidget* page = tabs_[selected_].page;
    if (page != nullptr) {
        page->show();
        // While the strip has the focus (arrows, a click on a tab) it keeps it, so that the
        // arrows go on working; otherwise the focus goes into the new page.
        if (!stripFocused) {
            FocusPage(page, tabs_[selected_].lastFocus);
        }
    }
    update();
    emit currentChanged(selected_);
}

void CSimpleTabCtrl::FocusPage(QWidget* page, QWidget* remembered) {
    if (remembered != nullptr && page->isAncestorOf(remembered) && TakesFocus(remembered)) {
        remembered->setFocus(Qt::TabFocusReason);
        return;
    }
    // The page's first child in the window's focus chain that can take the focus.
    for (QWidget* widget = page->nextInFocusChain(); widget != nullptr && widget != page;
         widget = widget->nextInFocusChain()) {
        if (page->isAncestorOf(widget) && TakesFocus(widget)) {
            widget->setFocus(Qt::TabFocusReason);
            return;
        }
        if (widget == window()) {
            break;
        }
    }
    // Nothing to focus in the page: the strip takes the focus rather than a hidden page.
    QWidget* focused = window()->focusWidget();
    if (focused == nullptr || !focused->isVisibleTo(window())) {
        setFocus(Qt::TabFocusReason);
    }
}

void CSimpleTabCtrl::Step(int step) {
    if (Count() == 0) {
        return;
    }
    const int from = std::max(selected_, 0);
    SelectTab(((from + step) % Count() + Count()) % Count());
}

int CSimpleTabCtrl::TabAt(const QPoint& pos) const {
    for (int i = 0; i < Count(); ++i) {
        if (TabRect(i).contains(pos)) {
            return i;
        }
    }
    return -1;
}

void CSimpleTabCtrl::LayoutPages() {
    const QRect area(kPageMargin, kHeaderHeight, std::max(0, width() - 2 * kPageMargin),
                     std::max(0, height() - kHeaderHeight - kPageMargin));
    for (const Tab& tab : tabs_) {
        if (tab.page) {
            tab.page->setGeometry(area);
        }
    }
}

void CSimpleTabCtrl::paintEvent(QPaintEvent*) {
    // The header's background is the parent's (this control is not opaque); below it, the
    // page area is framed and white, and the selected tab opens into it.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QRectF pageFrame = QRectF(0, kHeaderHeight - 1, width(), height() - kHeaderHeight + 1)
                                 .adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QPen(kOutline, 1));
    painter.setBrush(Qt::white);
    painter.drawRect(pageFrame);

    const auto paintTab = [&](int i) {
        const bool selected = i == selected_;
        const QRect header = TabRect(i);
        QRectF shape = QRectF(header).adjusted(0.5, 0.5, -0.5, 0);
        if (!selected) {
            shape.setTop(shape.top() + kUnselectedDrop);
            shape.setBottom(kHeaderHeight - 0.5);
        } else {
            // Down over the page frame's top line, so that tab and page are one surface.
            shape.setBottom(kHeaderHeight + 0.5);
        }
        if (selected) {
            painter.fillPath(TabShape(shape, true), Qt::white);
        } else {
            const bool hot = i == hot_;
            painter.fillPath(TabShape(shape, true),
                             AngledGradient(shape, 75, hot ? kGradientTo : kGradientFrom,
                                            hot ? kGradientFrom : kGradientTo));
        }
        painter.setPen(QPen(kOutline, 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(TabShape(shape, false));

        QRect textRect = header;
        textRect.setTop(selected ? 1 : kUnselectedDrop + 1);
        if (i == pressed_) {
            textRect.translate(1, 1);
        }
        const int flags = Qt::AlignCenter | Qt::TextSingleLine;
        if (selected) {
            painter.setFont(boldFont_);
            painter.setPen(palette().color(QPalette::WindowText));
            painter.drawText(textRect, flags, tabs_[i].title);
        } else {
            painter.setFont(normalFont_);
            painter.setPen(kTitleHighlight);
            painter.drawText(textRect.translated(1, 1), flags, tabs_[i].title);
            painter.setPen(kTitle);
            painter.drawText(textRect, flags, tabs_[i].title);
        }
    };

    for (int i = 0; i < Count(); ++i) {
        if (i != selected_) {
            paintTab(i);
        }
    }
    // Between two unselected neighbours, a lighter separator over the shared edge.
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (int i = 1; i < Count(); ++i) {
        if (i != selected_ && i - 1 != selected_) {
            const int x = TabRect(i).left();
            painter.setPen(kSeparator);
            painter.drawLine(x, kUnselectedDrop + 4, x, kHeaderHeight - 3);
        }
    }
    painter.setRenderHint(QPainter::Antialiasing);
    if (selected_ >= 0) {
        paintTab(selected_);
    }

    if (hasFocus() && selected_ >= 0) {
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(QPen(palette().color(QPalette::WindowText), 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(TabRect(selected_).adjusted(4, 3, -5, -3));
    }
}

void CSimpleTabCtrl::resizeEvent(QResizeEvent* event) {
    LayoutPages();
    QWidget::resizeEvent(event);
}

void CSimpleTabCtrl::mouseMoveEvent(QMouseEvent* event) {
    const int hot = TabAt(event->position().toPoint());
    if (hot != hot_) {
        hot_ = hot;
        update(0, 0, width(), kHeaderHeight);
    }
    QWidget::mouseMoveEvent(event);
}

void CSimpleTabCtrl::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        pressed_ = TabAt(event->position().toPoint());
        update(0, 0, width(), kHeaderHeight);
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void CSimpleTabCtrl::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    const bool wasPressed = pressed_ >= 0;
    pressed_ = -1;
    const int target = TabAt(event->position().toPoint());
    if (wasPressed && target >= 0) {
        SelectTab(target);
    }
    update(0, 0, width(), kHeaderHeight);
    event->accept();
}

void CSimpleTabCtrl::leaveEvent(QEvent* event) {
    if (hot_ != -1) {
        hot_ = -1;
        update(0, 0, width(), kHeaderHeight);
    }
    QWidget::leaveEvent(event);
}

void CSimpleTabCtrl::keyPressEvent(QKeyEvent* event) {
    // Keys a page's child left unhandled come up here too (a letter or an arrow on a focused
    // button): only the strip's own keys move between the tabs.
    if (Count() == 0 || window()->focusWidget() != this) {
        QWidget::keyPressEvent(event);
        return;
    }
    const Qt::KeyboardModifiers modifiers =
        event->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
    if (modifiers == Qt::NoModifier) {
        switch (event->key()) {
            case Qt::Key_Left:
                Step(-1);
                return;
            case Qt::Key_Right:
                Step(1);
                return;
            case Qt::Key_Home:
                SelectTab(0);
                return;
            case Qt::Key_End:
                SelectTab(Count() - 1);
                return;
            default:
                break;
        }
        // Any printable key selects the first tab, as the strip always did; Tab, Escape, Enter
        // and the like go on to the window.
        const QString text = event->text();
        if (!text.isEmpty() && text.at(0).isPrint()) {
            SelectTab(0);
            return;
        }
    }
    QWidget::keyPressEvent(event);
}

void CSimpleTabCtrl::focusInEvent(QFocusEvent* event) {
    update(0, 0, width(), kHeaderHeight);
    QWidget::focusInEvent(event);
}

void CSimpleTabCtrl::focusOutEvent(QFocusEvent* event) {
    update(0, 0, width(), kHeaderHeight);
    QWidget::focusOutEvent(event);
}

void CSimpleTabCtrl::changeEvent(QEvent* event) {
    switch (event->type()) {
        case QEvent::FontChange:
        case QEvent::ParentChange:
            MakeFonts();
            update();
            break;
        case QEvent::PaletteChange:
        case QEvent::EnabledChange:
            update();
            break;
        default:
            break;
    }
    QWidget::changeEvent(event);
}

bool CSimpleTabCtrl::focusNextPrevChild(bool next) {
    // Tab from the strip goes into the shown page, Shift+Tab out of the control; the hidden
    // pages' children are skipped by the focus chain since they are not visible.
    return QWidget::focusNextPrevChild(next);
}

}  // namespace talvex::ui
