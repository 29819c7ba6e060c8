#include "scripts/Md5.h"

#include <gtest/gtest.h>

namespace talvex {
namespace {

// RFC 1321's test suite.
TEST(Md5Test, ReferenceDigests) {
    EXPECT_EQ(Md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(Md5Hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(Md5Hex("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
    EXPECT_EQ(Md5Hex("12345678901234567890123456789012345678901234567890123456789012345678901234"
                     "567890"),
              "57edf4a22be3c955ac49da2e2107b67a");
}

TEST(Md5Test, ZeroBytesAreDigested) {
    EXPECT_NE(Md5Hex(std::string_view("a\0b", 3)), Md5Hex("a"));
}

}  // namespace
}  // namespace talvex
