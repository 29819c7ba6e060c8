#pragma once
// What the CONVERT VIDEO button does: checks the trim times against the file's duration and
// that the file exists, makes a conversion item with the tab's choices, asks for the command
// line of a manual conversion, brings the Activity tab forward and queues the item. It talks
// to the tab only through View, so the whole sequence can be followed without a window.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "activity/ConversionQuality.h"

class QWidget;

namespace talvex {
class Engine;
class IMessageSink;
}  // namespace talvex

namespace talvex::ui {

class UiPrompts;

class ConvertRequest {
public:
    // The tab as the request sees it.
    class View {
    public:
        virtual ~View() = default;
        virtual std::wstring FileText() const = 0;
        virtual void SetFileText(const std::wstring& text) = 0;
        virtual bool ReplaceChecked() const = 0;
        virtual bool AdvancedChecked() const = 0;
        virtual bool TrimChecked() const = 0;
        virtual std::wstring StartText() const = 0;
        virtual std::wstring EndText() const = 0;
        virtual int32_t VolumePercent() const = 0;
        virtual int32_t ProfileRow() const = 0;
        virtual ConversionQuality Quality() const = 0;
        virtual void FocusStartBox() = 0;
        virtual void FocusEndBox() = 0;
        // The manual conversion dialog, starting with params; the confirmed command line, or
        // nothing when the user did not confirm.
        virtual std::optional<std::wstring> AskManualParams(const std::wstring& params) = 0;
        // The owner of the message boxes.
        virtual QWidget* DialogWidget() = 0;
    };

    // The Activity tab's index in the main window.
    static constexpr uintptr_t kActivityTab = 2;

    // encoder: the program asked for a file's duration when trim times are checked.
    ConvertRequest(View& view, Engine& engine, UiPrompts& prompts, IMessageSink* mainWindow,
                   std::filesystem::path encoder);

    // The whole sequence; true when an item went to the engine.
    bool Run();

private:
    // False (with the focus put and the message shown) when the times are refused.
    bool CheckTrimTimes(const std::wstring& file);

    View& view_;
    Engine& engine_;
    UiPrompts& prompts_;
    IMessageSink* mainWindow_;
    std::filesystem::path encoder_;
};

}  // namespace talvex::ui
