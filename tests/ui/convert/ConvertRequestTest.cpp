// What pressing CONVERT VIDEO does, followed without widgets: the trim times against a real
// clip's duration and the box that takes the focus, the missing-file refusal, the options the
// item gets and a source that is never replaced. The manual command is followed through the
// page and its dialog (TabConvertTest).
#include <optional>
#include <string>
#include <vector>

#include "convert/ConversionProfiles.h"
#include "convert/EncoderReport.h"
#include "platform/MessageSink.h"
#include "ui/ConvertRequest.h"
#include "ui/UiPrompts.h"
#include "ui/convert/ConvertFixture.h"

namespace talvex::test {
namespace {

namespace fs = std::filesystem;
using ui::MessageButtons;
using ui::MessageIcon;

const QString kInvalidTimes = QStringLiteral(
    "Invalid value for Start or End Time. The time needs to be in the 00:00:00 format "
    "(HH:MM:SS). Also the End Time has to be bigger than the Start Time. Please re-enter.");

// The tab's controls as plain values; what the request asked of it is recorded.
class FakeView : public ui::ConvertRequest::View {
public:
    std::wstring FileText() const override { return file; }
    void SetFileText(const std::wstring& text) override { file = text; }
    bool ReplaceChecked() const override { return replace; }
    bool AdvancedChecked() const override { return advanced; }
    bool TrimChecked() const override { return trim; }
    std::wstring StartText() const override { return start; }
    std::wstring EndText() const override { return end; }
    int32_t VolumePercent() const override { return volume; }
    int32_t ProfileRow() const override { return profile; }
    ConversionQuality Quality() const override { return quality; }
    void FocusStartBox() override { focus.push_back("start"); }
    void FocusEndBox() override { focus.push_back("end"); }
    std::optional<std::wstring> AskManualParams(const std::wstring& params) override {
        manualAsked.push_back(params);
        return manualAnswer;
    }
    QWidget* DialogWidget() override { return nullptr; }

    std::wstring file;
    bool replace = false;
    bool advanced = false;
    bool trim = false;
    std::wstring start = L"00:00:00";
    std::wstring end = L"00:00:00";
    int32_t volume = 100;
    int32_t profile = kProfileMp3;
    ConversionQuality quality = ConversionQuality::kLow;
    std::vector<std::string> focus;
    std::vector<std::wstring> manualAsked;
    std::optional<std::wstring> manualAnswer;
};

class ConvertRequestTest : public ConvertFixture {
protected:
    bool Convert() {
        return ui::ConvertRequest(view, *engine, prompts, &window, EncoderPath()).Run();
    }
    // Nothing was queued, posted or asked.
    void ExpectNothingStarted() {
        EXPECT_TRUE(Conversions().empty());
        EXPECT_TRUE(window.posted.empty());
        EXPECT_TRUE(view.manualAsked.empty());
    }

