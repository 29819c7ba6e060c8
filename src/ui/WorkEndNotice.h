#pragma once
// When a download or a conversion ends while the window is in the background, the desktop is
// asked to show a notice. These are the rules for it, apart from the bus that carries it.
#include <QString>
#include <optional>

namespace talvex {
class SettingsStore;
class StringTable;
}  // namespace talvex

namespace talvex::ui {

// "NotificationsOff": 1 keeps the program from showing desktop notices (default 0: shown).
inline constexpr wchar_t kNotificationsOffSetting[] = L"NotificationsOff";

struct WorkEndNotice {
    QString summary;      // what ended and how ("Download completed")
    QString body;         // the file's name
    QString actionLabel;  // the notice's button, where the desktop shows one
};

bool NotificationsWanted(const SettingsStore& settings);
void SetNotificationsWanted(const SettingsStore& settings, bool wanted);

// The notice for an item that just ended, or none: none while the window is active (the user
// sees the list already) or when notices are turned off.
std::optional<WorkEndNotice> NoticeForEndedItem(const StringTable& strings, bool windowActive,
                                                bool wanted, bool isDownload, bool completed,
                                                const QString& fileName);

}  // namespace talvex::ui
