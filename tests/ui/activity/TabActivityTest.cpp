// The Activity page driven through its widgets: buttons, sorting and its persistence, rename,
// Browse, and the queue's calls from a worker thread.
#include <QHeaderView>
#include <QLineEdit>
#include <QSortFilterProxyModel>
#include <QTest>
#include <QTimer>
#include <thread>

#include "ActivityUiFixture.h"
#include "ui/ActivityItemListCtrl.h"
#include "ui/ActivityModel.h"
#include "ui/CustomButton.h"
#include "ui/TabActivity.h"

namespace talvex::test {
namespace {

using ui::ActivityItemListCtrl;
using ui::ActivityModel;
using ui::TabActivity;

class TabActivityTest : public ActivityUiTest {
protected:
    void SetUp() override { tab = MakeTab(); }
    void TearDown() override {
        queue.StopAll();
        tab.reset();
    }
    std::unique_ptr<TabActivity> MakeTab() {
        auto page = std::make_unique<TabActivity>(queue, settings, strings, prompts);
        page->resize(640, 400);
        return page;
    }
    void Show() {
        tab->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(tab.get()));
    }
    ActivityItemListCtrl& List() { return tab->List(); }
    std::vector<ActivityItem*> Shown() {
        std::vector<ActivityItem*> out;
        for (int row = 0; row < List().RowCount(); ++row) {
            out.push_back(List().ItemAtRow(row));
        }
        return out;
    }
    QPoint CellCenter(int row, int column) {
        return List().visualRect(List().model()->index(row, column)).center();
    }
    void ClickHeader(int section) {
        QHeaderView* header = List().horizontalHeader();
        QTest::mouseClick(
            header->viewport(), Qt::LeftButton, {},
            QPoint(header->sectionViewportPosition(section) + 10, header->height() / 2));
    }
    void SelectRow(int row) {
        QTest::mouseClick(List().viewport(), Qt::LeftButton, {}, CellCenter(row, 0));
    }

