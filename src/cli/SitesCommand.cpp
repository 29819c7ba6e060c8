#include <cstdio>

#include "cli/Commands.h"
#include "cli/ItemRunner.h"
#include "engine/Engine.h"
#include "platform/Utf8.h"

namespace talvex::cli {

int RunSites(CommandContext& context) {
    SiteParser& parser = context.engine.Parser();
    std::fprintf(context.results, "%s\n", WideToUtf8(parser.ScriptVersion()).c_str());
    for (const std::wstring& key : parser.Scripts().Keys()) {
        std::fprintf(context.results, "%s\n", WideToUtf8(key).c_str());
    }
    std::fflush(context.results);
    return parser.Scripts().Size() > 0 ? kExitOk : kExitFailed;
}

}  // namespace talvex::cli
