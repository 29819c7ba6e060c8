#pragma once
// Where a running statement came from: the interpreter knows a script by its key and a
// statement by its index; an author wants "youtube.com.txt:35".
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "scripts/SiteScript.h"
#include "scripttools/ScriptBlocks.h"

namespace talvex::scripttools {

class ScriptLineMap {
public:
    // lines: the text the interpreter's table was loaded from.
    explicit ScriptLineMap(const std::vector<SourceLine>& lines);

    // "FILE:LINE" (the file's name without its folder); "KEY[INDEX]" when the script is not in
    // the text (a block that differs from what was loaded).
    std::string Where(const SiteScript& script, size_t index) const;
    // The line number alone; 0 when unknown.
    int Line(const SiteScript& script, size_t index) const;
    // The file the script's block is in, as it was named.
    std::optional<std::string> FileOf(const SiteScript& script) const;

private:
    const ScriptBlock* Find(const SiteScript& script) const;

    ScriptBlocks blocks_;
    mutable std::map<const SiteScript*, const ScriptBlock*> found_;
};

}  // namespace talvex::scripttools
