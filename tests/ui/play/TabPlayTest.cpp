// The Play page driven through its widgets: where it starts, typing, picking and choosing
// folders, what it remembers, and the refusal of a file the player does not take.
#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QSignalSpy>

#include "PlayTabFixture.h"
#include "ui/CustomButton.h"
#include "ui/DialogUnits.h"
#include "ui/PlayabilityCheck.h"

namespace talvex::test {
namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kMpeg4Part2 = {"-c:v", "mpeg4", "-c:a", "aac"};

QString Q(const fs::path& path) {
    return QString::fromStdString(path.string());
}

QStringList ComboRows(QComboBox* list) {
    QStringList rows;
    for (int row = 0; row < list->count(); ++row) {
        rows << list->itemText(row);
    }
    return rows;
}

class TabPlayTest : public PlayTabFixture {
protected:
    void TypeFolder(const QString& folder) {
        QLineEdit* box = Tab().FolderBox();
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, folder);
        QTest::keyClick(box, Qt::Key_Return);
    }
};

TEST_F(TabPlayTest, StartsInTheMostRecentFolderWithTheRecentListUnderItsTitle) {
    const fs::path older = home.Root() / "older";
    fs::create_directories(older);
    WriteFileBytes(media / "clip.flv", "x");
    WriteFileBytes(media / "clip.tmp.flv", "x");
    settings.SetString(setting::MruDirName(1), media.wstring());
    settings.SetString(setting::MruDirName(2), older.wstring());

    EXPECT_EQ(Tab().CurrentFolder(), Q(media));
    EXPECT_EQ(Tab().FolderBox()->text(), Q(media));
    EXPECT_EQ(ComboRows(Tab().RecentList()),
              (QStringList{"View recently used folders", Q(media), Q(older)}));
    EXPECT_EQ(Tab().RecentList()->currentIndex(), 0);
    EXPECT_EQ(ListedFiles(), QStringList{"clip.flv"});
}

TEST_F(TabPlayTest, WithoutRecentFoldersItStartsInTheDownloadFolder) {
    WriteFileBytes(downloads / "fresh.mp4", "x");
    EXPECT_EQ(Tab().CurrentFolder(), Q(downloads));
    EXPECT_EQ(ListedFiles(), QStringList{"fresh.mp4"});
    // Only shown, not remembered.
    EXPECT_EQ(Tab().RecentList()->count(), 1);
}

TEST_F(TabPlayTest, TheListIsReadAgainWhenThePageIsShownAgain) {
    Tab();
    WriteFileBytes(downloads / "finished.flv", "x");
    EXPECT_TRUE(ListedFiles().isEmpty());
    Tab().hide();
    Tab().show();
    EXPECT_EQ(ListedFiles(), QStringList{"finished.flv"});
}

TEST_F(TabPlayTest, ATypedFolderIsListedRememberedAndSaved) {
    WriteFileBytes(media / "b.mp3", "x");
    WriteFileBytes(media / "A.flv", "x");
    TypeFolder(Q(media));

    EXPECT_EQ(Tab().CurrentFolder(), Q(media));
    EXPECT_EQ(ListedFiles(), (QStringList{"A.flv", "b.mp3"}));
    EXPECT_EQ(ComboRows(Tab().RecentList()), (QStringList{"View recently used folders", Q(media)}));
    EXPECT_EQ(Stored(1), media.wstring());
}

TEST_F(TabPlayTest, ATypedFolderThatDoesNotExistIsNotRememberedAndListsNothing) {
    WriteFileBytes(downloads / "a.mp4", "x");
    ASSERT_EQ(ListedFiles(), QStringList{"a.mp4"});
    TypeFolder(Q(home.Root() / "nowhere"));

    EXPECT_TRUE(ListedFiles().isEmpty());
    EXPECT_EQ(Tab().RecentList()->count(), 1);
    EXPECT_EQ(Stored(1), L"");
}

TEST_F(TabPlayTest, TheSameFolderWithATrailingSlashAddsNoRow) {
    TypeFolder(Q(media));
    TypeFolder(Q(media) + "/");
    EXPECT_EQ(Tab().RecentList()->count(), 2);
}

TEST_F(TabPlayTest, FiveFoldersOneAfterAnotherLeaveTheLastFour) {
    QStringList added;
    for (int i = 1; i <= 5; ++i) {
        const fs::path folder = home.Root() / ("f" + std::to_string(i));
        fs::create_directories(folder);
        TypeFolder(Q(folder));
        added.prepend(Q(folder));
    }
    EXPECT_EQ(ComboRows(Tab().RecentList()).mid(1), added.mid(0, 4));
    EXPECT_EQ(QString::fromStdWString(Stored(1)), added[0]);
}

