#pragma once
// Script files made the way the packer makes them, for the script file tests.
#include <filesystem>
#include <string>
#include <string_view>

#include "scripts/Encryption.h"
#include "scripts/ScriptFile.h"
#include "support/TestHome.h"

namespace talvex::test {

// Plain text of a script file: digest, version line, body (CR LF line ends expected).
inline std::string PlainScriptText(std::string_view body, std::string_view version = "1.0") {
    return ComposeScriptText(version, body).value();
}

// The enciphered bytes of a plain text.
inline std::string Enciphered(std::string_view plain) {
    return QRV::Encryption().Encipher(plain);
}

inline std::string ScriptFileBytes(std::string_view body, std::string_view version = "1.0") {
    return Enciphered(PlainScriptText(body, version));
}

inline void WriteScriptFile(const std::filesystem::path& path, std::string_view body,
                            std::string_view version = "1.0") {
    WriteFileBytes(path, ScriptFileBytes(body, version));
}

// The deciphered text of a file (padding included).
inline std::string DecipheredText(const std::filesystem::path& path) {
    QRV::Encryption reader;
    if (reader.LoadFile(path) != 0 || reader.Decipher() != 0) {
        return {};
    }
    return std::string(reader.Text());
}

}  // namespace talvex::test
