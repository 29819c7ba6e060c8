// What pressing DOWNLOAD does: refusals, the folder check, unsupported sites, the playlist and
// channel questions, and the hand-over to the engine.
#include <QCheckBox>
#include <QComboBox>

#include "app/DebugLog.h"
#include "platform/MessageSink.h"
#include "ui/DownloadRequest.h"
#include "ui/download/DownloadTabFixture.h"

namespace talvex::test {
namespace {

using ui::MessageAnswer;
using ui::MessageButtons;
using ui::MessageIcon;

class DownloadClick : public DownloadTabFixture {
protected:
    void AddLines(const std::vector<std::wstring>& lines) {
        std::wstring text;
        for (const std::wstring& line : lines) {
            text += line + L"\r\n";
        }
        Tab().AddUrls(QString::fromStdWString(text), false);
    }
};

TEST_F(DownloadClick, EmptyBoxIsRefusedWithAWarning) {
    ClickDownload();
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].icon, MessageIcon::Warning);
    EXPECT_EQ(prompts.messages[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(prompts.messages[0].text, QStringLiteral("Enter video URL!"));
    EXPECT_TRUE(service.calls.empty());
    EXPECT_TRUE(sink.posted.empty());
}

TEST_F(DownloadClick, MissingFolderIsReportedThenPickedOrTheAttemptEnds) {
    const std::filesystem::path gone = home.Root() / "gone";
    settings.SetString(setting::kDownloadDirectory, gone.wstring());
    AddLines({kVideo});

    // Cancelling the picker ends the attempt with the addresses kept.
    ClickDownload();
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].icon, MessageIcon::Error);
    EXPECT_EQ(prompts.messages[0].text,
              QStringLiteral("The destination folder you selected (%1) does not exist.\nClick "
                             "OK to select a new location to save your file.")
                  .arg(QString::fromStdWString(gone.wstring())));
    EXPECT_EQ(prompts.pickerTitles, QStringList{QStringLiteral("Choose download directory")});
    EXPECT_TRUE(service.calls.empty());
    EXPECT_EQ(Tab().AddressText(), kVideo + L"\r\n");

    // A chosen folder is stored before the engine, which reads it from the settings, queues.
    prompts.folders.push_back(QString::fromStdWString(folder.wstring()));
    ClickDownload();
    ASSERT_EQ(service.downloads.size(), 1u);
    EXPECT_EQ(service.downloads[0].storedFolder, folder.wstring());
    EXPECT_EQ(service.downloads[0].urls, std::vector<std::wstring>{kVideo});
    EXPECT_EQ(Tab().FolderLink()->Target(), QString::fromStdWString(folder.wstring()));
}

TEST_F(DownloadClick, OnlyUnsupportedAddressesEmptyTheBoxAndQueueNothing) {
    AddLines({kUnsupported, L"http://unsupported.example/video/2"});
    ClickDownload();
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].icon, MessageIcon::Warning);
    EXPECT_TRUE(prompts.messages[0].text.contains(
        QStringLiteral("Please see Help > Supported Sites for a list of supported sites.")));
    EXPECT_EQ(service.calls, std::vector<std::string>{"FilterUnsupportedSites"});
    EXPECT_TRUE(sink.posted.empty());
    EXPECT_TRUE(Tab().AddressText().empty());
    EXPECT_TRUE(Tab().AddressBox()->toPlainText().isEmpty());
}

TEST_F(DownloadClick, SupportedAddressesGoOnAfterTheUnsupportedWarning) {
    settings.SetString(setting::kSiteUrl, L"https://vendor.example/");
    AddLines({kUnsupported, kVideo});
    ClickDownload();
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_TRUE(prompts.messages[0].text.contains(
        QStringLiteral("Please see https://vendor.example/supported_sites.html for a list")));
    ASSERT_EQ(service.downloads.size(), 1u);
    EXPECT_EQ(service.downloads[0].urls, std::vector<std::wstring>{kVideo});
}

struct ListAnswerCase {
    const char* what;
    MessageAnswer answer;
    std::vector<std::wstring> before;
    std::vector<std::wstring> queued;
    bool flag;
};

