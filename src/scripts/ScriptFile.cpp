#include "scripts/ScriptFile.h"

#include "scripts/Encryption.h"
#include "scripts/Md5.h"

namespace talvex {

bool VerifyScriptFile(const std::filesystem::path& path) {
    QRV::Encryption reader;
    if (reader.LoadFile(path) != 0 || reader.Decipher() != 0) {
        return false;
    }
    std::string storedDigest;
    if (reader.ReadLine(storedDigest) != 1) {
        return false;
    }
    return DigestMatches(reader.Text(), storedDigest);
}

bool DigestMatches(std::string_view text, std::string_view storedDigest) {
    if (const size_t zero = text.find('\0'); zero != std::string_view::npos) {
        if (text.find_first_not_of('\0', zero) != std::string_view::npos) {
            return false;
        }
        text = text.substr(0, zero);
    }
    const size_t lineEnd = text.find("\r\n");
    if (lineEnd == std::string_view::npos) {
        return false;
    }
    // Digest over the bytes themselves: identical to the digest of their wide form converted
    // back for valid UTF-8, and it also sees changes inside invalid sequences.
    const std::optional<std::string> digest = Md5Hex(text.substr(lineEnd + 2));
    return digest && *digest == storedDigest;
}

std::optional<std::string> ComposeScriptText(std::string_view version, std::string_view body) {
    std::string covered = "SCRIPTVER =";
    covered += version;
    covered += ";\r\n";
    covered += body;
    std::optional<std::string> digest = Md5Hex(covered);
    if (!digest) {
        return std::nullopt;
    }
    return *digest + "\r\n" + covered;
}

}  // namespace talvex
