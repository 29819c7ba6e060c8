#include "scripttools/ScriptBlocks.h"

#include <algorithm>
#include <map>

#include "platform/Utf8.h"
#include "scripts/ScriptSyntax.h"

namespace talvex::scripttools {

namespace {

std::string Quoted(const std::wstring& key) {
    return "\"" + WideToUtf8(key) + "\"";
}

std::string Where(const SourceLine& line) {
    return line.file + ":" + std::to_string(line.number);
}

// SITE "key": the text from the seventh character up to the last double quote (the loader's
// rule, malformed lines included).
std::wstring KeyOf(const std::wstring& line) {
    const size_t lastQuote = line.rfind(L'"');
    if (lastQuote == std::wstring::npos || lastQuote <= 6) {
        return {};
    }
    return line.substr(6, lastQuote - 6);
}

class BlockReader {
public:
    BlockReader(ScriptBlocks& out, std::map<std::wstring, TableEntry>& filed)
        : out_(out), filed_(filed) {}

    void Feed(const SourceLine& line) {
        const std::wstring& text = line.text;
        if (StartsWith(text, L"SITE ")) {
            Site(line);
        }
        if (StartsWith(text, L"BEGIN") && siteSeen_) {
            Begin(line);
            return;
        }
        if (StartsWith(text, L"END;")) {
            End(line);
            return;
        }
        if (inside_) {
            pending_->statements.push_back(line);
        } else if (StartsWith(text, L"BEGIN")) {
            Note(line, "BEGIN without a SITE line before it: the lines up to END; are ignored");
            ignoring_ = true;
        } else if (!StartsWith(text, L"SITE ") && !StartsWith(text, L"//") && !ignoring_) {
            Note(line, "outside a block (after END;, before BEGIN): the line is ignored");
        }
    }

    void Finish() {
        if (inside_) {
            Note(pending_->begin, "this block has no END;: it is not loaded");
        } else if (siteSeen_) {
            Note(site_, "no BEGIN follows this SITE line: it opens no block");
        }
    }

private:
    void Site(const SourceLine& line) {
        if (inside_) {
            Note(line,
                 "SITE inside a block (is END; missing above?): the line is a statement, and the "
                 "block is filed under this key");
        } else if (siteSeen_) {
            Note(site_, "no BEGIN follows this SITE line: it opens no block");
        }
        key_ = KeyOf(line.text);
        const std::wstring wellFormed = L"SITE \"" + key_ + L"\"";
        if (key_.empty()) {
            Note(line, "a block without a key: write SITE \"key\" (the key in double quotes)");
        } else if (line.text != wellFormed || key_.find(L'"') != std::wstring::npos) {
            Note(line, "the key is read as " + Quoted(key_) +
                           ": write SITE \"key\" with one blank and no other quotes");
        }
        siteSeen_ = true;
        site_ = line;
    }

    void Begin(const SourceLine& line) {
        if (inside_) {
            Note(line, "BEGIN inside a block starts it over: the statements above it are lost");
        }
        pending_ = std::make_unique<ScriptBlock>();
        pending_->openingKey = key_;
        pending_->site = site_;
        pending_->begin = line;
        inside_ = true;
    }

    void End(const SourceLine& line) {
        if (inside_) {
            pending_->storedKey = key_;
            File(key_, pending_.get(), pending_->site);
            out_.blocks.push_back(std::move(pending_));
        } else {
            // The loader files the current key at every END;, with no script when no block is
            // open: a stray END; takes the script away from the last SITE line's key.
            if (!key_.empty() && (!ignoring_ || filed_.count(key_) != 0)) {
                Note(line, "END; outside a block: the key " + Quoted(key_) +
                               " is filed again without a script, so it has none");
            } else if (!ignoring_) {
                Note(line, "END; outside a block: the line has no block to end");
            }
            File(key_, nullptr, line);
        }
        pending_.reset();
        siteSeen_ = false;
        inside_ = false;
        ignoring_ = false;
    }

    void File(const std::wstring& key, const ScriptBlock* block, const SourceLine& where) {
        const auto found = filed_.find(key);
        if (found != filed_.end() && block != nullptr && found->second.block != nullptr) {
            Note(where, "a block for the key " + Quoted(key) + " is already at " +
                            Where(found->second.where) + ": this later one replaces it");
        }
        filed_[key] = TableEntry{key, block, where};
    }

    void Note(const SourceLine& line, std::string message) {
        out_.findings.push_back({line.file, line.number, std::move(message)});
    }

    ScriptBlocks& out_;
    std::map<std::wstring, TableEntry>& filed_;
    std::wstring key_;
    bool siteSeen_ = false;
    bool inside_ = false;
    bool ignoring_ = false;  // after a BEGIN without SITE, up to its END;
    SourceLine site_;
    std::unique_ptr<ScriptBlock> pending_;
};

}  // namespace

const TableEntry* ScriptBlocks::Lookup(const std::wstring& text) const {
    for (const TableEntry& entry : table) {
        if (text.find(entry.key) != std::wstring::npos) {
            // An empty key occurs in every text and stands for no script.
            return entry.key.empty() ? nullptr : &entry;
        }
    }
    return nullptr;
}

ScriptBlocks ReadBlocks(const std::vector<SourceLine>& lines) {
    ScriptBlocks out;
    std::map<std::wstring, TableEntry> filed;
    BlockReader reader(out, filed);
    for (const SourceLine& line : lines) {
        if (!line.text.empty()) {
            reader.Feed(line);
        }
    }
    reader.Finish();
    for (auto& [key, entry] : filed) {
        out.table.push_back(entry);
    }
    std::sort(out.table.begin(), out.table.end(), [](const TableEntry& a, const TableEntry& b) {
        return a.key.size() != b.key.size() ? a.key.size() > b.key.size() : a.key < b.key;
    });
    return out;
}

}  // namespace talvex::scripttools