TEST_F(DownloadClick, PlayListAnswersDecideTheFlagOrDropThePlayLists) {
    const ListAnswerCase cases[] = {
        {"Yes", MessageAnswer::Yes, {kVideo, kPlayList}, {kVideo, kPlayList}, true},
        {"No", MessageAnswer::No, {kVideo, kPlayList}, {kVideo, kPlayList}, false},
        {"Cancel", MessageAnswer::Cancel, {kVideo, kPlayList}, {kVideo}, true},
        // Cancel with nothing else still goes through: box emptied, tab switched, no items.
        {"Cancel, only playlists", MessageAnswer::Cancel, {kPlayList}, {}, true},
    };
    for (const ListAnswerCase& c : cases) {
        SCOPED_TRACE(c.what);
        service.downloads.clear();
        sink.posted.clear();
        prompts.messages.clear();
        AddLines(c.before);
        prompts.answers.push_back(c.answer);
        ClickDownload();

        ASSERT_EQ(prompts.messages.size(), 1u);
        EXPECT_EQ(prompts.messages[0].icon, MessageIcon::Question);
        EXPECT_EQ(prompts.messages[0].buttons, MessageButtons::YesNoCancel);
        EXPECT_TRUE(prompts.messages[0].text.contains(QStringLiteral("playlist")));
        ASSERT_EQ(service.downloads.size(), 1u);
        EXPECT_EQ(service.downloads[0].urls, c.queued);
        EXPECT_EQ(service.downloads[0].downloadPlaylists, c.flag);
        EXPECT_TRUE(service.downloads[0].downloadChannels);
        ASSERT_EQ(sink.posted.size(), 1u);
        EXPECT_EQ(sink.posted[0].message, kMsgSelectTab);
        EXPECT_EQ(sink.posted[0].wParam, 2u);
        EXPECT_TRUE(Tab().AddressText().empty());
    }
}

TEST_F(DownloadClick, ChannelQuestionFollowsThePlayListQuestion) {
    AddLines({kPlayList, kChannel, kVideo});
    prompts.answers = {MessageAnswer::No, MessageAnswer::Cancel};
    ClickDownload();
    ASSERT_EQ(prompts.messages.size(), 2u);
    EXPECT_TRUE(prompts.messages[0].text.contains(QStringLiteral("playlist")));
    EXPECT_TRUE(prompts.messages[1].text.contains(QStringLiteral("full channels")));
    EXPECT_EQ(service.calls,
              (std::vector<std::string>{"FilterUnsupportedSites", "ContainPlayList",
                                        "ContainChannels", "RemoveChannels", "Download"}));
    ASSERT_EQ(service.downloads.size(), 1u);
    EXPECT_EQ(service.downloads[0].urls, (std::vector<std::wstring>{kPlayList, kVideo}));
    EXPECT_FALSE(service.downloads[0].downloadPlaylists);
    EXPECT_TRUE(service.downloads[0].downloadChannels);
}

TEST_F(DownloadClick, EnterOutsideTheBoxQueuesWithTheChosenOptions) {
    ui::TabDownload& tab = Tab();
    AddLines({kVideo});
    tab.QualityList()->setCurrentIndex(5);  // HQ 360p (mp4)
    tab.AutoConvertBox()->setChecked(true);
    tab.ConvertTypeList()->setCurrentIndex(3);
    tab.ConvertQualityList()->setCurrentIndex(2);
    tab.DeleteOriginalBox()->setChecked(true);
    // The delete box counts as checked even while conversion is off again.
    tab.AutoConvertBox()->setChecked(false);

    // Enter in the box is a line break, not DOWNLOAD.
    tab.AddressBox()->setFocus();
    QTest::keyClick(tab.AddressBox(), Qt::Key_Return);
    EXPECT_TRUE(service.downloads.empty());

    tab.QualityList()->setFocus();
    QTest::keyClick(tab.QualityList(), Qt::Key_Return);
    ASSERT_EQ(service.downloads.size(), 1u);
    const RecordingDownloadService::DownloadCall& call = service.downloads[0];
    EXPECT_EQ(call.urls, std::vector<std::wstring>{kVideo});
    EXPECT_EQ(call.qualityCode, DownloadQuality::kHq360Mp4);
    EXPECT_FALSE(call.autoConvert);
    EXPECT_TRUE(call.deleteOriginal);
    EXPECT_EQ(call.convertType, 3);
    EXPECT_EQ(call.convertQuality, ConversionQuality::kMedium);
}

TEST_F(DownloadClick, StartingAddUrlsPressesDownload) {
    Tab().AddUrls(QString::fromStdWString(L"junk\n" + kVideo), true);
    ASSERT_EQ(service.downloads.size(), 1u);
    EXPECT_EQ(service.downloads[0].urls, std::vector<std::wstring>{kVideo});
}

TEST_F(DownloadClick, LogFollowsTheSequence) {
    settings.SetNumber(setting::kDebugLogging, 1);
    std::filesystem::create_directories(home.DataFolder());
    AddLines({kVideo, kPlayList});
    prompts.answers.push_back(MessageAnswer::Cancel);
    ClickDownload();
    const std::string log = ReadFileBytes(home.DataFolder() / "Log.txt");
    EXPECT_NE(log.find("Enter TabDownload::OnClickBtnDownload\n"
                       "Enter TabDownload::GetDownloadDir\n"
                       "Exit TabDownload::GetDownloadDir\n"
                       "Enter Engine::ContainPlayList\n"
                       "Enter Engine::RemovePlayLists\n"
                       "Enter TabDownload::GetConvertQuality\n"
                       "Enter TabDownload::GetConvertType\n"
                       "Enter TabDownload::GetDownloadQuality\n"
                       "Exit TabDownload::OnClickBtnDownload (success)\n"),
              std::string::npos)
        << log;
}

}  // namespace
}  // namespace talvex::test
