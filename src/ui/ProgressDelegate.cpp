#include "ui/ProgressDelegate.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

#include "activity/ActivityItem.h"
#include "ui/ActivityModel.h"

namespace talvex::ui {

namespace {

struct BarColors {
    QColor frame, bar, text;
};

BarColors ColorsFor(int kind) {
    switch (static_cast<ActivityKind>(kind)) {
        case ActivityKind::Download:
            return {QColor(0x49, 0x7C, 0xB6), QColor(0x83, 0xB4, 0xEF), QColor(0x00, 0x49, 0x93)};
        case ActivityKind::Conversion:
            return {QColor(0xC1, 0x7B, 0x01), QColor(0xFF, 0xB2, 0x05), QColor(0x72, 0x4B, 0x00)};
    }
    return {Qt::black, Qt::black, Qt::white};
}

}  // namespace

void ProgressDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    if (index.column() != ActivityModel::kProgress) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    const bool focused = option.widget && option.widget->hasFocus();
    const bool highlighted = focused && (option.state & QStyle::State_Selected);
    const QColor background = option.palette.color(QPalette::Active, QPalette::Base);
    const BarColors colors = ColorsFor(index.data(ActivityModel::KindRole).toInt());

    painter->save();
    QRect rect = option.rect;
    painter->fillRect(rect, highlighted
                                ? option.palette.color(QPalette::Active, QPalette::Highlight)
                                : background);
    if (rect.width() < kMinWidth) {
        painter->restore();
        return;
    }

    rect.adjust(4, 1, -4, -1);
    painter->setPen(colors.frame);
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(rect.adjusted(0, 0, -1, -1));  // a one-pixel frame inside rect
    rect.adjust(1, 1, -1, -1);
    if (highlighted) {
        painter->fillRect(rect, background);
    }
    rect.adjust(1, 1, -1, -1);
    const int percent = std::clamp(index.data(ActivityModel::PercentRole).toInt(), 0, 100);
    const int filled = rect.width() > 0 ? rect.width() * percent / 100 : 0;
    if (filled > 0 && rect.height() > 0) {
        painter->fillRect(QRect(rect.left(), rect.top(), filled, rect.height()), colors.bar);
    }

    QFont font = option.font;
    font.setPointSize(kTextPointSize);
    const QString text = index.data(Qt::DisplayRole).toString();
    const int textWidth = QFontMetrics(font).horizontalAdvance(text);
    if (option.rect.width() - textWidth > kMinWidth) {
        painter->setFont(font);
        painter->setPen(colors.text);
        painter->drawText(option.rect, Qt::AlignCenter, text);
    }
    painter->restore();
}

}  // namespace talvex::ui
