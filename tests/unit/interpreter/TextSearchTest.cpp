#include <gtest/gtest.h>

#include <random>
#include <string>

#include "scripts/TextSearch.h"

namespace talvex {
namespace {

std::wstring RandomText(std::mt19937& random, size_t length, wchar_t alphabetSize) {
    std::uniform_int_distribution<int> letter(0, alphabetSize - 1);
    std::wstring text;
    for (size_t i = 0; i < length; ++i) {
        text += static_cast<wchar_t>(L'a' + letter(random));
    }
    return text;
}

// Long patterns take the linear path; it must agree with the library's search everywhere.
TEST(TextSearch, AgreesWithTheLibrarySearchForShortAndLongPatterns) {
    std::mt19937 random(20240611);
    for (int round = 0; round < 400; ++round) {
        const std::wstring text = RandomText(random, 1 + random() % 300, 2);
        // Patterns cut from the text (so they occur) or random (so they mostly do not).
        std::wstring pattern;
        if (round % 2 == 0) {
            const size_t from = random() % text.size();
            pattern = text.substr(from, 1 + random() % 40);
        } else {
            pattern = RandomText(random, 1 + random() % 40, 2);
        }
        const TextSearcher searcher(pattern);
        const size_t from = random() % (text.size() + 2);
        EXPECT_EQ(searcher.Find(text, from),
                  from > text.size() ? TextSearcher::npos : text.find(pattern, from))
            << "round " << round;
        EXPECT_EQ(searcher.FindLast(text), text.rfind(pattern)) << "round " << round;
    }
}

TEST(TextSearch, EmptyPatternIsFoundAtTheStartOrTheEnd) {
    const TextSearcher empty(L"");
    EXPECT_EQ(empty.Find(L"abcd", 4), 4u);
    EXPECT_EQ(empty.Find(L"abcd", 5), TextSearcher::npos);
    EXPECT_EQ(empty.FindLast(L"abcd"), 4u);
}

TEST(TextSearch, ReplaceAllScansLeftToRightWithoutOverlaps) {
    EXPECT_EQ(ReplaceAll(L"aaaa", L"aa", L"b"), L"bb");
    EXPECT_EQ(ReplaceAll(L"aaa", L"aa", L"b"), L"ba");
    EXPECT_EQ(ReplaceAll(L"abc", L"", L"x"), L"abc");
    EXPECT_EQ(ReplaceAll(L"abc", L"abc", L"xyz"), L"xyz");
    // The replacement is not searched again.
    EXPECT_EQ(ReplaceAll(L"ab", L"a", L"aa"), L"aab");
    const std::wstring longPattern(30, L'q');
    EXPECT_EQ(ReplaceAll(L"x" + longPattern + L"y" + longPattern, longPattern, L"-"), L"x-y-");
}

}  // namespace
}  // namespace talvex
