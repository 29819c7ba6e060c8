// The Convert page with real widgets: its start state and stored choices, the advanced and trim
// boxes, the replace box, the file picker, refusals with their focus, Enter, and real
// conversions through the page and through the manual dialog.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <functional>

#include "convert/ConversionProfiles.h"
#include "platform/MessageSink.h"
#include "ui/ConvManualDlg.h"
#include "ui/CustomButton.h"
#include "ui/DStaticText.h"
#include "ui/DialogUnits.h"
#include "ui/convert/ConvertFixture.h"

namespace talvex::test {
namespace {

namespace fs = std::filesystem;
using ui::MessageIcon;

class TabConvertTest : public ConvertFixture {
protected:
    void ClickConvert() { QTest::mouseClick(Tab().ConvertButton(), Qt::LeftButton); }

    // A click on the box's square (its middle may lie beyond its text, which takes no clicks).
    static void ClickBox(QCheckBox* box) {
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    }

    void SetFile(const fs::path& file) {
        Tab().FileBox()->setText(QString::fromStdString(file.string()));
    }

    // Acts on the manual dialog once the page has opened it (answer must end it); polled
    // because the dialog's event loop runs inside the click.
    void AnswerManualDialog(std::function<void(ui::ConvManualDlg&)> answer) {
        auto poll = std::make_shared<std::function<void(int)>>();
        *poll = [this, answer, poll](int triesLeft) {
            if (auto* dialog =
                    qobject_cast<ui::ConvManualDlg*>(QApplication::activeModalWidget())) {
                manualDialogSeen_ = true;
                answer(*dialog);
                return;
            }
            if (triesLeft > 0) {
                QTimer::singleShot(20, [poll, triesLeft] { (*poll)(triesLeft - 1); });
            }
        };
        QTimer::singleShot(0, [poll] { (*poll)(250); });
    }

