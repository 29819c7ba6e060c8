#include "scripts/Encryption.h"

#include <gtest/gtest.h>

#include <string>

#include "support/TestHome.h"

namespace talvex::test {
namespace {

using QRV::Encryption;

std::string FromHex(std::string_view hex) {
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        out += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
    }
    return out;
}

std::string ToHex(std::string_view bytes) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += kHex[c >> 4];
        out += kHex[c & 15];
    }
    return out;
}

std::string Decipher(Encryption& cipher, std::string_view bytes) {
    cipher.LoadBytes(bytes);
    EXPECT_EQ(cipher.Decipher(), 0);
    return std::string(cipher.Text());
}

std::vector<std::string> AllLines(std::string_view plain) {
    Encryption cipher;
    cipher.LoadBytes(cipher.Encipher(plain));
    EXPECT_EQ(cipher.Decipher(), 0);
    std::vector<std::string> lines;
    std::string line;
    while (cipher.ReadLine(line) == 1) {
        lines.push_back(line);
    }
    return lines;
}

// The standard all-zero vector (key 0, block 0 -> 4EF99745 6198DD78) with each half stored
// little-endian: shows the block byte order independently of our own code.
TEST(EncryptionTest, StandardVectorWithLittleEndianHalves) {
    Encryption zeroKey(std::wstring(8, L'\0'), false);
    const std::string block(8, '\0');
    EXPECT_EQ(ToHex(zeroKey.Encipher(block)), "4597f94e78dd9861");
    EXPECT_EQ(Decipher(zeroKey, FromHex("4597f94e78dd9861")), block);
}

// Computed with an independent Blowfish implementation from the adjusted built-in key: pins the
// key constant, its adjustment and the block order that every published script file relies on.
TEST(EncryptionTest, BuiltInKeyKnownAnswer) {
    Encryption cipher;
    const std::string plain = std::string("SITE \"example.com\"\r\n") + std::string(4, '\0');
    const std::string cipherText = "3576a21f607f344b3ca6707907a01b32dc1d09e124c00f96";
    EXPECT_EQ(ToHex(cipher.Encipher(plain)), cipherText);
    EXPECT_EQ(Decipher(cipher, FromHex(cipherText)), plain);
}

TEST(EncryptionTest, AdjustmentShiftsEvenBytesUpAndOddBytesDown) {
    Encryption adjusted(L"kfqhzmwtrbxjvpyclnsgadoeui", true);
    Encryption preAdjusted(L"lerg{lxssayiwozbmmtfbcpdvh", false);
    Encryption builtIn;
    const std::string plain = "twenty-four bytes of txt";
    EXPECT_EQ(adjusted.Encipher(plain), preAdjusted.Encipher(plain));
    EXPECT_EQ(builtIn.Encipher(plain), preAdjusted.Encipher(plain));
    EXPECT_NE(Encryption(L"kfqhzmwtrbxjvpyclnsgadoeui", false).Encipher(plain),
              preAdjusted.Encipher(plain));
}

TEST(EncryptionTest, EncipherPadsToWholeBlocksAndPartialBlocksDecipher) {
    Encryption cipher;
    EXPECT_EQ(cipher.Encipher("").size(), 0u);
    EXPECT_EQ(cipher.Encipher("12345678").size(), 8u);
    EXPECT_EQ(cipher.Encipher("123456789").size(), 16u);
    // A truncated file: the final partial block is deciphered with the zero fill after it.
    const std::string whole = cipher.Encipher("0123456789abcdef");
    const std::string text = Decipher(cipher, whole.substr(0, 11));
    EXPECT_EQ(text.size(), 11u);
    EXPECT_EQ(text.substr(0, 8), "01234567");
}

TEST(EncryptionTest, ReadLineDropsTheCharacterBeforeEachLineFeed) {
    EXPECT_EQ(AllLines("one\r\ntwo\r\n"), (std::vector<std::string>{"one", "two", ""}));
    // LF-only line ends lose the last character of every line.
    EXPECT_EQ(AllLines("one\ntwo\n"), (std::vector<std::string>{"on", "tw", ""}));
    // A last line without LF loses the zero byte after the text instead of its own character.
    EXPECT_EQ(AllLines("one\r\nlast"), (std::vector<std::string>{"one", "last"}));
    EXPECT_EQ(AllLines("\n\r\n"), (std::vector<std::string>{"", "", ""}));
}

TEST(EncryptionTest, ReadLineStopsAtZeroByteAndKeepsLongLinesWhole) {
    EXPECT_EQ(AllLines(std::string("ab\0cd\r\nnext\r\n", 13)),
              (std::vector<std::string>{"ab", "next", ""}));
    const std::string longLine(100000, 'x');
    const std::vector<std::string> lines = AllLines("a\r\n" + longLine + "\r\nb\r\n");
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[1], longLine);
    EXPECT_EQ(lines[2], "b");
}

TEST(EncryptionTest, ByteOrderMarkIsSkippedAndMarked) {
    Encryption cipher;
    cipher.LoadBytes(
        cipher.Encipher("\xEF\xBB\xBF"
                        "digest\r\nrest\r\n"));
    ASSERT_EQ(cipher.Decipher(), 0);
    EXPECT_EQ(cipher.EncodingMark(), 2);
    std::string line;
    ASSERT_EQ(cipher.ReadLine(line), 1);
    EXPECT_EQ(line, "digest");

    cipher.LoadBytes(cipher.Encipher("\xEF\xBB"));
    ASSERT_EQ(cipher.Decipher(), 0);
    EXPECT_EQ(cipher.EncodingMark(), 1);
}

TEST(EncryptionTest, NothingLoadedReadsNoLine) {
    TempDir dir;
    Encryption cipher;
    std::string line = "stale";
    EXPECT_EQ(cipher.Decipher(), -1);
    EXPECT_EQ(cipher.ReadLine(line), 0);
    EXPECT_TRUE(line.empty());
    EXPECT_EQ(cipher.LoadFile(dir.Path() / "missing.qrs"), -1);
    EXPECT_EQ(cipher.Decipher(), -1);
    EXPECT_EQ(cipher.LoadFile(dir.Path()), -1);  // a folder is no script file
    EXPECT_EQ(cipher.Decipher(), -1);

    // A loaded file that has not been deciphered yet gives no line either.
    WriteFileBytes(dir.Path() / "s.qrs", cipher.Encipher("a\r\n"));
    ASSERT_EQ(cipher.LoadFile(dir.Path() / "s.qrs"), 0);
    EXPECT_EQ(cipher.ReadLine(line), 0);
    ASSERT_EQ(cipher.Decipher(), 0);
    ASSERT_EQ(cipher.ReadLine(line), 1);
    EXPECT_EQ(line, "a");
}

TEST(EncryptionTest, EmptyFileGivesOneEmptyLine) {
    TempDir dir;
    WriteFileBytes(dir.Path() / "empty.qrs", "");
    Encryption cipher;
    ASSERT_EQ(cipher.LoadFile(dir.Path() / "empty.qrs"), 0);
    ASSERT_EQ(cipher.Decipher(), 0);
    std::string line = "x";
    EXPECT_EQ(cipher.ReadLine(line), 1);
    EXPECT_EQ(line, "");
    EXPECT_EQ(cipher.ReadLine(line), 0);
}

}  // namespace
}  // namespace talvex::test
