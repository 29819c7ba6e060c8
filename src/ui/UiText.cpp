#include "ui/UiText.h"

#include "app/SettingsStore.h"
#include "app/StringTable.h"
#include "platform/Folders.h"

namespace talvex::ui {

QString Text(const StringTable& strings, std::wstring_view key, std::wstring_view builtIn) {
    return QString::fromStdWString(strings.GetText(key, builtIn));
}

QUrl SitePageUrl(const SettingsStore& settings, const QString& path) {
    QString site = QString::fromStdWString(settings.GetString(setting::kSiteUrl, L"")).trimmed();
    if (site.isEmpty()) {
        const QString page = path.isEmpty() ? QStringLiteral("/index.html") : path;
        return QUrl::fromLocalFile(QString::fromStdString((ResourceFolder() / "pages").string()) +
                                   page);
    }
    while (site.endsWith(QLatin1Char('/'))) {
        site.chop(1);
    }
    if (!site.contains(QLatin1String("://"))) {
        site.prepend(QStringLiteral("http://"));
    }
    return QUrl(site + path);
}

}  // namespace talvex::ui