    bool manualDialogSeen_ = false;
};

TEST_F(TabConvertTest, StartsWithTheAdvancedOptionsHiddenAndTheStoredChoices) {
    Settings().SetNumber(setting::kConversionType, kProfileManual);
    Settings().SetNumber(setting::kConvertQuality,
                         ConversionQualityNumber(ConversionQuality::kLow));
    ui::TabConvert& tab = Tab();
    EXPECT_EQ(tab.ProfileList()->count(), 8);
    EXPECT_EQ(tab.ProfileList()->currentIndex(), kProfileManual);
    EXPECT_EQ(tab.ProfileList()->currentText(),
              QStringLiteral("Manual conversion (Asks for the insertion of parameters)"));
    EXPECT_EQ(tab.QualityList()->count(), 4);
    EXPECT_EQ(tab.QualityList()->currentText(), QStringLiteral("Low"));

    EXPECT_FALSE(tab.AdvancedBox()->isChecked());
    EXPECT_FALSE(tab.AdvancedFrame()->isVisible());
    EXPECT_FALSE(tab.VolumeSlider()->isVisible());
    EXPECT_FALSE(tab.TrimBox()->isChecked());
    EXPECT_FALSE(tab.ReplaceBox()->isVisible());
    EXPECT_FALSE(tab.ReplaceBox()->isChecked());
    EXPECT_EQ(tab.VolumeSlider()->minimum(), 0);
    EXPECT_EQ(tab.VolumeSlider()->maximum(), 200);
    EXPECT_EQ(tab.VolumeSlider()->value(), 100);
    for (QLineEdit* box : {tab.StartBox(), tab.EndBox()}) {
        EXPECT_EQ(box->text(), QStringLiteral("00:00:00"));
        EXPECT_EQ(box->maxLength(), 8);
        EXPECT_FALSE(box->isEnabled());
    }
    EXPECT_TRUE(tab.FileBox()->text().isEmpty());
    EXPECT_EQ(tab.ConvertButton()->text(), QStringLiteral("CONVERT VIDEO"));
    EXPECT_EQ(tab.ConvertButton()->Colors().normalTop, ui::ButtonColors::Red().normalTop);
    EXPECT_EQ(tab.BrowseButton()->Colors().normalTop, ui::ButtonColors::Grey().normalTop);
    EXPECT_TRUE(tab.BrowseButton()->HasPicture());
}

TEST_F(TabConvertTest, AdvancedShowsTheGroupAndTrimEnablesTheTimes) {
    ui::TabConvert& tab = Tab();
    ClickBox(tab.AdvancedBox());
    EXPECT_TRUE(tab.AdvancedFrame()->isVisible());
    EXPECT_TRUE(tab.VolumeSlider()->isVisible());
    EXPECT_TRUE(tab.StartBox()->isVisible());
    for (QWidget* w : std::initializer_list<QWidget*>{
             tab.StartLabel(), tab.StartBox(), tab.EndLabel(), tab.EndBox(), tab.NoteLabel()}) {
        EXPECT_FALSE(w->isEnabled());
    }
    ClickBox(tab.TrimBox());
    for (QWidget* w : std::initializer_list<QWidget*>{
             tab.StartLabel(), tab.StartBox(), tab.EndLabel(), tab.EndBox(), tab.NoteLabel()}) {
        EXPECT_TRUE(w->isEnabled());
    }
    // The button stays where it was: the hidden group keeps its place.
    const QPoint buttonAt = tab.ConvertButton()->pos();
    ClickBox(tab.AdvancedBox());
    EXPECT_FALSE(tab.AdvancedFrame()->isVisible());
    EXPECT_TRUE(tab.TrimBox()->isChecked());
    EXPECT_EQ(tab.ConvertButton()->pos(), buttonAt);
    ClickBox(tab.AdvancedBox());
    ClickBox(tab.TrimBox());
    EXPECT_FALSE(tab.StartBox()->isEnabled());
}

TEST_F(TabConvertTest, ReplaceIsOfferedUncheckedWhileTheChosenOutputExists) {
    WriteFileBytes(media / "clip.flv", "source");
    WriteFileBytes(media / "clip.mp4", "earlier conversion");
    ui::TabConvert& tab = Tab();
    tab.ProfileList()->setCurrentIndex(kProfilePsp);
    EXPECT_FALSE(tab.ReplaceBox()->isVisible());

    SetFile(media / "clip.flv");
    EXPECT_TRUE(tab.ReplaceBox()->isVisible());
    EXPECT_FALSE(tab.ReplaceBox()->isChecked());
    ClickBox(tab.ReplaceBox());
    EXPECT_TRUE(tab.ReplaceChecked());

    // Another profile's output does not exist: hidden and cleared.
    tab.ProfileList()->setCurrentIndex(kProfileMp3);
    EXPECT_FALSE(tab.ReplaceBox()->isVisible());
    EXPECT_FALSE(tab.ReplaceChecked());
    // Back to one whose output exists: offered again, unchecked.
    tab.ProfileList()->setCurrentIndex(kProfileIphone);
    EXPECT_TRUE(tab.ReplaceBox()->isVisible());
    EXPECT_FALSE(tab.ReplaceChecked());
    ClickBox(tab.ReplaceBox());

    // Each edit of the name checks again; an emptied box hides it.
    tab.FileBox()->setFocus();
    tab.FileBox()->end(false);
    tab.FileBox()->cursorBackward(false, 4);
    QTest::keyClick(tab.FileBox(), Qt::Key_2);  // "clip2.flv": no "clip2.mp4"
    EXPECT_FALSE(tab.ReplaceBox()->isVisible());
    QTest::keyClick(tab.FileBox(), Qt::Key_Backspace);
    EXPECT_TRUE(tab.ReplaceBox()->isVisible());
    EXPECT_FALSE(tab.ReplaceChecked());
    tab.FileBox()->clear();
    EXPECT_FALSE(tab.ReplaceBox()->isVisible());

    // Neither the source itself nor the manual command's bare name counts.
    SetFile(media / "clip.mp4");
    EXPECT_FALSE(tab.ReplaceBox()->isVisible());
    WriteFileBytes(media / "clip", "bare name");
    SetFile(media / "clip.flv");
    tab.ProfileList()->setCurrentIndex(kProfileManual);
    EXPECT_FALSE(tab.ReplaceBox()->isVisible());
}

TEST_F(TabConvertTest, BrowseOffersMediaFilesAndTakesTheChosenOne) {
    WriteFileBytes(media / "clip.flv", "source");
    WriteFileBytes(media / "clip.mov", "earlier conversion");
    Settings().SetNumber(setting::kConversionType, kProfileIpod);
    ui::TabConvert& tab = Tab();
    prompts.files.push_back(QString::fromStdString((media / "clip.flv").string()));
    QTest::mouseClick(tab.BrowseButton(), Qt::LeftButton);
    ASSERT_EQ(prompts.fileFilters.size(), 1u);
    EXPECT_EQ(prompts.fileFilters[0],
              QStringLiteral("Flv Files (*.flv);;Mp3 Files (*.mp3);;Mp4 Files (*.mp4);;Mov Files "
                             "(*.mov);;Avi Files (*.avi);;All Files (*)"));
    EXPECT_EQ(tab.FileBox()->text(), QString::fromStdString((media / "clip.flv").string()));
    EXPECT_TRUE(tab.ReplaceBox()->isVisible());

    // Cancelling the picker keeps the name.
    QTest::keyClick(tab.BrowseButton(), Qt::Key_Space);
    EXPECT_EQ(prompts.fileFilters.size(), 2u);
    EXPECT_EQ(tab.FileBox()->text(), QString::fromStdString((media / "clip.flv").string()));
}

TEST_F(TabConvertTest, RefusedTimesPutTheFocusInTheBoxToMend) {
    ui::TabConvert& tab = Tab();
    SetFile(TwoMinuteClip());
    ClickBox(tab.AdvancedBox());
    ClickBox(tab.TrimBox());

    tab.StartBox()->setText(QStringLiteral("0:00:00"));
    tab.FileBox()->setFocus();
    ClickConvert();
    EXPECT_EQ(QApplication::focusWidget(), tab.StartBox());
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_TRUE(prompts.messages[0].text.startsWith(
        QStringLiteral("Invalid value for Start or End Time.")));

    // Well formed, but the clip ends at two minutes.
    tab.StartBox()->setText(QStringLiteral("00:02:00"));
    tab.FileBox()->setFocus();
    ClickConvert();
    EXPECT_EQ(QApplication::focusWidget(), tab.EndBox());
    EXPECT_EQ(prompts.messages.size(), 2u);
    EXPECT_TRUE(Conversions().empty());
    EXPECT_TRUE(window.posted.empty());
    EXPECT_FALSE(tab.FileBox()->text().isEmpty());

    // Typing is limited to the eight characters of a time.
    tab.EndBox()->clear();
    QTest::keyClicks(tab.EndBox(), QStringLiteral("00:00:1000"));
    EXPECT_EQ(tab.EndBox()->text(), QStringLiteral("00:00:10"));
}

TEST_F(TabConvertTest, EnterInTheFileBoxPressesConvert) {
    ui::TabConvert& tab = Tab();
    tab.FileBox()->setFocus();
    QTest::keyClicks(tab.FileBox(), QString::fromStdString((media / "missing.flv").string()));
    QTest::keyClick(tab.FileBox(), Qt::Key_Return);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].icon, MessageIcon::Warning);
    EXPECT_EQ(prompts.messages[0].text, QStringLiteral("Please select a media file."));
    EXPECT_TRUE(Conversions().empty());
}

