#include "ui/DownloadRequest.h"

#include <QFileInfo>

#include "app/DebugLog.h"
#include "app/SettingsStore.h"
#include "app/StringTable.h"
#include "platform/MessageSink.h"
#include "ui/DownloadTabRules.h"
#include "ui/IDownloadService.h"
#include "ui/UiPrompts.h"

namespace talvex::ui {

namespace {

const QString kPlayListQuestion = QStringLiteral(
    "One or more ULRs are playlists. The videos in this playlist will be downloaded one at a "
    "time. Depending on the size of the videos, this could take a long time.\nClick \"Yes\" to "
    "download the whole playlist,\n\"No\" to download the single video you were watching or "
    "\n\"Cancel\" to cancel the playlist download.");
const QString kChannelQuestion = QStringLiteral(
    "One or more URLs are full channels. The videos in the channel will be downloaded one at a "
    "time. Depending on the size of the videos, this could take a long time.\nClick \"Yes\" to "
    "download all videos in the channel,\n\"No\" to download the single video you are watching "
    "or \n\"Cancel\" to cancel the channel download.");

}  // namespace

DownloadRequest::DownloadRequest(View& view, const SettingsStore& settings,
                                 const StringTable& strings, UiPrompts& prompts,
                                 IDownloadService& service, IMessageSink* mainWindow)
    : view_(view),
      settings_(settings),
      strings_(strings),
      prompts_(prompts),
      service_(service),
      mainWindow_(mainWindow) {}

QString DownloadRequest::Text(const wchar_t* key, const QString& builtIn) const {
    return QString::fromStdWString(strings_.GetText(key, builtIn.toStdWString()));
}

QString DownloadRequest::UnsupportedSiteText(const StringTable& strings,
                                             const SettingsStore& settings) {
    // Without a configured vendor site there is no page to point to; the words of the menu
    // entry that lists the sites do the same job (the installed language file says so too).
    QString page = QStringLiteral("Help > Supported Sites");
    QString site = QString::fromStdWString(settings.GetString(setting::kSiteUrl, L""));
    while (site.endsWith(QLatin1Char('/'))) {
        site.chop(1);
    }
    if (!site.isEmpty()) {
        page = site + QStringLiteral("/supported_sites.html");
    }
    const QString builtIn =
        QStringLiteral(
            "It appears you're trying to download videos from a site we do not support.\nThese "
            "videos have not been moved to your activity tab.\nPlease see ") +
        page + QStringLiteral(" for a list of supported sites.");
    return QString::fromStdWString(
        strings.GetText(L"msg.err.unsuport.site", builtIn.toStdWString()));
}

bool DownloadRequest::EnsureFolderExists() {
    const QString folder = QString::fromStdWString(view_.GetDownloadDir());
    if (!folder.isEmpty() && QFileInfo(folder).isDir()) {
        return true;
    }
    QString text = Text(L"msg.no.dwnld.folder",
                        QStringLiteral("The destination folder you selected (%1%) does not "
                                       "exist.\nClick OK to select a new location to save your "
                                       "file."));
    text.replace(QStringLiteral("%1%"), folder);
    prompts_.Message(view_.DialogWidget(), MessageIcon::Error, MessageButtons::Ok, text);
    return view_.BrowseForDownloadFolder();
}

bool DownloadRequest::AskAboutLists(ListKind kind, std::vector<std::wstring>& urls) {
    const bool playLists = kind == ListKind::PlayLists;
    const QString question = playLists ? Text(L"msg.download.playlist", kPlayListQuestion)
                                       : Text(L"msg.download.channel", kChannelQuestion);
    switch (prompts_.Message(view_.DialogWidget(), MessageIcon::Question,
                             MessageButtons::YesNoCancel, question)) {
        case MessageAnswer::No:
            return false;
        case MessageAnswer::Cancel:
            if (playLists) {
                DebugLog::Write("Enter Engine::RemovePlayLists");
                service_.RemovePlayLists(urls);
            } else {
                DebugLog::Write("Enter Engine::RemoveChannels");
                service_.RemoveChannels(urls);
            }
            return true;
        default:
            return true;
    }
}

bool DownloadRequest::Run() {
    DebugLog::Write("Enter TabDownload::OnClickBtnDownload");
    const std::wstring text = view_.AddressText();
    if (text.empty()) {
        prompts_.Message(view_.DialogWidget(), MessageIcon::Warning, MessageButtons::Ok,
                         Text(L"msg.err.enter.url", QStringLiteral("Enter video URL!")));
        DebugLog::Write("Exit TabDownload::OnClickBtnDownload (fails)");
        return false;
    }
    // The engine reads the folder from the settings, so it must exist (and be saved) before
    // anything is queued.
    if (!EnsureFolderExists()) {
        DebugLog::Write("Exit TabDownload::OnClickBtnDownload (fails - file does not exists)");
        return false;
    }

    std::vector<std::wstring> urls = DownloadTabRules::SplitUrls(text);
    if (service_.FilterUnsupportedSites(urls)) {
        prompts_.Message(view_.DialogWidget(), MessageIcon::Warning, MessageButtons::Ok,
                         UnsupportedSiteText(strings_, settings_));
    }
    if (urls.empty()) {
        view_.SetAddressText(std::wstring());
        DebugLog::Write("Exit TabDownload::OnClickBtnDownload (fails 2)");
        return false;
    }

    bool downloadPlayLists = true;
    bool downloadChannels = true;
    DebugLog::Write("Enter Engine::ContainPlayList");
    if (service_.ContainPlayList(urls)) {
        downloadPlayLists = AskAboutLists(ListKind::PlayLists, urls);
    }
    if (service_.ContainChannels(urls)) {
        downloadChannels = AskAboutLists(ListKind::Channels, urls);
    }

    // The user has answered: the addresses are on their way even when Cancel removed them all,
    // and the tab switch is posted so that it happens after this handler.
    view_.SetAddressText(std::wstring());
    if (mainWindow_ != nullptr) {
        mainWindow_->Post(kMsgSelectTab, kActivityTab, 0);
    }
    const bool autoConvert = view_.AutoConvertChecked();
    const bool deleteOriginal = view_.DeleteOriginalChecked();
    const ConversionQuality convertQuality = view_.GetConvertQuality();
    const int32_t convertType = view_.GetConvertType();
    const DownloadQuality qualityCode = view_.GetDownloadQuality();
    service_.Download(urls, qualityCode, downloadPlayLists, downloadChannels, autoConvert,
                      deleteOriginal, convertQuality, convertType);
    DebugLog::Write("Exit TabDownload::OnClickBtnDownload (success)");
    return true;
}

}  // namespace talvex::ui
