#pragma once
// The rows of the Activity list: one per queued item, in queue order. Each row keeps a
// reference to its item, so an item the queue has already dropped stays valid until its row is
// removed, and caches the texts it shows and the figures it sorts by. Refresh pulls fresh
// figures from every item and signals only the cells whose text really changed.
#include <QAbstractTableModel>
#include <QFont>
#include <QString>
#include <array>
#include <vector>

#include "activity/ActivityItem.h"
#include "app/threads/RefPtr.h"

namespace talvex {
class StringTable;
}

namespace talvex::ui {

class ActivityModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column : int { kVideo = 0, kSize, kProgress, kSpeed, kStatus, kEta, kColumnCount };
    enum Role : int {
        // Numbers for Size, Progress, Speed and ETA; case-folded text for Video and Status.
        SortRole = Qt::UserRole + 1,
        PercentRole,  // int: the shown percentage (Progress column's bar)
        KindRole,     // int: the item's ActivityKind
    };

    // strings may be null (the built-in English texts); it must outlive the model.
    explicit ActivityModel(const StringTable* strings, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Header texts from the string table.
    void ApplyLanguage();
    // The headers are shown in this font (the list passes its header's font made bold).
    void SetHeaderFont(const QFont& font);

    // Appends a row showing the item's name, state, size and its stored last figures.
    void AddItem(const RefPtr<ActivityItem>& item);
    void RemoveItem(const ActivityItem* item);
    // Re-reads one row from GetStatus; speed and time left stay empty unless the item runs.
    void UpdateItem(const ActivityItem* item);
    // One timer tick over every row (rows whose item fails GetStatus are left as they are).
    void Refresh();
    // The refresh of one row; false when its item failed to report.
    bool RefreshRow(int row);
    // Only looks for items that have just ended (while the list is not shown, the figures are
    // not refreshed, but ended work is still announced).
    void WatchStates();

    int RowOf(const ActivityItem* item) const;
    ActivityItem* ItemAt(int row) const;

signals:
    // A row's item has just turned Completed or Failed (seen at a refresh; an item listed
    // already ended does not count).
    void itemEnded(const QString& fileName, bool isDownload, bool completed);

private:
    using Texts = std::array<QString, kColumnCount>;
    struct Row {
        RefPtr<ActivityItem> item;
        Texts texts;
        // Case-folded Video and Status texts, made once per change rather than per comparison.
        QString nameKey;
        QString stateKey;
        int percent = 0;                               // as shown (from GetStatus)
        ActivityState state = ActivityState::Created;  // as last read
        // Sort keys: the item's size and its stored last figures.
        double sizeMB = 0.0;
        int lastPercent = 0;
        double lastSpeed = 0.0;
        int lastSecondsLeft = -1;
    };

    void ReadSortKeys(Row& row) const;
    // Keeps the state read for a row; signals itemEnded when it has just ended.
    void NoteState(Row& row, ActivityState state);
    // Writes the texts that differ (ignoring case) and the percentage, then signals each run of
    // adjacent changed cells once.
    void Apply(int row, const Texts& texts, int percent);

    const StringTable* strings_;
    std::vector<Row> rows_;
    std::array<QString, kColumnCount> headers_;
    QFont headerFont_;
    bool hasHeaderFont_ = false;
};

}  // namespace talvex::ui
