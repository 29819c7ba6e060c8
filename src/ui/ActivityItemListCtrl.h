#pragma once
// The Activity list: a table of the activity queue's items and the queue's observer.
//
// The queue calls the IGrid functions with its lock held, usually on the user-interface thread
// but possibly from a worker. Those calls only record the change (taking a reference to the
// item at once) in a list of their own; the list is applied right away on the user-interface
// thread and through a queued call otherwise, so a worker never waits for the user-interface
// thread while it holds the queue's lock, and the widgets are touched only on their thread.
// Whoever registers the list with a queue unregisters it (SetGrid(nullptr)) before destroying it.
#include <QTableView>
#include <mutex>
#include <string>
#include <vector>

#include "activity/ActivityItem.h"
#include "activity/IGrid.h"
#include "app/threads/RefPtr.h"

class QLineEdit;
class QSortFilterProxyModel;
class QThread;

namespace talvex {
class StringTable;
}

namespace talvex::ui {

class ActivityModel;
class ProgressDelegate;

class ActivityItemListCtrl : public QTableView, public IGrid {
    Q_OBJECT
public:
    // The rename box takes at most this many characters.
    static constexpr int kMaxRenameLength = 260;

    // strings may be null (built-in texts); it must outlive the list.
    explicit ActivityItemListCtrl(const StringTable* strings, QWidget* parent = nullptr);
    ~ActivityItemListCtrl() override;

    // IGrid, callable from any thread.
    void AddItem(ActivityItem* item) override;
    void RemoveItem(ActivityItem* item) override;
    void UpdateItem(ActivityItem* item) override;

    // Column headers in the current language.
    void ApplyLanguage();
    // One timer tick: fresh figures for every row, then the sort again.
    void Refresh();
    // Sorts by a column (-1: list order) and shows it in the header.
    void SortBy(int column, Qt::SortOrder order);
    // The sort column (-1: list order) and direction, as the header shows them.
    int SortColumn() const;
    Qt::SortOrder SortOrder() const;

    int RowCount() const;
    // The item shown in a row of the view (in display order); null outside.
    ActivityItem* ItemAtRow(int viewRow) const;
    // The selected rows' items in display order.
    std::vector<ActivityItem*> SelectedItems() const;
    ActivityModel& Model() { return *model_; }

    // Opens the rename box over the row's Video cell.
    void StartRename(int viewRow);
    bool IsRenaming() const;
    QLineEdit* RenameEditor() const { return editor_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class OpKind { Add, Remove, Update };
    struct Op {
        OpKind kind;
        RefPtr<ActivityItem> item;
    };

    void Post(OpKind kind, ActivityItem* item);
    // Applies the recorded changes in order; user-interface thread only.
    void Flush();
    void PlaceEditor();
    // Ends the rename: hides the box and, when save is set, renames the item.
    void FinishRename(bool save);

    ActivityModel* model_;
    QSortFilterProxyModel* proxy_;
    ProgressDelegate* progressDelegate_;
    QThread* uiThread_;

    std::mutex pendingLock_;
    std::vector<Op> pending_;   // guarded by pendingLock_
    bool flushPosted_ = false;  // guarded by pendingLock_

    QLineEdit* editor_;
    RefPtr<ActivityItem> renamed_;
    std::wstring oldBase_;
    std::wstring oldExtension_;
    bool finishing_ = false;
};

}  // namespace talvex::ui
