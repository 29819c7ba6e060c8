#pragma once
// Draws the Progress column of the Activity list: a framed bar in the item kind's colours
// (blue for downloads, amber for conversions) with the percentage in small type on top.
#include <QStyledItemDelegate>

namespace talvex::ui {

class ProgressDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    // Below this width a cell shows only its background; the text needs this much room
    // beside it.
    static constexpr int kMinWidth = 12;
    static constexpr int kTextPointSize = 7;

    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};

}  // namespace talvex::ui
