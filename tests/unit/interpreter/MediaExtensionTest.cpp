#include <gtest/gtest.h>

#include "scripts/MediaExtension.h"

namespace talvex {
namespace {

TEST(MediaExtension, RtmpSchemesInAnyCaseGiveFlv) {
    EXPECT_EQ(ExtensionFromScheme(L"RTMPE://host/app"), L"flv");
    EXPECT_EQ(ExtensionFromScheme(L"rtmp://host/app"), L"flv");
    EXPECT_FALSE(ExtensionFromScheme(L"http://host/a.flv"));
    EXPECT_FALSE(ExtensionFromScheme(L"rtmpt://host/app"));
    // "://" at the very start names no scheme.
    EXPECT_FALSE(ExtensionFromScheme(L"://rtmp"));
}

TEST(MediaExtension, ContentTypesInTheirTestingOrder) {
    EXPECT_EQ(ExtensionFromContentType(L" video/x-flv"), L"flv");
    EXPECT_EQ(ExtensionFromContentType(L"video/mp4"), L"mp4");
    EXPECT_EQ(ExtensionFromContentType(L"video/x-m4v"), L"mp4");
    EXPECT_EQ(ExtensionFromContentType(L"audio/mpeg"), L"mpg");
    EXPECT_EQ(ExtensionFromContentType(L"video/quicktime"), L"mov");
    EXPECT_EQ(ExtensionFromContentType(L"video/x-ms-asf"), L"asf");
    EXPECT_EQ(ExtensionFromContentType(L"video/x-msvideo"), L"avi");
    EXPECT_EQ(ExtensionFromContentType(L"audio/ogg"), L"mp3");
    EXPECT_EQ(ExtensionFromContentType(L"video/x-ms-wmv"), L"wmv");
    EXPECT_FALSE(ExtensionFromContentType(L"text/plain"));
    EXPECT_FALSE(ExtensionFromContentType(L"VIDEO/MP4"));
}

TEST(MediaExtension, FromTheLastPathPieceBeforeTheQuery) {
    EXPECT_EQ(ExtensionFromAddress(L"http://h/dir.x/video.part1.flv?a=b.c/d.e"), L"part1.flv");
    EXPECT_EQ(ExtensionFromAddress(L"http://h/video"), L"");
    EXPECT_EQ(ExtensionFromAddress(L"no-slash.flv"), L"");
}

TEST(MediaExtension, AddressExtensionsAreMadeSafeAndBounded) {
    EXPECT_EQ(ExtensionFromAddress(L"http://h/v.mp4%3A*"), L"mp4%3A_");
    EXPECT_EQ(ExtensionFromAddress(L"http://h/v.x.exe"), L"x_exe");
    EXPECT_EQ(ExtensionFromAddress(L"http://h/v.123456789012345"), L"123456789012345");
    EXPECT_EQ(ExtensionFromAddress(L"http://h/v.1234567890123456"), L"");
    EXPECT_EQ(ExtensionFromAddress(L"http://h/v." + std::wstring(100000, L'a')), L"");
}

}  // namespace
}  // namespace talvex
