#pragma once
// The Activity page: five buttons that act on the selected rows (start, pause, stop, clear,
// open the file location) above the list of every queued download and conversion. The list
// observes the queue; the figures are pulled from the items once a second while the page is
// visible.
#include <QWidget>
#include <vector>

#include "activity/ActivityQueue.h"

class QTimer;

namespace talvex {
class SettingsStore;
class StringTable;
}  // namespace talvex

namespace talvex::ui {

class ActivityItemListCtrl;
class CustomButton;
class UiPrompts;

class TabActivity : public QWidget {
    Q_OBJECT
public:
    static constexpr int kRefreshMs = 1000;

    // The queue must outlive the page; the page stops observing it when destroyed.
    TabActivity(ActivityQueue& queue, SettingsStore& settings, StringTable& strings,
                UiPrompts& prompts, QWidget* parent = nullptr);
    ~TabActivity() override;

    // Column headers, tooltips and accessible names in the current language.
    void ApplyLanguage();
    // Stores the list's sort order in "ActivitySortCol" (nothing while unsorted).
    void SaveSortColumn();
    // One tick of the refresh timer, then the button update.
    void Refresh();
    // Enables the buttons for the current selection.
    void UpdateButtons();

    void OnStart();
    void OnPause();
    void OnStop();
    // Removes the finished items among the selected ones, or every finished item without a
    // selection.
    void OnClear();
    // Opens the selected completed item's folder, else the download folder.
    void OnBrowse();

    ActivityItemListCtrl& List() { return *list_; }
    CustomButton& StartButton() { return *start_; }
    CustomButton& PauseButton() { return *pause_; }
    CustomButton& StopButton() { return *stop_; }
    CustomButton& ClearButton() { return *clear_; }
    CustomButton& BrowseButton() { return *browse_; }
    QTimer& RefreshTimer() { return *timer_; }

private:
    void RestoreSortColumn();

    ActivityQueue& queue_;
    SettingsStore& settings_;
    StringTable& strings_;
    UiPrompts& prompts_;
    ActivityItemListCtrl* list_;
    CustomButton* start_;
    CustomButton* pause_;
    CustomButton* stop_;
    CustomButton* clear_;
    CustomButton* browse_;
    QTimer* timer_;
};

}  // namespace talvex::ui
