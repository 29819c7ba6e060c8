// The progress lines of talvex-cli: the figures always show, whatever the name or the width.
#include <gtest/gtest.h>

#include <clocale>

#include "cli/ProgressView.h"
#include "platform/Utf8.h"

namespace talvex::cli {
namespace {

size_t Columns(const std::string& utf8) {
    size_t n = 0;
    for (wchar_t c : Utf8ToWide(utf8)) {
        const int w = wcwidth(c);
        n += w < 0 ? 1 : static_cast<size_t>(w);
    }
    return n;
}

TEST(ProgressLine, ShortNameIsPaddedAndTheBarShowsThePercent) {
    const std::string line = ProgressLine(L"clip.mp4", 50, L"1.50 MB/s", L"3s", L"Downloading", 80);
    EXPECT_EQ(Columns(line), 79u);  // the last column stays free, so the line never wraps
    EXPECT_EQ(line.rfind("clip.mp4 ", 0), 0u);
    EXPECT_NE(line.find("[##########----------]  50%  1.50 MB/s  3s  Downloading"),
              std::string::npos)
        << line;
}

TEST(ProgressLine, LongNameIsShortenedAndTheFiguresStay) {
    const std::wstring name(200, L'x');
    const std::string line = ProgressLine(name, 100, L"", L"--", L"Converting", 60);
    EXPECT_EQ(Columns(line), 59u);
    EXPECT_NE(line.find("... ["), std::string::npos) << line;
    EXPECT_NE(line.find("] 100%  --  Converting"), std::string::npos) << line;
}

TEST(ProgressLine, NarrowTerminalDropsTheBarBeforeTheFigures) {
    const std::string line =
        ProgressLine(L"A long video title.mp4", 7, L"12.00 KB/s", L"1h 2m", L"Downloading", 40);
    EXPECT_EQ(line.find('['), std::string::npos) << line;
    EXPECT_NE(line.find("  7%  12.00 KB/s  1h 2m  Downloading"), std::string::npos) << line;
}

TEST(ProgressLine, WideCharactersCountTwoColumns) {
    if (std::setlocale(LC_CTYPE, "C.UTF-8") == nullptr) {
        GTEST_SKIP() << "no UTF-8 locale";
    }
    const std::wstring name = L"\u6771\u4EAC\u306E\u591C\u666F.mp4";  // five wide characters
    const std::string line = ProgressLine(name, 0, L"0.00 KB/s", L"--", L"Downloading", 50);
    EXPECT_EQ(Columns(line), 49u) << line;
    std::setlocale(LC_CTYPE, "C");
}

TEST(StateLine, NamesTheItemAndItsState) {
    EXPECT_EQ(StateLine(L"Caf\u00e9.mp4", L"Completed"), "Caf\xc3\xa9.mp4: Completed");
}

}  // namespace
}  // namespace talvex::cli
