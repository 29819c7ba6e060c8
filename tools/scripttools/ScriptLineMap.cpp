#include "scripttools/ScriptLineMap.h"

#include <algorithm>
#include <filesystem>

#include "platform/Utf8.h"

namespace talvex::scripttools {

ScriptLineMap::ScriptLineMap(const std::vector<SourceLine>& lines) : blocks_(ReadBlocks(lines)) {}

const ScriptBlock* ScriptLineMap::Find(const SiteScript& script) const {
    const auto cached = found_.find(&script);
    if (cached != found_.end()) {
        return cached->second;
    }
    const ScriptBlock* match = nullptr;
    for (const auto& block : blocks_.blocks) {
        if (block->openingKey != script.siteKey ||
            block->statements.size() != script.lines.size()) {
            continue;
        }
        if (std::equal(block->statements.begin(), block->statements.end(), script.lines.begin(),
                       [](const SourceLine& a, const std::wstring& b) { return a.text == b; })) {
            match = block.get();  // the last one: a later block of a key replaces an earlier one
        }
    }
    found_.emplace(&script, match);
    return match;
}

int ScriptLineMap::Line(const SiteScript& script, size_t index) const {
    const ScriptBlock* block = Find(script);
    return block != nullptr && index < block->statements.size() ? block->statements[index].number
                                                                : 0;
}

std::optional<std::string> ScriptLineMap::FileOf(const SiteScript& script) const {
    const ScriptBlock* block = Find(script);
    return block != nullptr ? std::optional<std::string>(block->site.file) : std::nullopt;
}

std::string ScriptLineMap::Where(const SiteScript& script, size_t index) const {
    const ScriptBlock* block = Find(script);
    if (block == nullptr || index >= block->statements.size()) {
        return WideToUtf8(script.siteKey) + "[" + std::to_string(index) + "]";
    }
    const SourceLine& line = block->statements[index];
    return std::filesystem::path(line.file).filename().string() + ":" + std::to_string(line.number);
}

}  // namespace talvex::scripttools
