#include "ui/ActivityItemListCtrl.h"

#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSortFilterProxyModel>
#include <QThread>
#include <algorithm>
#include <array>

#include "scripts/FileNameSanitizer.h"
#include "ui/ActivityModel.h"
#include "ui/DialogUnits.h"
#include "ui/ProgressDelegate.h"

namespace talvex::ui {

namespace {

constexpr std::array<int, ActivityModel::kColumnCount> kColumnWidths = {195, 75, 80, 70, 80, 80};
constexpr int kEditorMargin = 4;

}  // namespace

ActivityItemListCtrl::ActivityItemListCtrl(const StringTable* strings, QWidget* parent)
    : QTableView(parent),
      model_(new ActivityModel(strings, this)),
      proxy_(new QSortFilterProxyModel(this)),
      progressDelegate_(new ProgressDelegate(this)),
      uiThread_(QThread::currentThread()),
      editor_(new QLineEdit(viewport())) {
    // Sorting happens once per refresh over all rows, not on every changed cell.
    proxy_->setDynamicSortFilter(false);
    proxy_->setSortRole(ActivityModel::SortRole);
    proxy_->setSourceModel(model_);
    setModel(proxy_);
    setItemDelegateForColumn(ActivityModel::kProgress, progressDelegate_);

    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(false);
    setWordWrap(false);
    setAlternatingRowColors(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);

    QHeaderView* header = horizontalHeader();
    header->setHighlightSections(false);
    // The last column takes what is left, so the header spans the whole list.
    header->setStretchLastSection(true);
    header->setSectionsClickable(true);
    // The widths suit a font whose average character is six pixels wide; they grow with the
    // desktop's font so that "Downloading" and "1023.99 KB/s" are not cut off.
    const double scale = std::max(1.0, DialogUnits(font()).BaseX() / 6.0);
    for (int c = 0; c < ActivityModel::kColumnCount; ++c) {
        setColumnWidth(c, static_cast<int>(kColumnWidths[static_cast<size_t>(c)] * scale));
    }
    QFont bold = header->font();
    if (bold.weight() < QFont::Bold) {
        bold.setWeight(QFont::Bold);
    }
    model_->SetHeaderFont(bold);
    // Unsorted until the user (or the stored setting) picks a column; header clicks then
    // sort, and a second click on the same header reverses the order.
    header->setSortIndicator(-1, Qt::AscendingOrder);
    setSortingEnabled(true);

    editor_->hide();
    editor_->setMaxLength(kMaxRenameLength);
    editor_->setTextMargins(kEditorMargin, 0, kEditorMargin, 0);
    editor_->installEventFilter(this);

    const auto follow = [this] {
        if (IsRenaming()) {
            PlaceEditor();
        }
    };
    connect(proxy_, &QAbstractItemModel::layoutChanged, this, follow);
    connect(proxy_, &QAbstractItemModel::rowsRemoved, this, follow);
    connect(header, &QHeaderView::sectionResized, this, follow);
}

ActivityItemListCtrl::~ActivityItemListCtrl() {
    editor_->removeEventFilter(this);
}

void ActivityItemListCtrl::AddItem(ActivityItem* item) {
    Post(OpKind::Add, item);
}

void ActivityItemListCtrl::RemoveItem(ActivityItem* item) {
    Post(OpKind::Remove, item);
}

void ActivityItemListCtrl::UpdateItem(ActivityItem* item) {
    Post(OpKind::Update, item);
}

void ActivityItemListCtrl::Post(OpKind kind, ActivityItem* item) {
    if (!item) {
        return;
    }
    const bool onUiThread = QThread::currentThread() == uiThread_;
    bool postFlush = false;
    {
        std::lock_guard hold(pendingLock_);
        // The reference is taken now, while the queue's lock still keeps the item alive.
        pending_.push_back({kind, RefPtr<ActivityItem>(item)});
        if (!onUiThread && !flushPosted_) {
            flushPosted_ = true;
            postFlush = true;
        }
    }
    if (onUiThread) {
        Flush();
    } else if (postFlush) {
        QMetaObject::invokeMethod(
            this, [this] { Flush(); }, Qt::QueuedConnection);
    }
}

void ActivityItemListCtrl::Flush() {
    std::vector<Op> ops;
    {
        std::lock_guard hold(pendingLock_);
        ops.swap(pending_);
        flushPosted_ = false;
    }
    for (const Op& op : ops) {
        switch (op.kind) {
            case OpKind::Add:
                model_->AddItem(op.item);
                break;
            case OpKind::Remove:
                if (renamed_ == op.item) {
                    FinishRename(false);
                }
                model_->RemoveItem(op.item.get());
                break;
            case OpKind::Update:
                model_->UpdateItem(op.item.get());
                break;
        }
    }
}

void ActivityItemListCtrl::ApplyLanguage() {
    model_->ApplyLanguage();
}

void ActivityItemListCtrl::Refresh() {
    // Qt paints once per event-loop pass and only where dataChanged said, so the pass needs no
    // explicit suspension of redrawing.
    model_->Refresh();
    const int column = SortColumn();
    if (column >= 0) {
        proxy_->sort(column, SortOrder());
    }
}

void ActivityItemListCtrl::SortBy(int column, Qt::SortOrder order) {
    if (column < -1 || column >= ActivityModel::kColumnCount) {
        column = -1;
    }
    sortByColumn(column, order);
    // Sorted now even when the header already showed this column and direction.
    proxy_->sort(column, order);
}

int ActivityItemListCtrl::SortColumn() const {
    return horizontalHeader()->sortIndicatorSection();
}

Qt::SortOrder ActivityItemListCtrl::SortOrder() const {
    return horizontalHeader()->sortIndicatorOrder();
}

int ActivityItemListCtrl::RowCount() const {
    return proxy_->rowCount();
}

ActivityItem* ActivityItemListCtrl::ItemAtRow(int viewRow) const {
    if (viewRow < 0 || viewRow >= proxy_->rowCount()) {
        return nullptr;
    }
    return model_->ItemAt(proxy_->mapToSource(proxy_->index(viewRow, 0)).row());
}

std::vector<ActivityItem*> ActivityItemListCtrl::SelectedItems() const {
    std::vector<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows()) {
        rows.push_back(index.row());
    }
    std::sort(rows.begin(), rows.end());
    std::vector<ActivityItem*> items;
    items.reserve(rows.size());
    for (int row : rows) {
        if (ActivityItem* item = ItemAtRow(row)) {
            items.push_back(item);
        }
    }
    return items;
}

