#include "app/SettingsFile.h"

#include <cerrno>
#include <string>
#include <string_view>

#include "platform/FileOps.h"

namespace talvex {

namespace {

// Whether the arrays and objects of a JSON text nest at most maxDepth deep. Brackets inside
// strings do not count. Only a bound: whether the text is JSON at all is the parser's business.
bool NestingWithin(std::string_view text, size_t maxDepth) {
    size_t depth = 0;
    bool inString = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\') {
                ++i;
            } else if (c == '"') {
                inString = false;
            }
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > maxDepth) {
                return false;
            }
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
    return true;
}

}  // namespace

SettingsDocument ReadSettingsFile(const std::filesystem::path& file) {
    SettingsDocument doc;
    try {
        std::string bytes;
        switch (ReadRegularFile(file, kMaxSettingsFileBytes, bytes)) {
            case FileRead::Missing:
                doc.state = SettingsFileState::Missing;
                return doc;
            case FileRead::TooLarge:
                doc.state = SettingsFileState::Bad;
                return doc;
            case FileRead::Failed:
                doc.state = SettingsFileState::Unreadable;
                return doc;
            case FileRead::Read:
                break;
        }
        if (bytes.empty()) {
            return doc;  // nothing to lose: same as no file
        }
        if (!NestingWithin(bytes, kMaxSettingsNesting)) {
            doc.state = SettingsFileState::Bad;
            return doc;
        }
        nlohmann::json parsed = nlohmann::json::parse(bytes, nullptr, /*allow_exceptions=*/false);
        if (parsed.is_discarded() || !parsed.is_object()) {
            doc.state = SettingsFileState::Bad;
            return doc;
        }
        doc.values = std::move(parsed);
        doc.state = SettingsFileState::Valid;
    } catch (...) {
        // Out of memory, not a fault of the file.
        doc.state = SettingsFileState::Unreadable;
        doc.values = nlohmann::json::object();
    }
    return doc;
}

}  // namespace talvex