TEST_F(TabPlayTest, BrowsePicksAFolderWithThePagesTitleAndACancelChangesNothing) {
    WriteFileBytes(media / "picked.mov", "x");
    prompts.folders.push_back(Q(media));
    QTest::mouseClick(Tab().BrowseButton(), Qt::LeftButton);

    ASSERT_EQ(prompts.pickerTitles.size(), 1);
    EXPECT_EQ(prompts.pickerTitles[0], "Choose directory");
    EXPECT_EQ(Tab().FolderBox()->text(), Q(media));
    EXPECT_EQ(ListedFiles(), QStringList{"picked.mov"});
    EXPECT_EQ(Stored(1), media.wstring());

    QTest::mouseClick(Tab().BrowseButton(), Qt::LeftButton);
    EXPECT_EQ(Tab().CurrentFolder(), Q(media));
    EXPECT_EQ(Tab().RecentList()->count(), 2);
}

TEST_F(TabPlayTest, ChoosingARecentFolderListsItAndTheTitleRowReturns) {
    const fs::path other = home.Root() / "other";
    fs::create_directories(other);
    WriteFileBytes(other / "o.3gp", "x");
    settings.SetString(setting::MruDirName(1), media.wstring());
    settings.SetString(setting::MruDirName(2), other.wstring());

    QComboBox* recent = Tab().RecentList();
    recent->showPopup();
    QAbstractItemView* rows = recent->view();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(rows->window()));
    QTest::keyClick(rows, Qt::Key_Down);
    QTest::keyClick(rows, Qt::Key_Down);
    QTest::keyClick(rows, Qt::Key_Return);

    EXPECT_EQ(Tab().CurrentFolder(), Q(other));
    EXPECT_EQ(Tab().FolderBox()->text(), Q(other));
    EXPECT_EQ(ListedFiles(), QStringList{"o.3gp"});
    EXPECT_EQ(recent->currentIndex(), 0);
    // Choosing is not adding: the order stays.
    EXPECT_EQ(ComboRows(recent).mid(1), (QStringList{Q(media), Q(other)}));
}

TEST_F(TabPlayTest, ChoosingTheTitleRowKeepsTheFolder) {
    settings.SetString(setting::MruDirName(1), media.wstring());
    Tab().ChooseRecentFolder(0);
    EXPECT_EQ(Tab().CurrentFolder(), Q(media));
}

TEST_F(TabPlayTest, HidingThePageAndClosingItSaveTheRecentFolders) {
    const fs::path other = home.Root() / "other";
    fs::create_directories(other);
    settings.SetString(setting::MruDirName(1), media.wstring());
    settings.SetString(setting::MruDirName(2), other.wstring());
    Tab();
    // Another program instance rewrote the values meanwhile; the page's list wins on hide.
    settings.SetString(setting::MruDirName(1), L"/elsewhere");
    Tab().hide();
    EXPECT_EQ(Stored(1), media.wstring());

    settings.SetString(setting::MruDirName(2), L"/elsewhere");
    DestroyTab();
    EXPECT_EQ(Stored(2), other.wstring());
}

TEST_F(TabPlayTest, DoubleClickingAFileThePlayerDoesNotTakeSaysSo) {
    Clip(downloads, "old-style.mp4", kMpeg4Part2);
    QSignalSpy decided(&Tab().Check(), &ui::PlayabilityCheck::Decided);
    DoubleClickFile("old-style.mp4");
    ASSERT_TRUE(decided.wait(20000));

    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text,
              "This file cannot be played using this player. Please select another file.");
    EXPECT_EQ(prompts.messages[0].buttons, ui::MessageButtons::Ok);
}

TEST_F(TabPlayTest, TheRefusalTextComesFromTheLanguageFile) {
    const fs::path lang = home.Root() / "res9999.ini";
    WriteFileBytes(lang,
                   "lang.name=Test\nlang.id=9999\n"
                   "tab.play.invalid.file=Nicht abspielbar.\n"
                   "tab.play.files.list=Dateiliste\n");
    ASSERT_TRUE(strings.Load(lang, false));
    Clip(downloads, "old-style.mp4", kMpeg4Part2);
    QSignalSpy decided(&Tab().Check(), &ui::PlayabilityCheck::Decided);
    Tab().FileList()->setCurrentRow(0);
    Tab().FileList()->setFocus();
    // Enter plays the selected file, as a double-click does.
    QTest::keyClick(Tab().FileList(), Qt::Key_Return);
    ASSERT_TRUE(decided.wait(20000));

    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text, "Nicht abspielbar.");
    EXPECT_EQ(Tab().FileList()->accessibleName(), "Dateiliste");
}

TEST_F(TabPlayTest, ThePageFitsTheMainWindowsPageArea) {
    const ui::DialogUnits du(Tab().font());
    const QSize area = du.Size(407, 179);
    const QSize needed = Tab().minimumSizeHint();
    EXPECT_LE(needed.width(), area.width());
    EXPECT_LE(needed.height(), area.height());
    // A long folder name in the recent list does not widen the page.
    settings.SetString(setting::MruDirName(1), (media / std::string(200, 'x')).wstring());
    DestroyTab();
    EXPECT_LE(Tab().minimumSizeHint().width(), area.width());
}

}  // namespace
}  // namespace talvex::test