TEST_F(TabConvertTest, ConvertsAClipWithVolumeAndCutAndShowsTheActivityTab) {
    const fs::path clip = MakeShortClip("clip.mp4", 3.0);
    ui::TabConvert& tab = Tab();
    SetFile(clip);
    tab.ProfileList()->setCurrentIndex(kProfilePsp);
    tab.QualityList()->setCurrentIndex(ConversionQualityNumber(ConversionQuality::kOptimal));
    ClickBox(tab.AdvancedBox());
    tab.VolumeSlider()->setValue(50);
    ClickBox(tab.TrimBox());
    tab.StartBox()->setText(QStringLiteral("00:00:01"));
    tab.EndBox()->setText(QStringLiteral("00:00:02"));
    ClickConvert();

    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_TRUE(tab.FileBox()->text().isEmpty());
    ASSERT_EQ(window.posted.size(), 1u);
    EXPECT_EQ(window.posted[0].message, kMsgSelectTab);
    EXPECT_EQ(window.posted[0].wParam, 2u);
    ASSERT_EQ(Conversions().size(), 1u);
    ConvertItem& item = *Conversions()[0];
    EXPECT_EQ(item.profile, kProfilePsp);
    EXPECT_EQ(item.quality, ConversionQuality::kOptimal);
    EXPECT_EQ(item.volumePercent, 50);
    EXPECT_TRUE(item.trim);
    ASSERT_EQ(WaitForEnd(item), ActivityState::Completed) << item.LastMessage();
    // The source has the profile's extension, so the output takes the profile's suffix.
    EXPECT_EQ(item.OutputPath(), (media / "clip(psp).mp4").wstring());
    const MediaInfo info = Probe(media / "clip(psp).mp4");
    ASSERT_TRUE(info.ok);
    EXPECT_EQ(info.videoCodec, "mpeg4");
    EXPECT_TRUE(info.hasAudio);
    EXPECT_NEAR(info.duration, 1.0, 0.3);
    EXPECT_TRUE(WorkFilesIn(media).empty());
}

