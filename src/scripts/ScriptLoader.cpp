#include "scripts/ScriptLoader.h"

#include <string_view>
#include <system_error>

#include "platform/TextHelpers.h"
#include "platform/Utf8.h"
#include "scripts/ScriptFile.h"

namespace talvex {

namespace {

bool Begins(std::wstring_view text, std::wstring_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// The text after the first "=" up to the next ";", empty when either is missing.
std::wstring VersionOf(std::string_view line) {
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
        return {};
    }
    const size_t semicolon = line.find(';', equals + 1);
    if (semicolon == std::string_view::npos) {
        return {};
    }
    return std::wstring(
        Trim(Utf8ToWide(line.substr(equals + 1, semicolon - equals - 1)), Blanks::WhiteSpace));
}

// SITE "key": the text from the seventh character up to the last double quote.
std::wstring KeyOf(std::wstring_view line) {
    const size_t lastQuote = line.rfind(L'"');
    if (lastQuote == std::wstring_view::npos || lastQuote <= 6) {
        return {};
    }
    return std::wstring(line.substr(6, lastQuote - 6));
}

// The block rules, one line at a time.
class BlockParser {
public:
    explicit BlockParser(std::vector<ScriptFileEntry>& entries) : entries_(entries) {}

    void Feed(const std::wstring& line) {
        if (Begins(line, L"SITE ")) {
            key_ = KeyOf(line);
            siteSeen_ = true;
        }
        if (Begins(line, L"BEGIN") && siteSeen_) {
            pending_ = std::make_shared<SiteScript>();
            pending_->siteKey = key_;
            inside_ = true;
            return;
        }
        if (Begins(line, L"END;")) {
            if (inside_ || !pending_) {
                entries_.push_back({key_, std::move(pending_)});
            }
            pending_.reset();
            siteSeen_ = false;
            inside_ = false;
            return;
        }
        if (inside_) {
            pending_->lines.push_back(line);
        }
    }

private:
    std::vector<ScriptFileEntry>& entries_;
    std::wstring key_;
    bool siteSeen_ = false;
    bool inside_ = false;
    std::shared_ptr<SiteScript> pending_;
};

// Why LoadFile refused the file at path.
ScriptFileProblem WhyNotLoaded(const std::filesystem::path& path) {
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(path, ec);
    if (ec || !std::filesystem::exists(status)) {
        return ScriptFileProblem::kNotFound;
    }
    if (!std::filesystem::is_regular_file(status)) {
        return ScriptFileProblem::kNotAFile;
    }
    const uintmax_t size = std::filesystem::file_size(path, ec);
    if (!ec && size > QRV::Encryption::kMaxFileSize) {
        return ScriptFileProblem::kTooLarge;
    }
    return ScriptFileProblem::kUnreadable;
}

// From the version line on.
std::optional<ScriptFileContents> ReadVersionAndBlocks(QRV::Encryption& reader) {
    std::string line;
    if (reader.ReadLine(line) != 1 || line.rfind("SCRIPTVER ", 0) != 0) {
        return std::nullopt;
    }
    ScriptFileContents contents;
    contents.version = VersionOf(line);
    BlockParser parser(contents.entries);
    while (reader.ReadLine(line) == 1) {
        // Script lines are UTF-8, with or without a byte order mark before the digest line.
        const std::wstring statement(Trim(Utf8ToWide(line), Blanks::WhiteSpace));
        if (!statement.empty()) {
            parser.Feed(statement);
        }
    }
    // A block still open here never reached END; and is not stored.
    return contents;
}

}  // namespace

std::optional<ScriptFileContents> ReadScriptLines(QRV::Encryption& reader) {
    std::string digestLine;
    if (reader.ReadLine(digestLine) != 1) {
        return std::nullopt;
    }
    return ReadVersionAndBlocks(reader);
}

std::optional<ScriptFileContents> ReadScriptFile(const std::filesystem::path& path,
                                                 bool checkIntegrity, ScriptFileProblem* problem) {
    ScriptFileProblem unused = ScriptFileProblem::kNone;
    ScriptFileProblem& why = problem != nullptr ? *problem : unused;
    why = ScriptFileProblem::kNone;
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        why = ScriptFileProblem::kNotFound;
        return std::nullopt;
    }
    QRV::Encryption reader;
    if (reader.LoadFile(path) != 0) {
        why = WhyNotLoaded(path);
        return std::nullopt;
    }
    std::string digestLine;
    if (reader.Decipher() != 0 || reader.Text().empty() || reader.ReadLine(digestLine) != 1) {
        why = ScriptFileProblem::kEmpty;
        return std::nullopt;
    }
    // The check reads the bytes already loaded, so what is verified is what is parsed.
    if (checkIntegrity && !DigestMatches(reader.Text(), digestLine)) {
        why = ScriptFileProblem::kBadDigest;
        return std::nullopt;
    }
    std::optional<ScriptFileContents> contents = ReadVersionAndBlocks(reader);
    if (!contents) {
        why = ScriptFileProblem::kNoVersionLine;
    }
    return contents;
}

}  // namespace talvex
