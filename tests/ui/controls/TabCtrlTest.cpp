// CSimpleTabCtrl: titles, selection, the parent's veto, keyboard and the remembered focus.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include "ui/CSimpleTabCtrl.h"

namespace talvex::ui {
namespace {

class TabCtrlTest : public ::testing::Test {
protected:
    void SetUp() override {
        window_.resize(420, 300);
        tabs_ = new CSimpleTabCtrl(&window_);
        tabs_->setGeometry(10, 10, 400, 280);
        for (const char* title : {"Download", "Convert", "Activity"}) {
            auto* page = new QWidget;
            auto* layout = new QVBoxLayout(page);
            auto* first = new QLineEdit(page);
            auto* second = new QLineEdit(page);
            layout->addWidget(first);
            layout->addWidget(second);
            edits_.push_back({first, second});
            tabs_->AddTab(page, QString::fromLatin1(title));
        }
        window_.show();
        window_.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
    }

    QWidget window_;
    CSimpleTabCtrl* tabs_ = nullptr;
    std::vector<std::pair<QLineEdit*, QLineEdit*>> edits_;
};

TEST_F(TabCtrlTest, FirstPageAddedIsSelectedAndPagesFillTheRestOfTheControl) {
    EXPECT_EQ(tabs_->CurrentIndex(), 0);
    EXPECT_TRUE(tabs_->Page(0)->isVisible());
    EXPECT_FALSE(tabs_->Page(1)->isVisible());
    const int margin = CSimpleTabCtrl::kPageMargin;
    EXPECT_EQ(tabs_->Page(0)->geometry(),
              QRect(margin, CSimpleTabCtrl::kHeaderHeight, 400 - 2 * margin,
                    280 - CSimpleTabCtrl::kHeaderHeight - margin));
}

TEST_F(TabCtrlTest, SetTabTitleWithABadIndexOrAnEmptyTitleChangesNothing) {
    const QRect before = tabs_->TabRect(2);
    tabs_->SetTabTitle(3, QStringLiteral("Play"));
    tabs_->SetTabTitle(-1, QStringLiteral("Play"));
    tabs_->SetTabTitle(1, QString());
    EXPECT_EQ(tabs_->TabTitle(0), QStringLiteral("Download"));
    EXPECT_EQ(tabs_->TabTitle(1), QStringLiteral("Convert"));
    EXPECT_EQ(tabs_->TabTitle(2), QStringLiteral("Activity"));
    EXPECT_TRUE(tabs_->TabTitle(3).isEmpty());
    EXPECT_EQ(tabs_->TabRect(2), before);

    tabs_->SetTabTitle(1, QStringLiteral("Convert video files"));
    EXPECT_EQ(tabs_->TabTitle(1), QStringLiteral("Convert video files"));
    EXPECT_GT(tabs_->TabRect(2).left(), before.left());
}

TEST_F(TabCtrlTest, SelectingTheSelectedTabAgainNotifiesNobody) {
    int asked = 0;
    tabs_->SetConfirmTabChange([&](int, int) {
        ++asked;
        return true;
    });
    QSignalSpy changed(tabs_, &CSimpleTabCtrl::currentChanged);
    tabs_->SelectTab(0);
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(changed.count(), 0);

    tabs_->SelectTab(2);
    EXPECT_EQ(asked, 1);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).toInt(), 2);
}

TEST_F(TabCtrlTest, RefusedChangeKeepsTheOldPageShown) {
    std::vector<std::pair<int, int>> asked;
    tabs_->SetConfirmTabChange([&](int from, int to) {
        asked.emplace_back(from, to);
        return false;
    });
    QSignalSpy changed(tabs_, &CSimpleTabCtrl::currentChanged);
    tabs_->SelectTab(1);
    EXPECT_EQ(asked, (std::vector<std::pair<int, int>>{{0, 1}}));
    EXPECT_EQ(tabs_->CurrentIndex(), 0);
    EXPECT_TRUE(tabs_->Page(0)->isVisible());
    EXPECT_FALSE(tabs_->Page(1)->isVisible());
    EXPECT_EQ(changed.count(), 0);
}