    FakeView view;
};

TEST_F(ConvertRequestTest, TrimTimesAreCheckedAgainstTheClipsDuration) {
    const fs::path clip = TwoMinuteClip();
    ASSERT_TRUE(fs::exists(clip));
    struct Case {
        const wchar_t* start;
        const wchar_t* end;
        const char* focus;  // nullptr: accepted
    } const cases[] = {
        {L"00:01:00", L"00:00:00", nullptr},  // to the end of the clip
        {L"00:02:00", L"00:00:00", "end"},    // starts where the clip ends
        {L"00:00:30", L"00:00:20", "end"},    // ends before it starts
        {L"00:00:30", L"00:00:30", "end"},
        {L"00:01:30", L"00:05:00", nullptr},  // the end is not held against the duration
        {L"0:00:00", L"00:00:10", "start"},   // seven characters
        {L"00:60:00", L"00:00:00", "start"},  // sixty minutes
        {L"00:00:10", L"00:0:10", "end"},
        {L"00:00:10", L"junk", "end"},
    };
    size_t queued = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(fs::path(c.start).string() + " " + fs::path(c.end).string());
        prompts.messages.clear();
        view.focus.clear();
        view.file = clip.wstring();
        view.advanced = true;
        view.trim = true;
        view.start = c.start;
        view.end = c.end;
        const bool ran = Convert();
        if (c.focus == nullptr) {
            ASSERT_TRUE(ran);
            EXPECT_TRUE(prompts.messages.empty());
            EXPECT_TRUE(view.focus.empty());
            ++queued;
            ASSERT_EQ(Conversions().size(), queued);
            ConvertItem& item = *Conversions().back();
            EXPECT_TRUE(item.trim);
            EXPECT_EQ(item.trimStart, c.start);
            EXPECT_EQ(item.trimEnd, c.end);
            EXPECT_TRUE(view.file.empty());
        } else {
            EXPECT_FALSE(ran);
            EXPECT_EQ(view.focus, std::vector<std::string>{c.focus});
            ASSERT_EQ(prompts.messages.size(), 1u);
            EXPECT_EQ(prompts.messages[0].icon, MessageIcon::Information);
            EXPECT_EQ(prompts.messages[0].buttons, MessageButtons::Ok);
            EXPECT_EQ(prompts.messages[0].text, kInvalidTimes);
            EXPECT_EQ(Conversions().size(), queued);
            EXPECT_EQ(view.file, clip.wstring()) << "the file stays for another try";
        }
    }
    // The accepted cuts really convert.
    for (const RefPtr<ConvertItem>& item : Conversions()) {
        EXPECT_EQ(WaitForEnd(*item), ActivityState::Completed) << item->LastMessage();
    }
}

TEST_F(ConvertRequestTest, AMissingFileIsRefusedAfterTheTimeCheck) {
    for (const std::wstring& file :
         {std::wstring(), (media / "gone.mp4").wstring(), media.wstring()}) {
        SCOPED_TRACE(fs::path(file).string());
        prompts.messages.clear();
        view.file = file;
        // Times that are well formed pass without a duration to hold them against.
        view.advanced = true;
        view.trim = true;
        view.start = L"00:00:05";
        EXPECT_FALSE(Convert());
        ASSERT_EQ(prompts.messages.size(), 1u);
        EXPECT_EQ(prompts.messages[0].icon, MessageIcon::Warning);
        EXPECT_EQ(prompts.messages[0].buttons, MessageButtons::Ok);
        EXPECT_EQ(prompts.messages[0].text, QStringLiteral("Please select a media file."));
        EXPECT_TRUE(view.focus.empty());
        EXPECT_EQ(view.file, file);
    }
    ExpectNothingStarted();
}

TEST_F(ConvertRequestTest, WithoutAdvancedOptionsTheItemKeepsItsDefaults) {
    const fs::path clip = MakeShortClip("clip.mp4", 1.0);
    view.file = clip.wstring();
    view.trim = true;  // left on, but the advanced box is cleared: nothing is checked or cut
    view.start = L"nonsense";
    view.volume = 0;
    view.profile = kProfileWmv;
    view.quality = ConversionQuality::kMedium;
    ASSERT_TRUE(Convert());
    ASSERT_EQ(Conversions().size(), 1u);
    ConvertItem& item = *Conversions()[0];
    EXPECT_EQ(item.profile, kProfileWmv);
    EXPECT_EQ(item.quality, ConversionQuality::kMedium);
    EXPECT_EQ(item.sourcePath, clip.wstring());
    EXPECT_FALSE(item.trim);
    EXPECT_EQ(item.trimStart, L"0:00:00");
    EXPECT_EQ(item.trimEnd, L"0:00:00");
    EXPECT_EQ(item.volumePercent, 100);
    EXPECT_FALSE(item.replaceExisting);
    EXPECT_FALSE(item.convertFlag);
    ASSERT_EQ(window.posted.size(), 1u);
    EXPECT_EQ(window.posted[0].message, kMsgSelectTab);
    EXPECT_EQ(window.posted[0].wParam, 2u);
    EXPECT_EQ(WaitForEnd(item), ActivityState::Completed) << item.LastMessage();
    EXPECT_TRUE(fs::exists(media / "clip.wmv"));
}

TEST_F(ConvertRequestTest, AdvancedOptionsGoToTheItemAndTypedNamesBecomeAbsolute) {
    MakeShortClip("clip.mp4", 1.0);
    const fs::path here = fs::current_path();
    fs::current_path(media);
    view.file = L"clip.mp4";
    view.advanced = true;
    view.trim = false;
    view.volume = 0;
    view.start = L"00:00:01";
    view.end = L"00:00:02";
    view.profile = kProfileXvid;
    const bool ran = Convert();
    fs::current_path(here);
    ASSERT_TRUE(ran);
    ASSERT_EQ(Conversions().size(), 1u);
    ConvertItem& item = *Conversions()[0];
    EXPECT_EQ(item.sourcePath, (media / "clip.mp4").wstring());
    EXPECT_FALSE(item.trim);
    EXPECT_EQ(item.volumePercent, 0);
    EXPECT_EQ(item.trimStart, L"00:00:01");
    EXPECT_EQ(item.trimEnd, L"00:00:02");
    ASSERT_EQ(WaitForEnd(item), ActivityState::Completed) << item.LastMessage();
    // Volume 0 drops the sound; without the cut the whole second is there.
    const MediaInfo info = Probe(media / "clip.avi");
    EXPECT_TRUE(info.ok && info.hasVideo);
    EXPECT_FALSE(info.hasAudio);
    EXPECT_NEAR(info.duration, 1.0, 0.3);
}

TEST_F(ConvertRequestTest, ReplacingNeverDeletesTheSource) {
    const fs::path clip = MakeShortClip("clip.mp4", 1.0);
    const std::string original = ReadFileBytes(clip);
    view.file = clip.wstring();
    view.profile = kProfilePsp;  // ".mp4", the source's own name
    view.replace = true;
    ASSERT_TRUE(Convert());
    ConvertItem& item = *Conversions()[0];
    EXPECT_FALSE(item.replaceExisting);
    ASSERT_EQ(WaitForEnd(item), ActivityState::Completed) << item.LastMessage();
    EXPECT_EQ(ReadFileBytes(clip), original);
    EXPECT_EQ(item.OutputPath(), (media / "clip(psp).mp4").wstring());
    const MediaInfo info = Probe(media / "clip(psp).mp4");
    EXPECT_TRUE(info.ok && info.hasVideo && info.hasAudio);
}

}  // namespace
}  // namespace talvex::test
