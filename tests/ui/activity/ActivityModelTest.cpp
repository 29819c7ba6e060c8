// The rows of the Activity list: the texts per state and what a refresh signals.
#include <QSignalSpy>

#include "ActivityUiFixture.h"
#include "ui/ActivityModel.h"

namespace talvex::test {
namespace {

using ui::ActivityModel;

class ActivityModelTest : public ActivityUiTest {
protected:
    QString Cell(int row, int column) { return model.data(model.index(row, column)).toString(); }
    // The rectangles signalled since the spy started, as (row, first column, last column).
    std::vector<std::array<int, 3>> Changes(QSignalSpy& spy) {
        std::vector<std::array<int, 3>> out;
        for (const auto& args : spy) {
            const auto from = args.at(0).value<QModelIndex>();
            const auto to = args.at(1).value<QModelIndex>();
            EXPECT_EQ(from.row(), to.row());
            out.push_back({from.row(), from.column(), to.column()});
        }
        return out;
    }

    ActivityModel model{nullptr};
};

TEST_F(ActivityModelTest, RefreshTextsFollowTheState) {
    FigureItem* download = Make(ActivityKind::Download, L"a.flv", ActivityState::Running);
    download->Figures(42, 1048575.0, 3599);
    download->sizeMB = 2.5;
    FigureItem* conversion = Make(ActivityKind::Conversion, L"b.mp4", ActivityState::Running);
    conversion->Figures(7, 5000.0, 59);
    FigureItem* queued = Make(ActivityKind::Download, L"c.flv", ActivityState::Queued);
    FigureItem* paused = Make(ActivityKind::Download, L"d.flv", ActivityState::Paused);
    paused->Figures(50, 100.0, 10);
    FigureItem* done = Make(ActivityKind::Download, L"e.flv", ActivityState::Completed);
    done->Figures(100, 100.0, 0);
    FigureItem* failed = Make(ActivityKind::Conversion, L"f.mp3", ActivityState::Failed);
    for (FigureItem* item : {download, conversion, queued, paused, done, failed}) {
        model.AddItem(RefPtr<ActivityItem>(item));
    }
    model.Refresh();

    EXPECT_EQ(Cell(0, ActivityModel::kVideo), "a.flv");
    EXPECT_EQ(Cell(0, ActivityModel::kSize), "3 MB");
    EXPECT_EQ(Cell(0, ActivityModel::kProgress), " 42%");
    EXPECT_EQ(Cell(0, ActivityModel::kSpeed), "1024.00 KB/s");
    EXPECT_EQ(Cell(0, ActivityModel::kStatus), "Downloading");
    EXPECT_EQ(Cell(0, ActivityModel::kEta), "59m 59s");

    EXPECT_EQ(Cell(1, ActivityModel::kSpeed), "");  // a conversion shows no speed
    EXPECT_EQ(Cell(1, ActivityModel::kStatus), "Converting");
    EXPECT_EQ(Cell(1, ActivityModel::kEta), "59s");

    for (int row : {2, 3}) {
        EXPECT_EQ(Cell(row, ActivityModel::kSpeed), "--") << row;
        EXPECT_EQ(Cell(row, ActivityModel::kEta), "--") << row;
    }
    EXPECT_EQ(Cell(2, ActivityModel::kStatus), "Queued");
    EXPECT_EQ(Cell(3, ActivityModel::kStatus), "Paused");
    EXPECT_EQ(Cell(3, ActivityModel::kProgress), " 50%");
    for (int row : {4, 5}) {
        EXPECT_EQ(Cell(row, ActivityModel::kSpeed), "") << row;
        EXPECT_EQ(Cell(row, ActivityModel::kEta), "") << row;
    }
    EXPECT_EQ(Cell(4, ActivityModel::kStatus), "Completed");
    EXPECT_EQ(Cell(5, ActivityModel::kStatus), "Failed");
    EXPECT_EQ(model.data(model.index(0, 3), Qt::ToolTipRole).toString(), "a.flv");
}

TEST_F(ActivityModelTest, AddShowsTheStoredFiguresWhateverTheState) {
    FigureItem* item = Make(ActivityKind::Download, L"x.flv", ActivityState::Queued);
    item->percent = 130;
    item->speed = 1048576.0;
    item->secondsLeft = 90061;  // one day, one hour, one minute, one second
    item->sizeMB = 0.5;
    model.AddItem(RefPtr<ActivityItem>(item));
    model.AddItem(RefPtr<ActivityItem>(item));  // the same item twice makes one row

    ASSERT_EQ(model.rowCount(), 1);
    EXPECT_EQ(Cell(0, ActivityModel::kSpeed), "1.00 MB/s");
    EXPECT_EQ(Cell(0, ActivityModel::kEta), "25h 1m");
    EXPECT_EQ(Cell(0, ActivityModel::kSize), "0.50 MB");
    EXPECT_EQ(Cell(0, ActivityModel::kProgress), "100%");
    EXPECT_EQ(Cell(0, ActivityModel::kStatus), "Queued");
    EXPECT_EQ(item->progressCalls, 0);  // no fresh figures asked for
}

TEST_F(ActivityModelTest, UpdateItemLeavesFiguresEmptyUnlessRunning) {
    FigureItem* item = Make(ActivityKind::Download, L"x.flv", ActivityState::Paused);
    item->Figures(30, 2048.0, 5);
    model.AddItem(RefPtr<ActivityItem>(item));
    model.UpdateItem(item);
    EXPECT_EQ(Cell(0, ActivityModel::kSpeed), "");
    EXPECT_EQ(Cell(0, ActivityModel::kEta), "");
    item->state = ActivityState::Running;
    model.UpdateItem(item);
    EXPECT_EQ(Cell(0, ActivityModel::kSpeed), "2.00 KB/s");
    EXPECT_EQ(Cell(0, ActivityModel::kEta), "5s");
}

TEST_F(ActivityModelTest, RefreshSignalsOnlyChangedCellsInRuns) {
    FigureItem* first = Make(ActivityKind::Download, L"one.flv", ActivityState::Running);
    first->Figures(10, 2048.0, 100);
    FigureItem* second = Make(ActivityKind::Download, L"two.flv", ActivityState::Running);
    second->Figures(20, 4096.0, 200);
    model.AddItem(RefPtr<ActivityItem>(first));
    model.AddItem(RefPtr<ActivityItem>(second));
    model.Refresh();

    QSignalSpy spy(&model, &QAbstractItemModel::dataChanged);
    model.Refresh();
    EXPECT_EQ(spy.count(), 0) << "nothing changed";

    // Percent and speed change: columns 2 and 3 are adjacent, so one signal for both.
    second->Figures(21, 8192.0, 200);
    model.Refresh();
    EXPECT_EQ(Changes(spy), (std::vector<std::array<int, 3>>{{1, 2, 3}}));
    spy.clear();

    // A change of case only is no change; the size and time left are apart: two signals.
    first->name = L"ONE.FLV";
    first->sizeMB = 3.0;
    first->Figures(10, 2048.0, 30);
    model.Refresh();
    EXPECT_EQ(Changes(spy), (std::vector<std::array<int, 3>>{{0, 1, 1}, {0, 5, 5}}));
    EXPECT_EQ(Cell(0, ActivityModel::kVideo), "one.flv");
    spy.clear();

    // A row whose item cannot report keeps its texts; the others still refresh.
    first->failFigures = true;
    first->Figures(99, 1.0, 1);
    second->state = ActivityState::Completed;
    model.Refresh();
    EXPECT_EQ(Changes(spy), (std::vector<std::array<int, 3>>{{1, 3, 5}}));
    EXPECT_EQ(Cell(0, ActivityModel::kProgress), " 10%");
}

TEST_F(ActivityModelTest, SortKeysAreTheLastFigures) {
    FigureItem* item = Make(ActivityKind::Conversion, L"Clip.MP4", ActivityState::Running);
    item->Figures(64, 1500.5, 77);
    item->sizeMB = 12.25;
    model.AddItem(RefPtr<ActivityItem>(item));
    model.Refresh();
    const auto key = [&](int column) {
        return model.data(model.index(0, column), ActivityModel::SortRole);
    };
    EXPECT_EQ(key(ActivityModel::kVideo).toString(), "clip.mp4");
    EXPECT_DOUBLE_EQ(key(ActivityModel::kSize).toDouble(), 12.25);
    EXPECT_EQ(key(ActivityModel::kProgress).toInt(), 64);
    EXPECT_DOUBLE_EQ(key(ActivityModel::kSpeed).toDouble(), 1500.5);
    EXPECT_EQ(key(ActivityModel::kStatus).toString(), "converting");
    EXPECT_EQ(key(ActivityModel::kEta).toInt(), 77);
}

TEST_F(ActivityModelTest, RemovedRowKeepsNoReference) {
    talvex::testing::g_liveItems = 0;
    {
        RefPtr<FigureItem> item(new FigureItem(ActivityKind::Download, L"gone.flv"));
        model.AddItem(item);
        EXPECT_EQ(item->RefCount(), 2);
        model.RemoveItem(item.get());
        EXPECT_EQ(item->RefCount(), 1);
    }
    EXPECT_EQ(talvex::testing::g_liveItems.load(), 0);
    EXPECT_EQ(model.rowCount(), 0);
}

TEST_F(ActivityModelTest, HeadersAreBoldAndLocalized) {
    QFont font;
    font.setWeight(QFont::Bold);
    model.SetHeaderFont(font);
    EXPECT_EQ(model.headerData(5, Qt::Horizontal).toString(), "ETA");
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), "Size");
    EXPECT_GE(model.headerData(0, Qt::Horizontal, Qt::FontRole).value<QFont>().weight(),
              QFont::Bold);
}

}  // namespace
}  // namespace talvex::test