    std::unique_ptr<TabActivity> tab;
};

TEST_F(TabActivityTest, StartsWithOnlyBrowseEnabledAndNamedButtons) {
    EXPECT_FALSE(tab->StartButton().isEnabled());
    EXPECT_FALSE(tab->PauseButton().isEnabled());
    EXPECT_FALSE(tab->StopButton().isEnabled());
    EXPECT_FALSE(tab->ClearButton().isEnabled());
    EXPECT_TRUE(tab->BrowseButton().isEnabled());
    EXPECT_EQ(tab->BrowseButton().accessibleName(), "Opens the file location");
    EXPECT_EQ(tab->BrowseButton().toolTip(), "Opens the file location");
    EXPECT_EQ(tab->RefreshTimer().interval(), 1000);
    EXPECT_TRUE(tab->RefreshTimer().isActive());
}

TEST_F(TabActivityTest, ClearWithoutSelectionRemovesEveryFinishedItem) {
    FigureItem* running = Add(ActivityKind::Download, L"run.flv", ActivityState::Running);
    Add(ActivityKind::Download, L"done.flv", ActivityState::Completed);
    Add(ActivityKind::Conversion, L"bad.mp3", ActivityState::Failed);
    Add(ActivityKind::Download, L"off.flv", ActivityState::Canceled);
    ASSERT_EQ(List().RowCount(), 4);
    tab->Refresh();
    EXPECT_TRUE(tab->ClearButton().isEnabled());
    EXPECT_FALSE(tab->StartButton().isEnabled());

    QTest::mouseClick(&tab->ClearButton(), Qt::LeftButton);
    EXPECT_EQ(Shown(), std::vector<ActivityItem*>{running});
    EXPECT_EQ(queue.Items().size(), 1u);
    EXPECT_FALSE(tab->ClearButton().isEnabled());
}

TEST_F(TabActivityTest, ButtonsFollowTheSelectionAndActOnIt) {
    Show();
    FigureItem* running = Add(ActivityKind::Download, L"run.flv", ActivityState::Running);
    FigureItem* done = Add(ActivityKind::Download, L"done.flv", ActivityState::Completed);

    SelectRow(0);  // a click updates the buttons
    EXPECT_TRUE(tab->PauseButton().isEnabled());
    EXPECT_TRUE(tab->StopButton().isEnabled());
    EXPECT_FALSE(tab->ClearButton().isEnabled()) << "the selected item has not finished";

    QTest::mouseClick(&tab->PauseButton(), Qt::LeftButton);
    EXPECT_EQ(running->state.load(), ActivityState::Paused);
    EXPECT_TRUE(tab->StartButton().isEnabled());
    EXPECT_FALSE(tab->PauseButton().isEnabled());

    QTest::mouseClick(&tab->StartButton(), Qt::LeftButton);
    EXPECT_EQ(running->state.load(), ActivityState::Running);

    // Clear with a selection removes only the selected finished items.
    QTest::keyClick(&List(), Qt::Key_A, Qt::ControlModifier);
    ASSERT_EQ(List().SelectedItems(), (std::vector<ActivityItem*>{running, done}));
    QTest::mouseClick(&tab->ClearButton(), Qt::LeftButton);
    EXPECT_EQ(Shown(), std::vector<ActivityItem*>{running});
    EXPECT_FALSE(queue.Contains(done));
}

TEST_F(TabActivityTest, HeaderClicksSortAndRefreshKeepsTheOrder) {
    Show();
    FigureItem* mid = Add(ActivityKind::Download, L"B.flv", ActivityState::Running);
    FigureItem* big = Add(ActivityKind::Download, L"c.flv", ActivityState::Running);
    FigureItem* small = Add(ActivityKind::Download, L"a.flv", ActivityState::Running);
    mid->sizeMB = 10.0;
    big->sizeMB = 200.0;
    small->sizeMB = 2.0;
    tab->Refresh();
    EXPECT_EQ(List().SortColumn(), -1);
    EXPECT_EQ(Shown(), (std::vector<ActivityItem*>{mid, big, small})) << "queue order";

    ClickHeader(ActivityModel::kSize);
    EXPECT_EQ(Shown(), (std::vector<ActivityItem*>{small, mid, big}));
    ClickHeader(ActivityModel::kSize);
    EXPECT_EQ(List().SortOrder(), Qt::DescendingOrder);
    EXPECT_EQ(Shown(), (std::vector<ActivityItem*>{big, mid, small}));

    // New figures move the rows at the next tick; the selection stays with its item.
    SelectRow(2);
    ASSERT_EQ(List().SelectedItems(), std::vector<ActivityItem*>{small});
    small->sizeMB = 500.0;
    tab->Refresh();
    EXPECT_EQ(Shown(), (std::vector<ActivityItem*>{small, big, mid}));
    EXPECT_EQ(List().SelectedItems(), std::vector<ActivityItem*>{small});

    // Text columns ignore case.
    ClickHeader(ActivityModel::kVideo);
    EXPECT_EQ(Shown(), (std::vector<ActivityItem*>{small, mid, big}));
}

TEST_F(TabActivityTest, SortSurvivesARestartThroughItsOddCode) {
    List().SortBy(ActivityModel::kSize, Qt::DescendingOrder);
    tab->SaveSortColumn();
    EXPECT_EQ(settings.GetActivitySortColumn(), L"Progress|Desc");
    tab = MakeTab();
    EXPECT_EQ(List().SortColumn(), ActivityModel::kSize);
    EXPECT_EQ(List().SortOrder(), Qt::DescendingOrder);
    EXPECT_EQ(List().horizontalHeader()->sortIndicatorSection(), ActivityModel::kSize);

    List().SortBy(ActivityModel::kEta, Qt::AscendingOrder);
    tab->SaveSortColumn();
    EXPECT_EQ(settings.GetActivitySortColumn(), L"Video|Asc");
    tab = MakeTab();
    EXPECT_EQ(List().SortColumn(), ActivityModel::kVideo);
    EXPECT_EQ(List().SortOrder(), Qt::AscendingOrder);

    // An unsorted list writes nothing, so the stored order stays.
    settings.SetString(setting::kActivitySortCol, L"junk");
    tab = MakeTab();
    EXPECT_EQ(List().SortColumn(), -1);
    tab->SaveSortColumn();
    EXPECT_EQ(settings.GetActivitySortColumn(), L"junk");
}

TEST_F(TabActivityTest, RenameCommitsWithEnterAndCancelsWithEscape) {
    Show();
    FigureItem* item = Add(ActivityKind::Download, L"old name.flv", ActivityState::Completed);
    Add(ActivityKind::Download, L"other.flv", ActivityState::Completed);
    SelectRow(0);
    QTest::keyClick(&List(), Qt::Key_F2);
    QLineEdit* editor = List().RenameEditor();
    ASSERT_TRUE(editor->isVisible());
    EXPECT_EQ(editor->text(), "old name");
    EXPECT_EQ(editor->selectedText(), "old name");
    EXPECT_EQ(editor->maxLength(), 260);
    EXPECT_EQ(editor->geometry().top(), List().visualRect(List().model()->index(0, 0)).top());

    editor->setText("  new: name?  ");
    QTest::keyClick(editor, Qt::Key_Escape);
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(item->name, L"old name.flv");
    EXPECT_EQ(item->renames, 0);

    QTest::keyClick(&List(), Qt::Key_F2);
    editor->setText("  new: name?  ");
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(item->name, L"new_ name_.flv");
    EXPECT_EQ(List().model()->index(0, 0).data().toString(), "new_ name_.flv");

    // Blank, or the same base name: nothing to do.
    for (const char* typed : {"   ", "new_ name_"}) {
        QTest::keyClick(&List(), Qt::Key_F2);
        editor->setText(typed);
        QTest::keyClick(editor, Qt::Key_Enter);
    }
    EXPECT_EQ(item->renames, 1);
}

TEST_F(TabActivityTest, DoubleClickRenamesThatRowAndFocusLossCommits) {
    Show();
    tab->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(tab.get()));
    Add(ActivityKind::Download, L"first.flv", ActivityState::Completed);
    FigureItem* second = Add(ActivityKind::Conversion, L"no extension", ActivityState::Running);
    QTest::mouseDClick(List().viewport(), Qt::LeftButton, {}, CellCenter(1, 0));
    QLineEdit* editor = List().RenameEditor();
    ASSERT_TRUE(editor->isVisible());
    ASSERT_TRUE(editor->hasFocus());
    EXPECT_EQ(editor->text(), "no extension");
    editor->setText("renamed");
    tab->BrowseButton().setFocus();
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(second->name, L"renamed");
}