TEST_F(TabConvertTest, ACheckedReplaceBoxOverwritesTheEarlierConversion) {
    const fs::path clip = MakeShortClip("clip.mp4", 1.0);
    WriteFileBytes(media / "clip.mp3", "an older conversion");
    ui::TabConvert& tab = Tab();
    tab.ProfileList()->setCurrentIndex(kProfileMp3);
    SetFile(clip);
    ASSERT_TRUE(tab.ReplaceBox()->isVisible());
    ClickBox(tab.ReplaceBox());
    ClickConvert();
    ASSERT_EQ(Conversions().size(), 1u);
    ConvertItem& item = *Conversions()[0];
    EXPECT_TRUE(item.replaceExisting);
    EXPECT_FALSE(tab.ReplaceBox()->isVisible()) << "the emptied box offers nothing";
    ASSERT_EQ(WaitForEnd(item), ActivityState::Completed) << item.LastMessage();
    EXPECT_TRUE(Probe(media / "clip.mp3").hasAudio);
    EXPECT_FALSE(fs::exists(media / "clip(mp3).mp3"));
}

TEST_F(TabConvertTest, ManualConversionThroughTheDialog) {
    const fs::path clip = MakeShortClip("clip.mp4", 1.0);
    ui::TabConvert& tab = Tab();
    tab.ProfileList()->setCurrentIndex(kProfileManual);

    // Cancel: nothing is queued and the emptied box stays empty.
    Settings().SetString(setting::kConversionParams, L"ffmpeg -i %1 earlier.mp3");
    SetFile(clip);
    AnswerManualDialog([](ui::ConvManualDlg& d) { d.CancelButton()->click(); });
    ClickConvert();
    EXPECT_TRUE(manualDialogSeen_);
    EXPECT_TRUE(Conversions().empty());
    EXPECT_TRUE(window.posted.empty());
    EXPECT_TRUE(tab.FileBox()->text().isEmpty());
    EXPECT_EQ(Settings().GetString(setting::kConversionParams, L""), L"ffmpeg -i %1 earlier.mp3");

    // OK: the line is stored and run.
    manualDialogSeen_ = false;
    SetFile(clip);
    QString startLine;
    AnswerManualDialog([&](ui::ConvManualDlg& d) {
        startLine = d.CommandBox()->text();
        d.CommandBox()->setText(QStringLiteral("ffmpeg -i %1 -vn -ab 64k %2.mp3"));
        d.OkButton()->click();
    });
    ClickConvert();
    EXPECT_TRUE(manualDialogSeen_);
    // A new item's empty line: the default, not the stored line of the last conversion.
    EXPECT_EQ(
        startLine,
        QStringLiteral("ffmpeg -i %1 -s 420x240 -r 14 -b 50k -ar 22050 -ab 56k -ac 1 %2.mp4"));
    EXPECT_EQ(Settings().GetString(setting::kConversionParams, L""),
              L"ffmpeg -i %1 -vn -ab 64k %2.mp3");
    ASSERT_EQ(Conversions().size(), 1u);
    ConvertItem& item = *Conversions()[0];
    EXPECT_EQ(item.GetFileName(), L"Manual Conversion - clip.mp4");
    ASSERT_EQ(window.posted.size(), 1u);
    EXPECT_EQ(window.posted[0].wParam, 2u);
    ASSERT_EQ(WaitForEnd(item), ActivityState::Completed);
    const MediaInfo info = Probe(media / "clip.mp4.mp3");
    EXPECT_TRUE(info.ok && info.hasAudio && !info.hasVideo);
}