void ActivityItemListCtrl::StartRename(int viewRow) {
    ActivityItem* item = ItemAtRow(viewRow);
    if (!item) {
        return;
    }
    if (IsRenaming()) {
        FinishRename(true);
    }
    const std::wstring name = item->GetFileName();
    const size_t dot = name.rfind(L'.');
    oldBase_ = dot == std::wstring::npos ? name : name.substr(0, dot);
    oldExtension_ = dot == std::wstring::npos ? std::wstring() : name.substr(dot);
    renamed_ = RefPtr<ActivityItem>(item);
    editor_->setText(QString::fromStdWString(oldBase_));
    PlaceEditor();
    editor_->show();
    editor_->setFocus(Qt::OtherFocusReason);
    editor_->selectAll();
}

bool ActivityItemListCtrl::IsRenaming() const {
    return static_cast<bool>(renamed_);
}

void ActivityItemListCtrl::PlaceEditor() {
    const int row = model_->RowOf(renamed_.get());
    if (row < 0) {
        FinishRename(false);
        return;
    }
    editor_->setGeometry(visualRect(proxy_->mapFromSource(model_->index(row, 0))));
}

void ActivityItemListCtrl::FinishRename(bool save) {
    if (finishing_ || !renamed_) {
        return;
    }
    finishing_ = true;
    const RefPtr<ActivityItem> item = std::move(renamed_);
    renamed_.reset();
    const QString typed = editor_->text();
    if (editor_->hasFocus()) {
        setFocus(Qt::OtherFocusReason);
    }
    editor_->hide();
    if (save) {
        const std::wstring base = SanitizeFileName(typed.trimmed().toStdWString());
        if (!base.empty() && base != oldBase_) {
            item->SetFileName(base + oldExtension_);
            model_->RefreshRow(model_->RowOf(item.get()));
        }
    }
    finishing_ = false;
}

void ActivityItemListCtrl::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F2 && event->modifiers() == Qt::NoModifier) {
        std::vector<int> rows;
        for (const QModelIndex& index : selectionModel()->selectedRows()) {
            rows.push_back(index.row());
        }
        if (!rows.empty()) {
            StartRename(*std::min_element(rows.begin(), rows.end()));
        }
        event->accept();
        return;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        selectAll();
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void ActivityItemListCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
    QTableView::mouseDoubleClickEvent(event);
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid() && event->button() == Qt::LeftButton) {
        StartRename(index.row());
    }
}

bool ActivityItemListCtrl::eventFilter(QObject* watched, QEvent* event) {
    if (watched != editor_ || !IsRenaming()) {
        return QTableView::eventFilter(watched, event);
    }
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape) {
            FinishRename(false);
            return true;
        }
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            FinishRename(true);
            return true;
        }
    } else if (event->type() == QEvent::FocusOut) {
        // The edit box's own context menu takes the focus for a moment; that is no end.
        if (static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
            FinishRename(true);
        }
    }
    return QTableView::eventFilter(watched, event);
}

}  // namespace talvex::ui