TEST_F(TabActivityTest, RemovingTheRowBeingRenamedCancelsTheRename) {
    Show();
    FigureItem* item = Add(ActivityKind::Download, L"done.flv", ActivityState::Completed);
    SelectRow(0);
    QTest::keyClick(&List(), Qt::Key_F2);
    List().RenameEditor()->setText("changed");
    queue.ClearFinished();
    EXPECT_FALSE(List().IsRenaming());
    EXPECT_FALSE(List().RenameEditor()->isVisible());
    EXPECT_EQ(item->renames, 0);
}

TEST_F(TabActivityTest, BrowseOpensTheCompletedItemsFolderElseTheDownloadFolder) {
    Show();
    const auto downloads = home.Root() / "downloads";
    const auto videos = home.Root() / "videos";
    WriteFileBytes(videos / "clip.flv", "x");
    std::filesystem::create_directories(downloads);
    settings.SetString(setting::kDownloadDirectory, downloads.wstring());
    const QUrl downloadUrl = QUrl::fromLocalFile(QString::fromStdWString(downloads.wstring()));
    const QUrl videoUrl = QUrl::fromLocalFile(QString::fromStdWString(videos.wstring()));

    FigureItem* done = Add(ActivityKind::Download, L"clip.flv", ActivityState::Completed);
    done->SetOutputPath((videos / "clip.flv").wstring());
    FigureItem* gone = Add(ActivityKind::Download, L"gone.flv", ActivityState::Completed);
    gone->SetOutputPath((videos / "gone.flv").wstring());
    FigureItem* running = Add(ActivityKind::Download, L"run.flv", ActivityState::Running);
    running->SetOutputPath(done->OutputPath());

    tab->OnBrowse();  // nothing selected
    SelectRow(0);
    QTest::mouseClick(&tab->BrowseButton(), Qt::LeftButton);
    SelectRow(1);  // its file is missing
    tab->OnBrowse();
    SelectRow(2);  // not completed
    tab->OnBrowse();
    List().selectAll();  // more than one
    tab->OnBrowse();
    EXPECT_EQ(prompts.opened,
              (std::vector<QUrl>{downloadUrl, videoUrl, downloadUrl, downloadUrl, downloadUrl}));
}

