#include "scripts/Encryption.h"

// The low-level Blowfish calls are deprecated in OpenSSL 3 but still present; the EVP form would
// need the legacy provider loaded process-wide. This file is their only user.
#define OPENSSL_SUPPRESS_DEPRECATED
#include <fcntl.h>
#include <openssl/blowfish.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "platform/Utf8.h"

namespace talvex::QRV {

namespace {

// The built-in key before adjustment. Changing it makes every published script file unreadable.
constexpr std::string_view kKeyConstant = "kfqhzmwtrbxjvpyclnsgadoeui";
static_assert(kKeyConstant.size() == 26);

uint32_t ReadLittleEndian(const unsigned char* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

void WriteLittleEndian(unsigned char* p, uint32_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}

// ECB over whole blocks of data (size a multiple of 8), in place.
void CipherBlocks(const std::string& key, unsigned char* data, size_t size, bool decipher) {
    BF_KEY state;
    BF_set_key(&state, static_cast<int>(key.size()),
               reinterpret_cast<const unsigned char*>(key.data()));
    for (size_t offset = 0; offset + 8 <= size; offset += 8) {
        BF_LONG halves[2] = {ReadLittleEndian(data + offset), ReadLittleEndian(data + offset + 4)};
        if (decipher) {
            BF_decrypt(halves, &state);
        } else {
            BF_encrypt(halves, &state);
        }
        WriteLittleEndian(data + offset, halves[0]);
        WriteLittleEndian(data + offset + 4, halves[1]);
    }
}

}  // namespace

Encryption::Encryption(std::wstring keyText, bool adjustKey)
    : keyText_(std::move(keyText)), adjustKey_(adjustKey) {}

std::string Encryption::KeyBytes() const {
    std::string key = keyText_.empty() ? std::string(kKeyConstant) : WideToUtf8(keyText_);
    if (adjustKey_) {
        for (size_t i = 0; i < key.size(); ++i) {
            key[i] = static_cast<char>(key[i] + (i % 2 == 0 ? 1 : -1));
        }
    }
    return key;
}

void Encryption::Allocate(size_t size) {
    // Both buffers are at least a kilobyte longer than the data and zero-filled, so the text is
    // always followed by zero bytes and a final partial block deciphers within the buffer.
    const size_t capacity = (size / 1024 + 2) * 1024;
    raw_.assign(capacity, 0);
    plain_.assign(capacity, 0);
    count_ = 0;
    endPos_ = 0;
    readPos_ = 0;
    encodingMark_ = 1;
    loaded_ = false;
    deciphered_ = false;
}

int Encryption::LoadFile(const std::filesystem::path& path) {
    raw_.clear();
    plain_.clear();
    loaded_ = false;
    deciphered_ = false;
    path_ = path;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0 ||
        static_cast<uint64_t>(st.st_size) > kMaxFileSize) {
        ::close(fd);
        return -1;
    }
    const size_t size = static_cast<size_t>(st.st_size);
    Allocate(size);
    size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, raw_.data() + got, size - got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            ::close(fd);
            raw_.clear();
            plain_.clear();
            return -1;
        }
        if (n == 0) {
            break;  // the file shrank: what arrived is the content
        }
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    count_ = got;
    loaded_ = true;
    return 0;
}

void Encryption::LoadBytes(std::string_view bytes) {
    Allocate(bytes.size());
    std::memcpy(raw_.data(), bytes.data(), bytes.size());
    count_ = bytes.size();
    loaded_ = true;
}

int Encryption::Decipher() {
    if (!loaded_) {
        return -1;
    }
    const size_t blocks = (count_ + 7) / 8;
    std::memcpy(plain_.data(), raw_.data(), blocks * 8);
    CipherBlocks(KeyBytes(), plain_.data(), blocks * 8, true);
    endPos_ = count_;
    readPos_ = 0;
    encodingMark_ = 1;
    if (count_ > 2 && plain_[0] == 0xEF && plain_[1] == 0xBB && plain_[2] == 0xBF) {
        readPos_ = 3;
        encodingMark_ = 2;
    }
    deciphered_ = true;
    return 0;
}

int Encryption::ReadLine(std::string& line) {
    line.clear();
    if (!deciphered_ || readPos_ > endPos_) {
        return 0;
    }
    // The byte at the end position (a zero or fill byte) belongs to the last line, so that a
    // final line without LF loses that byte rather than its own last character.
    const unsigned char* start = plain_.data() + readPos_;
    const size_t available = endPos_ - readPos_ + 1;
    const void* lf = std::memchr(start, '\n', available);
    const size_t length = lf != nullptr
                              ? static_cast<size_t>(static_cast<const unsigned char*>(lf) - start)
                              : available;
    readPos_ += length + 1;
    if (length > 0) {
        line.assign(reinterpret_cast<const char*>(start), length - 1);
    }
    if (const size_t zero = line.find('\0'); zero != std::string::npos) {
        line.resize(zero);
    }
    return 1;
}

std::string_view Encryption::Text() const {
    if (!deciphered_) {
        return {};
    }
    return std::string_view(reinterpret_cast<const char*>(plain_.data()), count_);
}

std::string Encryption::Encipher(std::string_view text) const {
    std::string out(text);
    out.resize((text.size() + 7) / 8 * 8, '\0');
    CipherBlocks(KeyBytes(), reinterpret_cast<unsigned char*>(out.data()), out.size(), false);
    return out;
}

}  // namespace talvex::QRV
