#include "ui/ActivityModel.h"

#include <algorithm>

#include "activity/ActivityTexts.h"
#include "app/StringTable.h"

namespace talvex::ui {

namespace {

QString Q(const std::wstring& text) {
    return QString::fromStdWString(text);
}

struct HeaderText {
    const wchar_t* key;
    const wchar_t* builtIn;
};

constexpr std::array<HeaderText, ActivityModel::kColumnCount> kHeaders = {{
    {L"grid.column.name.video", L"Video"},
    {L"grid.column.name.filesize", L"Size"},
    {L"grid.column.name.progress", L"Progress"},
    {L"grid.column.name.speed", L"Speed"},
    {L"grid.column.name.status", L"Status"},
    {L"grid.column.name.eta", L"ETA"},
}};

}  // namespace

ActivityModel::ActivityModel(const StringTable* strings, QObject* parent)
    : QAbstractTableModel(parent), strings_(strings) {
    ApplyLanguage();
}

int ActivityModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ActivityModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant ActivityModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= kColumnCount) {
        return {};
    }
    const Row& row = rows_[static_cast<size_t>(index.row())];
    const int column = index.column();
    switch (role) {
        case Qt::DisplayRole:
            return row.texts[static_cast<size_t>(column)];
        case Qt::ToolTipRole:
            return row.texts[kVideo];
        case PercentRole:
            return row.percent;
        case KindRole:
            return static_cast<int>(row.item->kind);
        case SortRole:
            switch (column) {
                case kSize:
                    return row.sizeMB;
                case kProgress:
                    return row.lastPercent;
                case kSpeed:
                    return row.lastSpeed;
                case kEta:
                    return row.lastSecondsLeft;
                case kStatus:
                    return row.stateKey;
                default:
                    return row.nameKey;
            }
        default:
            return {};
    }
}

QVariant ActivityModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    switch (role) {
        case Qt::DisplayRole:
            return headers_[static_cast<size_t>(section)];
        case Qt::FontRole:
            return hasHeaderFont_ ? QVariant(headerFont_) : QVariant();
        case Qt::InitialSortOrderRole:
            // A first click on a header sorts ascending, whatever the style prefers.
            return static_cast<int>(Qt::AscendingOrder);
        default:
            return {};
    }
}

void ActivityModel::ApplyLanguage() {
    for (size_t i = 0; i < kHeaders.size(); ++i) {
        headers_[i] = strings_ ? Q(strings_->GetText(kHeaders[i].key, kHeaders[i].builtIn))
                               : QString::fromWCharArray(kHeaders[i].builtIn);
    }
    emit headerDataChanged(Qt::Horizontal, 0, kColumnCount - 1);
}

void ActivityModel::SetHeaderFont(const QFont& font) {
    headerFont_ = font;
    hasHeaderFont_ = true;
    emit headerDataChanged(Qt::Horizontal, 0, kColumnCount - 1);
}

void ActivityModel::ReadSortKeys(Row& row) const {
    int32_t percent = 0;
    double speed = 0.0;
    int32_t secondsLeft = -1;
    row.item->GetLastProgress(percent, speed, secondsLeft);
    row.lastPercent = percent;
    row.lastSpeed = speed;
    row.lastSecondsLeft = secondsLeft;
    row.sizeMB = row.item->sizeMB.load();
}

void ActivityModel::AddItem(const RefPtr<ActivityItem>& item) {
    if (!item || RowOf(item.get()) >= 0) {
        return;
    }
    Row row;
    row.item = item;
    ReadSortKeys(row);
    row.percent = row.lastPercent;
    row.texts[kVideo] = Q(item->GetFileName());
    row.texts[kSize] = Q(activity_text::Size(strings_, row.sizeMB));
    row.texts[kProgress] = Q(activity_text::Progress(row.percent));
    row.texts[kSpeed] = Q(activity_text::Speed(strings_, row.lastSpeed));
    row.state = item->state.load();
    row.texts[kStatus] = Q(activity_text::State(strings_, item->kind, row.state));
    row.texts[kEta] = Q(activity_text::TimeLeft(strings_, row.lastSecondsLeft));
    row.nameKey = row.texts[kVideo].toCaseFolded();
    row.stateKey = row.texts[kStatus].toCaseFolded();

    const int at = rowCount();
    beginInsertRows(QModelIndex(), at, at);
    rows_.push_back(std::move(row));
    endInsertRows();
}

void ActivityModel::RemoveItem(const ActivityItem* item) {
    const int at = RowOf(item);
    if (at < 0) {
        return;
    }
    beginRemoveRows(QModelIndex(), at, at);
    // The reference goes after the row has left the model, so nothing can see a freed item.
    RefPtr<ActivityItem> keep = std::move(rows_[static_cast<size_t>(at)].item);
    rows_.erase(rows_.begin() + at);
    endRemoveRows();
}