TEST_F(TabCtrlTest, ArrowsOnTheStripWrapAroundAndKeepTheFocusThere) {
    tabs_->setFocus();
    QTest::keyClick(tabs_, Qt::Key_Left);
    EXPECT_EQ(tabs_->CurrentIndex(), 2);
    EXPECT_TRUE(tabs_->Page(2)->isVisible());
    EXPECT_TRUE(tabs_->hasFocus());
    QTest::keyClick(tabs_, Qt::Key_Right);
    EXPECT_EQ(tabs_->CurrentIndex(), 0);
    QTest::keyClick(tabs_, Qt::Key_Right);
    EXPECT_EQ(tabs_->CurrentIndex(), 1);
}

TEST_F(TabCtrlTest, PrintableKeySelectsTheFirstTabButTabMovesTheFocusOn) {
    tabs_->SelectTab(2);
    tabs_->setFocus();
    QTest::keyClick(tabs_, Qt::Key_X);
    EXPECT_EQ(tabs_->CurrentIndex(), 0);

    QTest::keyClick(tabs_, Qt::Key_Tab);
    EXPECT_EQ(tabs_->CurrentIndex(), 0);
    EXPECT_EQ(QApplication::focusWidget(), edits_[0].first);
}

TEST_F(TabCtrlTest, KeysLeftOverByAPageChildDoNotChangeTheTab) {
    tabs_->SelectTab(1);
    auto* button = new QPushButton(QStringLiteral("Start"), tabs_->Page(1));
    button->show();
    button->setFocus();
    // A push button ignores both; they reach the control through the page.
    QTest::keyClick(button, Qt::Key_X);
    QTest::keyClick(button, Qt::Key_Home);
    EXPECT_EQ(QApplication::focusWidget(), button);
    EXPECT_EQ(tabs_->CurrentIndex(), 1);
}

TEST_F(TabCtrlTest, CtrlTabAnywhereInTheWindowMovesToTheNextTab) {
    edits_[0].second->setFocus();
    QTest::keyClick(edits_[0].second, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(tabs_->CurrentIndex(), 1);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab,
                    Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(tabs_->CurrentIndex(), 0);
}

TEST_F(TabCtrlTest, ComingBackToATabRestoresItsFocusedChild) {
    edits_[0].second->setFocus();
    tabs_->SelectTab(1);
    // A page visited for the first time focuses its first child.
    EXPECT_EQ(QApplication::focusWidget(), edits_[1].first);
    edits_[1].second->setFocus();

    tabs_->SelectTab(0);
    EXPECT_EQ(QApplication::focusWidget(), edits_[0].second);
    tabs_->SelectTab(1);
    EXPECT_EQ(QApplication::focusWidget(), edits_[1].second);

    // A remembered child that was disabled meanwhile gives way to the first one.
    edits_[0].second->setEnabled(false);
    tabs_->SelectTab(0);
    EXPECT_EQ(QApplication::focusWidget(), edits_[0].first);
}

TEST_F(TabCtrlTest, ClickOnATabSelectsIt) {
    QSignalSpy changed(tabs_, &CSimpleTabCtrl::currentChanged);
    QTest::mouseClick(tabs_, Qt::LeftButton, {}, tabs_->TabRect(2).center());
    EXPECT_EQ(tabs_->CurrentIndex(), 2);
    EXPECT_EQ(changed.count(), 1);
}

TEST_F(TabCtrlTest, SelectedTabIsWhiteAndTheOthersBlue) {
    tabs_->SelectTab(1);
    const QImage image = tabs_->grab().toImage();
    const auto fillOf = [&](int index) {
        const QRect header = tabs_->TabRect(index);
        return QColor(image.pixel(header.left() + 5, header.bottom() - 3));
    };
    EXPECT_EQ(fillOf(1), QColor(Qt::white));
    for (int index : {0, 2}) {
        const QColor fill = fillOf(index);
        EXPECT_GT(fill.blue(), 240) << index;
        EXPECT_LT(fill.red(), 215) << index;
        EXPECT_GT(fill.blue() - fill.red(), 30) << index;
    }
    // The selected tab opens into the page: no outline under it.
    const QRect selected = tabs_->TabRect(1);
    EXPECT_EQ(QColor(image.pixel(selected.center().x(), CSimpleTabCtrl::kHeaderHeight - 1)),
              QColor(Qt::white));
}

}  // namespace
}  // namespace talvex::ui