TEST_F(TabActivityTest, TimerRefreshesOnlyAVisiblePage) {
    FigureItem* item = Add(ActivityKind::Download, L"a.flv", ActivityState::Running);
    item->Figures(5, 10.0, 10);
    tab->RefreshTimer().setInterval(5);
    QTest::qWait(50);
    EXPECT_EQ(item->progressCalls, 0);
    Show();
    QTRY_VERIFY(item->progressCalls > 0);
    EXPECT_EQ(List().model()->index(0, ActivityModel::kProgress).data().toString(), "  5%");
}

TEST_F(TabActivityTest, WorkerCallsReachTheListThroughTheEventLoop) {
    talvex::testing::g_liveItems = 0;
    // An item whose only other reference is dropped right after the call.
    std::thread worker([this] {
        RefPtr<FigureItem> item(new FigureItem(ActivityKind::Download, L"from worker.flv"));
        List().AddItem(item.get());
    });
    worker.join();
    EXPECT_EQ(List().RowCount(), 0) << "nothing is touched off the user-interface thread";
    EXPECT_EQ(talvex::testing::g_liveItems.load(), 1) << "the pending call keeps the item";
    QCoreApplication::processEvents();
    ASSERT_EQ(List().RowCount(), 1);
    EXPECT_EQ(List().model()->index(0, 0).data().toString(), "from worker.flv");

    // Through the real queue: added, finished and cleared before the list saw any of it.
    auto* dropped = new FigureItem(ActivityKind::Download, L"dropped.flv");
    std::thread queueWorker([this, dropped] {
        queue.Add(dropped);
        dropped->state = ActivityState::Completed;
        queue.ClearFinished();
    });
    queueWorker.join();
    EXPECT_EQ(talvex::testing::g_liveItems.load(), 2);
    QCoreApplication::processEvents();
    EXPECT_EQ(List().RowCount(), 1);
    EXPECT_EQ(talvex::testing::g_liveItems.load(), 1) << "freed once its row went";

    // On the user-interface thread the row appears at once.
    Add(ActivityKind::Download, L"direct.flv", ActivityState::Queued);
    EXPECT_EQ(List().RowCount(), 2);
}

TEST_F(TabActivityTest, ItemsQueuedBeforeThePageExistedAreListedOnce) {
    tab.reset();
    FigureItem* early = Add(ActivityKind::Download, L"early.flv", ActivityState::Running);
    tab = MakeTab();
    FigureItem* late = Add(ActivityKind::Download, L"late.flv", ActivityState::Queued);
    EXPECT_EQ(Shown(), (std::vector<ActivityItem*>{early, late}));
}

TEST_F(TabActivityTest, DestroyedPageNoLongerObservesTheQueue) {
    tab.reset();
    Add(ActivityKind::Download, L"after.flv", ActivityState::Queued);  // must not crash
    EXPECT_EQ(queue.Items().size(), 1u);
}

}  // namespace
}  // namespace talvex::test
