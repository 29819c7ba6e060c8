#include "ui/ConvertRequest.h"

#include <algorithm>
#include <system_error>
#include <utility>

#include "app/DebugLog.h"
#include "app/SettingsStore.h"
#include "app/StringTable.h"
#include "app/threads/RefPtr.h"
#include "convert/ConversionProfiles.h"
#include "convert/ConvertItem.h"
#include "convert/ManualCommandRefusal.h"
#include "convert/ManualConversionName.h"
#include "convert/TrimTimes.h"
#include "engine/Engine.h"
#include "platform/MessageSink.h"
#include "platform/PathText.h"
#include "ui/ConvertTabRules.h"
#include "ui/UiPrompts.h"
#include "ui/UiText.h"

namespace talvex::ui {

namespace fs = std::filesystem;

namespace {

bool IsFile(const std::wstring& text) {
    std::error_code error;
    return !text.empty() && fs::is_regular_file(ToPath(text), error);
}

// A typed name is relative to this process's folder; the item and the encoder need the file
// wherever they run.
std::wstring AbsolutePath(const std::wstring& text) {
    std::error_code error;
    const fs::path absolute = fs::absolute(ToPath(text), error);
    return error ? text : FromPath(absolute.lexically_normal());
}

}  // namespace

ConvertRequest::ConvertRequest(View& view, Engine& engine, UiPrompts& prompts,
                               IMessageSink* mainWindow, fs::path encoder)
    : view_(view),
      engine_(engine),
      prompts_(prompts),
      mainWindow_(mainWindow),
      encoder_(std::move(encoder)) {}

bool ConvertRequest::CheckTrimTimes(const std::wstring& file) {
    const std::wstring start = view_.StartText();
    const std::wstring end = view_.EndText();
    const TrimCheck check = CheckTrimTimesOfFile(start, end, encoder_, ToPath(file));
    if (check == TrimCheck::Valid) {
        return true;
    }
    if (check == TrimCheck::BadStart) {
        view_.FocusStartBox();
    } else {
        view_.FocusEndBox();
    }
    prompts_.Message(view_.DialogWidget(), MessageIcon::Information, MessageButtons::Ok,
                     Text(*engine_.GetStringTable(), L"tab.convert.msg.invalid.cut.time",
                          L"Invalid value for Start or End Time. The time needs to be in the "
                          L"00:00:00 format (HH:MM:SS). Also the End Time has to be bigger than "
                          L"the Start Time. Please re-enter."));
    return false;
}

bool ConvertRequest::Run() {
    DebugLog::Write("Enter TabConvert::OnClickBtnConvert");
    const std::wstring file = view_.FileText();
    const bool replace = view_.ReplaceChecked();
    const bool advanced = view_.AdvancedChecked();
    if (advanced && view_.TrimChecked() && !CheckTrimTimes(file)) {
        DebugLog::Write("Exit TabConvert::OnClickBtnConvert (fails - invalid trim times)");
        return false;
    }
    if (!IsFile(file)) {
        prompts_.Message(
            view_.DialogWidget(), MessageIcon::Warning, MessageButtons::Ok,
            Text(*engine_.GetStringTable(), L"msg.select.file", L"Please select a media file."));
        DebugLog::Write("Exit TabConvert::OnClickBtnConvert (fails - no file)");
        return false;
    }

    const int32_t profile = view_.ProfileRow();
    const std::wstring source = AbsolutePath(file);
    RefPtr<ConvertItem> item(new ConvertItem(profile, view_.Quality()));
    item->replaceExisting = ConvertTabRules::ReplaceExisting(replace, source, profile);
    item->sourcePath = source;
    view_.SetFileText(std::wstring());
    if (advanced) {
        item->trim = view_.TrimChecked();
        item->volumePercent = std::clamp(view_.VolumePercent(), 0, 200);
        item->trimStart = view_.StartText();
        item->trimEnd = view_.EndText();
    }
    if (profile == kProfileManual) {
        std::optional<std::wstring> params = view_.AskManualParams(item->manualParams);
        if (!params) {
            DebugLog::Write("Exit TabConvert::OnClickBtnConvert (manual conversion canceled)");
            return false;
        }
        if (auto refusal = ManualCommandRefusal(engine_.GetStringTable(), *params, encoder_)) {
            prompts_.Message(view_.DialogWidget(), MessageIcon::Warning, MessageButtons::Ok,
                             QString::fromStdWString(*refusal));
            DebugLog::Write("Exit TabConvert::OnClickBtnConvert (fails - not an encoder command)");
            return false;
        }
        item->manualParams = *params;
        engine_.GetSettings()->SetString(setting::kConversionParams, *params);
        item->SetOutputPath(ManualConversionName(*engine_.GetStringTable(), source));
    }

    // Posted, so the switch happens after this handler.
    if (mainWindow_ != nullptr) {
        mainWindow_->Post(kMsgSelectTab, kActivityTab, 0);
    }
    engine_.AddItem(item.get());
    DebugLog::Write("Exit TabConvert::OnClickBtnConvert (success)");
    return true;
}

}  // namespace talvex::ui
