#pragma once
// Small bridges between the core's texts and Qt's: a localized text as a QString, and the
// address of a page of the vendor's site.
#include <QString>
#include <QUrl>
#include <string_view>

namespace talvex {
class SettingsStore;
class StringTable;
}  // namespace talvex

namespace talvex::ui {

// The language file's text for key, else the built-in English text.
QString Text(const StringTable& strings, std::wstring_view key, std::wstring_view builtIn);

// A page of the vendor's site: the "SiteURL" setting followed by path ("http://" put in front
// of an address without a scheme). Without the setting, the pages bundled with the program
// (the "pages" folder of the resource folder; "index.html" for the home page, an empty path).
QUrl SitePageUrl(const SettingsStore& settings, const QString& path);

}  // namespace talvex::ui