void ActivityModel::UpdateItem(const ActivityItem* item) {
    const int at = RowOf(item);
    if (at < 0) {
        return;
    }
    Row& row = rows_[static_cast<size_t>(at)];
    ActivityState state = ActivityState::Created;
    int32_t percent = 0;
    double speed = 0.0;
    int32_t secondsLeft = -1;
    if (!row.item->GetStatus(state, percent, speed, secondsLeft)) {
        return;
    }
    ReadSortKeys(row);
    const bool running = state == ActivityState::Running;
    Texts texts;
    texts[kVideo] = Q(row.item->GetFileName());
    texts[kSize] = Q(activity_text::Size(strings_, row.sizeMB));
    texts[kProgress] = Q(activity_text::Progress(percent));
    texts[kSpeed] =
        running && row.item->IsDownload() ? Q(activity_text::Speed(strings_, speed)) : QString();
    texts[kStatus] = Q(activity_text::State(strings_, row.item->kind, state));
    texts[kEta] = running ? Q(activity_text::TimeLeft(strings_, secondsLeft)) : QString();
    Apply(at, texts, percent);
    NoteState(row, state);
}

void ActivityModel::NoteState(Row& row, ActivityState state) {
    const auto ended = [](ActivityState s) {
        return s == ActivityState::Completed || s == ActivityState::Failed;
    };
    const bool endedNow = ended(state) && !ended(row.state) && state != row.state;
    row.state = state;
    if (endedNow) {
        emit itemEnded(Q(row.item->GetFileName()), row.item->IsDownload(),
                       state == ActivityState::Completed);
    }
}

void ActivityModel::Refresh() {
    for (int i = 0; i < rowCount(); ++i) {
        RefreshRow(i);
    }
}

void ActivityModel::WatchStates() {
    for (Row& row : rows_) {
        NoteState(row, row.item->state.load());
    }
}

bool ActivityModel::RefreshRow(int at) {
    if (at < 0 || at >= rowCount()) {
        return false;
    }
    Row& row = rows_[static_cast<size_t>(at)];
    ActivityState state = ActivityState::Created;
    int32_t percent = 0;
    double speed = 0.0;
    int32_t secondsLeft = -1;
    if (!row.item->GetStatus(state, percent, speed, secondsLeft)) {
        return false;
    }
    ReadSortKeys(row);
    static const QString kNoFigure = QStringLiteral("--");
    Texts texts;
    texts[kVideo] = Q(row.item->GetFileName());
    texts[kSize] = Q(activity_text::Size(strings_, row.sizeMB));
    texts[kProgress] = Q(activity_text::Progress(percent));
    texts[kStatus] = Q(activity_text::State(strings_, row.item->kind, state));
    texts[kSpeed] = kNoFigure;
    texts[kEta] = kNoFigure;
    if (state == ActivityState::Running) {
        texts[kSpeed] =
            row.item->IsDownload() ? Q(activity_text::Speed(strings_, speed)) : QString();
        texts[kEta] = Q(activity_text::TimeLeft(strings_, secondsLeft));
    } else if (state == ActivityState::Completed || state == ActivityState::Failed) {
        texts[kSpeed].clear();
        texts[kEta].clear();
    }
    Apply(at, texts, percent);
    NoteState(row, state);
    return true;
}

void ActivityModel::Apply(int at, const Texts& texts, int percent) {
    Row& row = rows_[static_cast<size_t>(at)];
    std::array<bool, kColumnCount> changed{};
    for (size_t c = 0; c < texts.size(); ++c) {
        if (c == static_cast<size_t>(kProgress)) {
            // The bar is drawn from the same capped percentage as the text.
            changed[c] = row.texts[c] != texts[c];
        } else {
            changed[c] = row.texts[c].compare(texts[c], Qt::CaseInsensitive) != 0;
        }
        if (changed[c]) {
            row.texts[c] = texts[c];
        }
    }
    row.percent = percent;
    if (changed[kVideo]) {
        row.nameKey = row.texts[kVideo].toCaseFolded();
    }
    if (changed[kStatus]) {
        row.stateKey = row.texts[kStatus].toCaseFolded();
    }
    for (int c = 0; c < kColumnCount;) {
        if (!changed[static_cast<size_t>(c)]) {
            ++c;
            continue;
        }
        int last = c;
        while (last + 1 < kColumnCount && changed[static_cast<size_t>(last + 1)]) {
            ++last;
        }
        emit dataChanged(index(at, c), index(at, last));
        c = last + 1;
    }
}

int ActivityModel::RowOf(const ActivityItem* item) const {
    if (!item) {
        return -1;
    }
    for (size_t i = 0; i < rows_.size(); ++i) {
        if (rows_[i].item.get() == item) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

ActivityItem* ActivityModel::ItemAt(int row) const {
    return row >= 0 && row < rowCount() ? rows_[static_cast<size_t>(row)].item.get() : nullptr;
}

}  // namespace talvex::ui
