// How the trace shows values: one line each, long ones cut with their length, a login's
// password never.
#include <gtest/gtest.h>

#include "scripttools/TraceValues.h"

namespace talvex::scripttools {
namespace {

TEST(TraceValues, ShowsEveryValueOnOneLineAndCutsLongOnes) {
    TraceValues values;
    EXPECT_EQ(values.Format(L""), "\"\"");
    EXPECT_EQ(values.Format(L"a\"b\\c"), "\"a\"b\\c\"");  // no escapes in the language either
    EXPECT_EQ(values.Format(L"a\r\nb\tc\x01"), "\"a\\r\\nb\\tc\\x01\"");
    EXPECT_EQ(values.Format(L"Z\u00FCrich"), "\"Z\xC3\xBCrich\"");
    const std::wstring limit(TraceValues::kMaxShown, L'x');
    EXPECT_EQ(values.Format(limit), "\"" + std::string(TraceValues::kMaxShown, 'x') + "\"");
    const std::wstring page = std::wstring(TraceValues::kShownCharacters, L'p') + L"\nrest of it" +
                              std::wstring(100, L'q');
    EXPECT_EQ(values.Format(page), "\"" + std::string(TraceValues::kShownCharacters, 'p') +
                                       "...\" (" + std::to_string(page.size()) + " chars)");
}

TEST(TraceValues, NeverShowsAPasswordRawOrUrlEncoded) {
    TraceValues values;
    values.AddSecret(L"p@ss w\u00F6rd");
    EXPECT_TRUE(values.IsSecret(L"p@ss w\u00F6rd"));
    EXPECT_EQ(values.Format(L"p@ss w\u00F6rd"), "\"***\"");
    EXPECT_EQ(values.Format(L"email=fan&pass=p%40ss%20w%c3%b6rd&x=1"),
              "\"email=fan&pass=***&x=1\"");
    // Masked before the value is cut, so no prefix of it shows either.
    const std::wstring body = std::wstring(55, L'b') + L"p@ss w\u00F6rd" + std::wstring(50, L'b');
    EXPECT_EQ(values.Format(body).find("p@ss"), std::string::npos);
    // The length is the value's own.
    EXPECT_NE(values.Format(body).find("(" + std::to_string(body.size()) + " chars)"),
              std::string::npos);
}

}  // namespace
}  // namespace talvex::scripttools
