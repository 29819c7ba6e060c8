#include "ui/TabActivity.h"

#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <filesystem>

#include "app/SettingsStore.h"
#include "app/StringTable.h"
#include "ui/ActivityItemListCtrl.h"
#include "ui/ActivityModel.h"
#include "ui/ActivitySortSetting.h"
#include "ui/CustomButton.h"
#include "ui/Pictures.h"
#include "ui/UiPrompts.h"
#include "ui/UiText.h"

namespace talvex::ui {

namespace {

constexpr int kPictureSide = 16;
constexpr QSize kButtonSize(30, 26);

CustomButton* MakeButton(pictures::Picture picture, bool withDisabledPicture, QWidget* parent) {
    const QPixmap normal = pictures::ButtonPicture(picture, kPictureSide);
    const QPixmap disabled =
        withDisabledPicture ? pictures::ButtonPicture(picture, kPictureSide, true) : QPixmap();
    auto* button = new CustomButton(normal, disabled, false, parent);
    button->SetColors(ButtonColors::Grey());
    button->setFixedSize(kButtonSize);
    return button;
}

}  // namespace

TabActivity::TabActivity(ActivityQueue& queue, SettingsStore& settings, StringTable& strings,
                         UiPrompts& prompts, QWidget* parent)
    : QWidget(parent),
      queue_(queue),
      settings_(settings),
      strings_(strings),
      prompts_(prompts),
      list_(new ActivityItemListCtrl(&strings, this)),
      start_(MakeButton(pictures::Picture::Play, true, this)),
      pause_(MakeButton(pictures::Picture::Pause, true, this)),
      stop_(MakeButton(pictures::Picture::Stop, true, this)),
      clear_(MakeButton(pictures::Picture::Clear, true, this)),
      browse_(MakeButton(pictures::Picture::Folder, false, this)),
      timer_(new QTimer(this)) {
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    auto* separator = new QLabel(this);
    separator->setPixmap(pictures::Separator(kButtonSize.height()));

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(4);
    buttons->addWidget(start_);
    buttons->addWidget(pause_);
    buttons->addWidget(stop_);
    buttons->addWidget(separator);
    buttons->addWidget(clear_);
    buttons->addWidget(browse_);
    buttons->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(list_, 1);

    connect(start_, &QAbstractButton::clicked, this, &TabActivity::OnStart);
    connect(pause_, &QAbstractButton::clicked, this, &TabActivity::OnPause);
    connect(stop_, &QAbstractButton::clicked, this, &TabActivity::OnStop);
    connect(clear_, &QAbstractButton::clicked, this, &TabActivity::OnClear);
    connect(browse_, &QAbstractButton::clicked, this, &TabActivity::OnBrowse);
    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TabActivity::UpdateButtons);
    connect(list_, &QAbstractItemView::clicked, this, &TabActivity::UpdateButtons);

    ApplyLanguage();
    queue_.SetGrid(list_);
    // Items queued before the page existed would otherwise never get a row; the list ignores
    // one it already shows, so an item added meanwhile is not listed twice.
    for (const RefPtr<ActivityItem>& item : queue_.Items()) {
        list_->AddItem(item.get());
    }
    start_->setEnabled(false);
    pause_->setEnabled(false);
    stop_->setEnabled(false);
    clear_->setEnabled(false);
    RestoreSortColumn();

    connect(timer_, &QTimer::timeout, this, [this] {
        if (isVisible()) {
            Refresh();
        } else {
            list_->Model().WatchStates();
        }
    });
    timer_->start(kRefreshMs);
}

TabActivity::~TabActivity() {
    timer_->stop();
    // The queue outlives the page and must not call into a list that is going away.
    queue_.SetGrid(nullptr);
}

void TabActivity::ApplyLanguage() {
    list_->ApplyLanguage();
    const struct {
        CustomButton* button;
        const wchar_t* key;
        const wchar_t* builtIn;
    } tips[] = {
        {start_, L"tab.activity.btn.play.tooltip",
         L"Start a paused or canceled download/conversion"},
        {pause_, L"tab.activity.btn.pause.tooltip", L"Pause an in progress download/conversion"},
        {stop_, L"tab.activity.btn.stop.tooltip",
         L"Stop/cancel an in progress download/conversion or a paused/queued item"},
        {clear_, L"tab.activity.btn.clear.tooltip",
         L"Clear/remove completed, failed and cancelled items from the activity list"},
        {browse_, L"tab.activity.btn.browse.tooltip", L"Opens the file location"},
    };
    for (const auto& tip : tips) {
        const QString text = Text(strings_, tip.key, tip.builtIn);
        tip.button->SetTooltipText(text);
        // The buttons show only pictures, so the tooltip names them for assistive tools.
        tip.button->setAccessibleName(text);
    }
}

void TabActivity::RestoreSortColumn() {
    const ActivitySort sort = ParseActivitySort(settings_.GetActivitySortColumn());
    if (sort.column >= 0) {
        list_->SortBy(sort.column, sort.descending ? Qt::DescendingOrder : Qt::AscendingOrder);
    }
}

void TabActivity::SaveSortColumn() {
    const std::wstring value =
        FormatActivitySort({list_->SortColumn(), list_->SortOrder() == Qt::DescendingOrder});
    if (!value.empty()) {
        settings_.SetString(setting::kActivitySortCol, value);
    }
}

void TabActivity::Refresh() {
    list_->Refresh();
    UpdateButtons();
}

void TabActivity::UpdateButtons() {
    const ActivityQueue::Selection selection = list_->SelectedItems();
    start_->setEnabled(queue_.CanStartAny(selection));
    pause_->setEnabled(queue_.CanPauseAny(selection));
    stop_->setEnabled(queue_.CanStopAny(selection));
    clear_->setEnabled(queue_.CanClear(selection));
}

void TabActivity::OnStart() {
    const ActivityQueue::Selection selection = list_->SelectedItems();
    if (!selection.empty() && queue_.CanStartAny(selection)) {
        queue_.StartSelected(selection);
    }
    UpdateButtons();
}

void TabActivity::OnPause() {
    const ActivityQueue::Selection selection = list_->SelectedItems();
    if (!selection.empty() && queue_.CanPauseAny(selection)) {
        queue_.PauseSelected(selection);
    }
    UpdateButtons();
}

void TabActivity::OnStop() {
    const ActivityQueue::Selection selection = list_->SelectedItems();
    if (!selection.empty() && queue_.CanStopAny(selection)) {
        queue_.StopSelected(selection);
    }
    UpdateButtons();
}

void TabActivity::OnClear() {
    const ActivityQueue::Selection selection = list_->SelectedItems();
    if (selection.empty()) {
        queue_.ClearFinished();
    } else {
        queue_.RemoveSelected(selection);
    }
    UpdateButtons();
}

void TabActivity::OnBrowse() {
    // The selection is read now rather than kept from the last button update: the list's rows
    // hold references to their items, a kept pointer could outlive its item.
    const ActivityQueue::Selection selection = list_->SelectedItems();
    std::filesystem::path folder;
    if (selection.size() == 1 && selection.front()->state.load() == ActivityState::Completed) {
        const std::filesystem::path output(selection.front()->OutputPath());
        std::error_code error;
        if (!output.empty() && std::filesystem::exists(output, error)) {
            folder = output.parent_path();
        }
    }
    if (folder.empty()) {
        folder = std::filesystem::path(settings_.GetDownloadFolder());
    }
    prompts_.OpenUrl(QUrl::fromLocalFile(QString::fromStdWString(folder.wstring())));
}

}  // namespace talvex::ui
