#include <gtest/gtest.h>

#include "ui/DownloadTabRules.h"

namespace talvex::test {
namespace {

using ui::DownloadTabRules;

TEST(DownloadTabRules, SplitUrlsSeparatesOnRunsOfLineBreaksAndKeepsBlanks) {
    EXPECT_EQ(DownloadTabRules::SplitUrls(L"a\rb\nc\r\n\r\n\n\rd"),
              (std::vector<std::wstring>{L"a", L"b", L"c", L"d"}));
    EXPECT_EQ(DownloadTabRules::SplitUrls(L"\r\n  x  \r\n"), (std::vector<std::wstring>{L"  x  "}));
    EXPECT_TRUE(DownloadTabRules::SplitUrls(L"\r\n\n\r").empty());
    EXPECT_TRUE(DownloadTabRules::SplitUrls(L"").empty());
}

struct MergeCase {
    const char* what;
    std::wstring box;
    std::wstring incoming;
    std::wstring expected;
};

TEST(DownloadTabRules, MergeUrlsKeepsNewAddressesEachOnItsOwnLine) {
    const std::wstring a = L"http://a.example/video1";
    const std::wstring b = L"https://b.example/video2";
    const MergeCase cases[] = {
        {"four pasted lines: ftp and the repeat are dropped", L"",
         a + L"\r\nftp://a.example/video1\r\n" + a + L"\n" + b, a + L"\r\n" + b + L"\r\n"},
        {"12 characters are too short, 13 are enough", L"", L"http://a.com\r\nhttp://ab.com",
         L"http://ab.com\r\n"},
        {"the scheme must start the line, in lower case", L"",
         L" " + a +
             L"\r\nHTTP://A.EXAMPLE/VIDEO1\r\nHttps://b.example/video2\r\n\thttp://c.example/v",
         L""},
        {"an address already in the box is not repeated", a + L"\r\n", a, a + L"\r\n"},
        {"the comparison is exact: another case is another address", a + L"\r\n",
         L"http://a.example/VIDEO1", a + L"\r\nhttp://a.example/VIDEO1\r\n"},
        {"a box without a final line break gets one before the first new line", a, b,
         a + L"\r\n" + b + L"\r\n"},
        {"a box ending with a bare line feed gets no extra break", a + L"\n", b,
         a + L"\n" + b + L"\r\n"},
        {"nothing accepted leaves the box exactly as it was", L"typed", L"not an address",
         L"typed"},
        {"a repeat inside the pasted text is taken once", L"", a + L"\r\n\r\n" + a, a + L"\r\n"},
        {"what the box holds is not cleaned by a merge", L"junk\r\n", b, L"junk\r\n" + b + L"\r\n"},
    };
    for (const MergeCase& c : cases) {
        EXPECT_EQ(DownloadTabRules::MergeUrls(c.box, c.incoming), c.expected) << c.what;
    }
}

TEST(DownloadTabRules, QualityListIsOfferedForTheVideoSiteOnly) {
    EXPECT_TRUE(DownloadTabRules::QualityListEnabled(L"https://www.youtube.com/watch?v=x"));
    EXPECT_TRUE(DownloadTabRules::QualityListEnabled(L"junk\r\nhttps://youtu.be/abc"));
    EXPECT_TRUE(DownloadTabRules::QualityListEnabled(L"myyoutube.com.example"));
    EXPECT_FALSE(DownloadTabRules::QualityListEnabled(L"https://WWW.YOUTUBE.COM/watch"));
    EXPECT_FALSE(DownloadTabRules::QualityListEnabled(L"https://vimeo.com/123"));
    EXPECT_FALSE(DownloadTabRules::QualityListEnabled(L""));
}

TEST(DownloadTabRules, QualityRowsAndCodesMapBothWays) {
    const int32_t codes[DownloadTabRules::kQualityRows] = {6, 7, 5, 4, 8, 9, 2};
    for (int row = 0; row < DownloadTabRules::kQualityRows; ++row) {
        EXPECT_EQ(DownloadQualityNumber(DownloadTabRules::QualityCodeForRow(row)), codes[row])
            << row;
        EXPECT_EQ(DownloadTabRules::RowForQualityCode(static_cast<uint32_t>(codes[row])), row)
            << row;
    }
    // No selection, or a row that does not exist, is the best quality.
    EXPECT_EQ(DownloadTabRules::QualityCodeForRow(-1), DownloadQuality::kBest);
    EXPECT_EQ(DownloadTabRules::QualityCodeForRow(DownloadTabRules::kQualityRows),
              DownloadQuality::kBest);
    for (uint32_t stored : {0u, 1u, 3u, 10u, 0xFFFFFFFFu}) {
        EXPECT_EQ(DownloadTabRules::RowForQualityCode(stored), 0) << stored;
    }
}

TEST(DownloadTabRules, StoredConversionChoicesOutsideTheListsSelectTheFirstRow) {
    EXPECT_EQ(DownloadTabRules::ConvertTypeRow(6), 6);
    EXPECT_EQ(DownloadTabRules::ConvertTypeRow(7), 0);
    EXPECT_EQ(DownloadTabRules::ConvertTypeRow(0xFFFFFFFFu), 0);
    EXPECT_EQ(DownloadTabRules::ConvertQualityRow(3), 3);
    EXPECT_EQ(DownloadTabRules::ConvertQualityRow(4), 0);
}

}  // namespace
}  // namespace talvex::test
