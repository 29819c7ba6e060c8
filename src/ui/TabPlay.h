#pragma once
// The Play page of the main window: a folder (typed, picked, or chosen from the recently used
// ones), the media files in it, and a player. A double-click on a file plays it when the
// player takes it and says so otherwise. The list rules are RecentFolders' and
// PlayableFiles'; the decision which files play is PlayabilityCheck's; the player is a
// VideoPlayerPane, or, without a usable multimedia back end, a link telling what to install.
#include <QString>
#include <QWidget>
#include <string>

#include "ui/RecentFolders.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;

namespace talvex {
class SettingsStore;
class StringTable;
}  // namespace talvex

namespace talvex::ui {

class CustomButton;
class DStaticText;
class PlayabilityCheck;
class UiPrompts;
class VideoPlayerPane;

class TabPlay : public QWidget {
    Q_OBJECT
public:
    // Where the upgrade link leads: the packages that give the player its decoders.
    static constexpr char kBackendHelpUrl[] =
        "https://packages.debian.org/search?keywords=gstreamer1.0-libav&exact=1";
    // Shown under the link.
    static constexpr char kBackendInstallCommand[] =
        "sudo apt install gstreamer1.0-plugins-good gstreamer1.0-libav";

    TabPlay(SettingsStore& settings, StringTable& strings, UiPrompts& prompts,
            QWidget* parent = nullptr);
    ~TabPlay() override;

    // Re-texts the labels, the recent list's title row and the upgrade link.
    void ApplyLanguage();
    // Writes the recent folders ("MruDir1".."MruDir5").
    void SaveSettings();

    // Adds the folder box's folder to the recent list and lists its files (Enter in the box).
    void AddFolder();
    // The folder picker; a chosen folder goes into the box and is added.
    void BrowseForFolder();
    // Makes a recent list row the current folder; the title row does nothing.
    void ChooseRecentFolder(int row);
    // Lists the current folder's files again.
    void FillFileList();
    // Plays the file list's row after checking that the player takes it.
    void PlayFileAt(int row);
    // Loads the file into the player and starts it; nothing without a player.
    void Play(const QString& path);

    // The folder the file list shows.
    QString CurrentFolder() const { return currentFolder_; }
    const RecentFolders& Recent() const { return recent_; }

    // The controls, for the tests and the main window.
    QLineEdit* FolderBox() const { return folderBox_; }
    CustomButton* BrowseButton() const { return browseButton_; }
    QComboBox* RecentList() const { return recentList_; }
    QListWidget* FileList() const { return fileList_; }
    // Nothing when the multimedia back end is missing or cannot decode H.264.
    VideoPlayerPane* Player() const { return player_; }
    QLabel* UpgradeLink() const { return upgradeLink_; }
    PlayabilityCheck& Check() const { return *check_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void BuildControls();
    void BuildLayout();
    void ShowRecentRows();
    void SetCurrentFolder(const QString& folder);
    void OnDecided(const QString& path, bool playable);

    SettingsStore& settings_;
    StringTable& strings_;
    UiPrompts& prompts_;
    RecentFolders recent_;
    PlayabilityCheck* check_ = nullptr;
    QString currentFolder_;

    DStaticText* folderLabel_ = nullptr;
    QLineEdit* folderBox_ = nullptr;
    CustomButton* browseButton_ = nullptr;
    QComboBox* recentList_ = nullptr;
    DStaticText* filesLabel_ = nullptr;
    QListWidget* fileList_ = nullptr;
    QWidget* playerArea_ = nullptr;
    VideoPlayerPane* player_ = nullptr;
    QLabel* upgradeLink_ = nullptr;
};

}  // namespace talvex::ui
