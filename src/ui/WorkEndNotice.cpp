#include "ui/WorkEndNotice.h"

#include "app/SettingsStore.h"
#include "ui/UiText.h"

namespace talvex::ui {

bool NotificationsWanted(const SettingsStore& settings) {
    return settings.GetNumber(kNotificationsOffSetting) == 0;
}

void SetNotificationsWanted(const SettingsStore& settings, bool wanted) {
    settings.SetNumber(kNotificationsOffSetting, wanted ? 0 : 1);
}

std::optional<WorkEndNotice> NoticeForEndedItem(const StringTable& strings, bool windowActive,
                                                bool wanted, bool isDownload, bool completed,
                                                const QString& fileName) {
    if (windowActive || !wanted) {
        return std::nullopt;
    }
    WorkEndNotice notice;
    if (isDownload) {
        notice.summary = completed
                             ? Text(strings, L"notice.download.completed", L"Download completed")
                             : Text(strings, L"notice.download.failed", L"Download failed");
    } else {
        notice.summary = completed
                             ? Text(strings, L"notice.convert.completed", L"Conversion completed")
                             : Text(strings, L"notice.convert.failed", L"Conversion failed");
    }
    notice.body = fileName;
    notice.actionLabel = Text(strings, L"notice.action.show", L"Show in Talvex");
    return notice;
}

}  // namespace talvex::ui
