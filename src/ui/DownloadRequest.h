#pragma once
// What the DOWNLOAD button does: checks the addresses and the folder, lets the engine drop the
// addresses of sites it does not handle, asks how to treat playlists and channels, hands the
// rest to the engine, empties the box and brings the Activity tab forward. It talks to the tab
// only through View, so the whole sequence can be followed without a window.
#include <cstdint>
#include <string>
#include <vector>

#include <QString>

#include "activity/ConversionQuality.h"
#include "scripts/DownloadQuality.h"

class QWidget;

namespace talvex {
class IMessageSink;
class SettingsStore;
class StringTable;
}  // namespace talvex

namespace talvex::ui {

class IDownloadService;
class UiPrompts;

class DownloadRequest {
public:
    // The tab as the request sees it.
    class View {
    public:
        virtual ~View() = default;
        virtual std::wstring AddressText() const = 0;
        virtual void SetAddressText(const std::wstring& text) = 0;
        virtual std::wstring GetDownloadDir() = 0;
        // The folder picker; true when a folder was chosen (and saved).
        virtual bool BrowseForDownloadFolder() = 0;
        virtual bool AutoConvertChecked() const = 0;
        virtual bool DeleteOriginalChecked() const = 0;
        virtual ConversionQuality GetConvertQuality() = 0;
        virtual int32_t GetConvertType() = 0;
        virtual DownloadQuality GetDownloadQuality() = 0;
        // The owner of the message boxes.
        virtual QWidget* DialogWidget() = 0;
    };

    // The Activity tab's index in the main window.
    static constexpr uintptr_t kActivityTab = 2;

    DownloadRequest(View& view, const SettingsStore& settings, const StringTable& strings,
                    UiPrompts& prompts, IDownloadService& service, IMessageSink* mainWindow);

    // The whole sequence; true when the addresses went to the engine.
    bool Run();

    // The warning about addresses of unsupported sites, pointing to the supported-sites page
    // of the configured vendor site.
    static QString UnsupportedSiteText(const StringTable& strings, const SettingsStore& settings);

private:
    QString Text(const wchar_t* key, const QString& builtIn) const;
    bool EnsureFolderExists();
    enum class ListKind { PlayLists, Channels };
    // Asks the playlist or channel question; false when the answer was No. Cancel removes the
    // addresses of that kind from the list (and keeps the flag).
    bool AskAboutLists(ListKind kind, std::vector<std::wstring>& urls);

    View& view_;
    const SettingsStore& settings_;
    const StringTable& strings_;
    UiPrompts& prompts_;
    IDownloadService& service_;
    IMessageSink* mainWindow_;
};

}  // namespace talvex::ui
