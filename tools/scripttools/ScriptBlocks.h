#pragma once
// The blocks of a script text, read by the loader's rules (SITE, BEGIN, END;) but keeping where
// every line came from, and noting the places where those rules silently drop or misfile lines.
#include <memory>
#include <string>
#include <vector>

#include "scripttools/CheckFinding.h"
#include "scripttools/SourceLines.h"

namespace talvex::scripttools {

struct ScriptBlock {
    // The key of the SITE line before BEGIN: the script's own key, which REQUESTLOGIN reads.
    std::wstring openingKey;
    // The key the table files the block under: the last SITE line's key when END; came (a SITE
    // line inside the block changes it).
    std::wstring storedKey;
    SourceLine site;   // the SITE line the block opened after
    SourceLine begin;  // its BEGIN line
    // The statements, empty lines dropped: statements[i] is the interpreter's line i.
    std::vector<SourceLine> statements;
};

// What the table holds for a key once the text is loaded: the last block filed under it, or
// none when a stray END; came after it.
struct TableEntry {
    std::wstring key;
    const ScriptBlock* block = nullptr;
    SourceLine where;  // the SITE line of the block, or the stray END;
};

struct ScriptBlocks {
    // Every block that reached END;, in text order (also those a later block replaces).
    std::vector<std::unique_ptr<ScriptBlock>> blocks;
    // One entry per key, in table order (longest key first, then code-point order), as the
    // program looks addresses up.
    std::vector<TableEntry> table;
    // Lines the loader ignores or drops, blocks it misfiles or loses, keys used twice.
    std::vector<CheckFinding> findings;

    // The entry GetScript would pick for text: the first key in table order that occurs in it;
    // null when there is none or it is the empty key.
    const TableEntry* Lookup(const std::wstring& text) const;
};

// lines: one script text, sources one after another as "pack" joins them.
ScriptBlocks ReadBlocks(const std::vector<SourceLine>& lines);

}  // namespace talvex::scripttools