TEST_F(TabConvertTest, ChoicesAreStoredWhenThePageIsHiddenAndReadBack) {
    Settings().SetNumber(setting::kConversionType, 8);
    Settings().SetNumber(setting::kConvertQuality, 4);
    ui::TabConvert& tab = Tab();
    EXPECT_EQ(tab.ProfileList()->currentIndex(), 0);
    EXPECT_EQ(tab.QualityList()->currentIndex(), 0);
    tab.ProfileList()->setCurrentIndex(kProfileXvid);
    tab.QualityList()->setCurrentIndex(ConversionQualityNumber(ConversionQuality::kMedium));
    tab.hide();
    EXPECT_EQ(Settings().GetNumber(setting::kConversionType), uint32_t{kProfileXvid});
    EXPECT_EQ(Settings().GetNumber(setting::kConvertQuality),
              uint32_t{ConversionQualityNumber(ConversionQuality::kMedium)});

    DestroyTab();
    ui::TabConvert& again = Tab();
    EXPECT_EQ(again.ProfileList()->currentIndex(), kProfileXvid);
    EXPECT_EQ(again.QualityList()->currentIndex(),
              ConversionQualityNumber(ConversionQuality::kMedium));
    again.ProfileList()->setCurrentIndex(kProfileCellPhone);
    again.SaveSettings();
    EXPECT_EQ(Settings().GetNumber(setting::kConversionType), uint32_t{kProfileCellPhone});
}

TEST_F(TabConvertTest, ALanguageChangeRetextsRefillsAndResetsTheTimes) {
    ui::TabConvert& tab = Tab();
    Settings().SetNumber(setting::kConvertQuality,
                         ConversionQualityNumber(ConversionQuality::kLow));
    tab.StartBox()->setText(QStringLiteral("00:00:09"));
    ASSERT_TRUE(Strings().Load(fs::path(TALVEX_SOURCE_DIR) / "data/Lang/res1031.ini", false));
    tab.ApplyLanguage();
    EXPECT_EQ(tab.ConvertButton()->text(), QStringLiteral("VIDEO KONVERTIEREN"));
    EXPECT_EQ(tab.ProfileList()->itemText(kProfileCellPhone), QStringLiteral("Handy (H.263 3GP)"));
    EXPECT_EQ(tab.ProfileList()->count(), 8);
    EXPECT_EQ(tab.QualityList()->currentText(), QStringLiteral("Niedrig"));
    EXPECT_EQ(tab.ReplaceBox()->text(), QStringLiteral("Vorhandene Datei ersetzen"));
    EXPECT_EQ(tab.StartBox()->text(), QStringLiteral("00:00:00"));
    EXPECT_EQ(tab.StartBox()->accessibleName(), QStringLiteral("Startzeit"));
}

TEST_F(TabConvertTest, PageFitsItsTemplateAndTabsInReadingOrder) {
    ui::TabConvert& tab = Tab();
    ClickBox(tab.AdvancedBox());
    ClickBox(tab.TrimBox());
    WriteFileBytes(media / "clip.flv", "source");
    WriteFileBytes(media / "clip.mov", "earlier");
    tab.ProfileList()->setCurrentIndex(kProfileIpod);
    SetFile(media / "clip.flv");
    ASSERT_TRUE(tab.ReplaceBox()->isVisible());

    const QSize page = ui::DialogUnits(tab.font()).Size(407, 179);
    EXPECT_LE(tab.minimumSizeHint().width(), page.width());
    EXPECT_LE(tab.minimumSizeHint().height(), page.height());

    const std::vector<QWidget*> order = {tab.FileBox(),      tab.BrowseButton(), tab.ProfileList(),
                                         tab.ReplaceBox(),   tab.QualityList(),  tab.AdvancedBox(),
                                         tab.VolumeSlider(), tab.TrimBox(),      tab.StartBox(),
                                         tab.EndBox(),       tab.ConvertButton()};
    tab.FileBox()->setFocus();
    for (std::size_t i = 1; i < order.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), order[i]) << i;
    }
    EXPECT_EQ(tab.FileBox()->accessibleName(), QStringLiteral("Select the video file"));
    EXPECT_EQ(tab.ProfileList()->accessibleName(), QStringLiteral("Convert video to"));
    EXPECT_EQ(tab.QualityList()->accessibleName(), QStringLiteral("Conversion quality"));
    EXPECT_EQ(tab.VolumeSlider()->accessibleName(), QStringLiteral("Change video volume"));
    EXPECT_EQ(tab.EndBox()->accessibleName(), QStringLiteral("End time*"));
    EXPECT_EQ(tab.BrowseButton()->accessibleName(), QStringLiteral("Browse"));
}

}  // namespace
}  // namespace talvex::test
