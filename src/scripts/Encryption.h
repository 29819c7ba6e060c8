#pragma once
// The script file's cipher and line reader. The file is Blowfish in ECB mode, each 8-byte block
// read as two little-endian 32-bit halves (left half from bytes 0..3, right half from bytes
// 4..7), under a key built from a fixed 26-letter constant. Lines end in CR LF.
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace talvex::QRV {

class Encryption {
public:
    // Script files are never larger than a few hundred kilobytes; anything past this is not a
    // script file and is refused rather than read into memory.
    static constexpr size_t kMaxFileSize = size_t{64} << 20;

    // The built-in key, adjusted.
    Encryption() = default;
    // keyText's UTF-8 bytes are the key (empty selects the built-in key). With adjustKey every
    // key byte at an even index is increased by 1 and every byte at an odd index decreased by 1.
    explicit Encryption(std::wstring keyText, bool adjustKey = true);

    // Reads the whole file: 0, or -1 when it cannot be opened or read, is not a regular file or
    // is larger than kMaxFileSize; nothing is loaded then. When fewer bytes arrive than the
    // file's size, what arrived is the content.
    int LoadFile(const std::filesystem::path& path);
    // Takes bytes as if LoadFile had read them from a file.
    void LoadBytes(std::string_view bytes);
    // Deciphers what was loaded and moves to the first line (past a UTF-8 byte order mark when
    // the text begins with one): 0, or -1 when nothing is loaded.
    int Decipher();
    // The next line without its last character (the CR of CR LF) and without its LF: 1, or 0 at
    // the end or when nothing is deciphered. A final line without LF loses the zero byte that
    // follows the text instead. A line ends early at a zero byte inside it. Lines are read whole
    // whatever their length: the format's 4095-byte line limit is not enforced.
    int ReadLine(std::string& line);

    // The deciphered bytes (as many as were loaded, padding included); empty before Decipher.
    std::string_view Text() const;
    // 1 plain, 2 when the deciphered text begins with a UTF-8 byte order mark.
    int EncodingMark() const { return encodingMark_; }

    // Enciphers text padded with zero bytes to whole blocks: the bytes of a file that LoadFile
    // and Decipher read back as text followed by zero bytes.
    std::string Encipher(std::string_view text) const;

private:
    void Allocate(size_t size);
    std::string KeyBytes() const;

    std::filesystem::path path_;
    std::vector<unsigned char> raw_;
    std::vector<unsigned char> plain_;
    size_t count_ = 0;
    size_t endPos_ = 0;
    size_t readPos_ = 0;
    int encodingMark_ = 1;
    bool loaded_ = false;
    bool deciphered_ = false;
    std::wstring keyText_;
    bool adjustKey_ = true;
};

}  // namespace talvex::QRV
