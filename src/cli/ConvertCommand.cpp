#include <filesystem>
#include <string>
#include <vector>

#include "app/SettingsStore.h"
#include "app/StringTable.h"
#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/ItemRunner.h"
#include "convert/ConversionProfiles.h"
#include "convert/ConvertItem.h"
#include "convert/EncoderReport.h"
#include "convert/ManualCommandRefusal.h"
#include "convert/ManualConversionName.h"
#include "convert/TrimTimes.h"
#include "engine/Engine.h"
#include "platform/Utf8.h"

namespace talvex::cli {

namespace fs = std::filesystem;

namespace {

// Every file is checked before anything is queued: a mistake in the last name must not leave
// the first ones converting.
bool CheckInputs(const ConvertOptions& options, const StringTable& strings, Console& console,
                 std::vector<fs::path>& files) {
    for (const std::string& name : options.files) {
        std::error_code ec;
        const fs::file_status status = fs::status(name, ec);
        if (!fs::is_regular_file(status)) {
            // The window's "Please select a media file." names a picker this program has not.
            const char* what = !fs::exists(status)        ? "no such file"
                               : fs::is_directory(status) ? "a folder, not a media file"
                                                          : "not a regular file";
            console.Message("talvex-cli: " + name + ": " + what);
            return false;
        }
        const fs::path absolute = fs::absolute(name, ec);
        files.push_back(ec ? fs::path(name) : absolute.lexically_normal());
    }
    if (!options.trim) {
        return true;
    }
    const fs::path encoder = EncoderPath();
    for (const fs::path& file : files) {
        if (CheckTrimTimesOfFile(Utf8ToWide(options.trimStart), Utf8ToWide(options.trimEnd),
                                 encoder, file) != TrimCheck::Valid) {
            console.Message("talvex-cli: " + file.string() + ": " +
                            WideToUtf8(strings.GetText(
                                L"tab.convert.msg.invalid.cut.time",
                                L"Invalid value for Start or End Time. The time needs to be in "
                                L"the 00:00:00 format (HH:MM:SS). Also the End Time has to be "
                                L"bigger than the Start Time. Please re-enter.")));
            return false;
        }
    }
    return true;
}

}  // namespace

int RunConvert(const ConvertOptions& options, CommandContext& context) {
    Engine& engine = context.engine;
    const StringTable& strings = *engine.GetStringTable();
    std::vector<fs::path> files;
    if (!CheckInputs(options, strings, context.console, files)) {
        return kExitUsage;
    }
    const int32_t profile = options.manual ? kProfileManual : options.profile.value_or(0);
    if (options.manual) {
        if (auto refusal =
                ManualCommandRefusal(&strings, Utf8ToWide(*options.manual), EncoderPath())) {
            context.console.Message("talvex-cli: " + WideToUtf8(*refusal));
            return kExitUsage;
        }
        // As after a confirmed manual conversion in the desktop program.
        engine.GetSettings()->SetString(setting::kConversionParams, Utf8ToWide(*options.manual));
    }
    for (const fs::path& file : files) {
        RefPtr<ConvertItem> item(new ConvertItem(profile, options.quality));
        item->replaceExisting = options.replace;
        item->sourcePath = Utf8ToWide(file.string());
        item->volumePercent = options.volume;
        item->trim = options.trim;
        if (options.trim) {
            item->trimStart = Utf8ToWide(options.trimStart);
            item->trimEnd = Utf8ToWide(options.trimEnd);
        }
        if (options.manual) {
            item->manualParams = Utf8ToWide(*options.manual);
            item->SetOutputPath(ManualConversionName(strings, item->sourcePath));
        }
        engine.AddItem(item.get());
    }
    ItemRunner runner(engine, context.loop, context.console, context.view);
    return runner.Run(context.results);
}

}  // namespace talvex::cli
