#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/CommandLine.h"

namespace talvex {

namespace {

CommandLineOptions Parsed(std::wstring_view line) {
    CommandLineOptions options;
    EXPECT_TRUE(ParseCommandLine(line, options)) << std::wstring(line).size();
    return options;
}

bool Fails(std::wstring_view line) {
    CommandLineOptions options{{L"stale", L"entry"}};
    bool ok = ParseCommandLine(line, options);
    return !ok && options.empty();
}

}  // namespace

TEST(CommandLine, ReadsOptionsWithPlainAndQuotedValues) {
    EXPECT_EQ(Parsed(L"/addurl http://h/watch?v=1"),
              (CommandLineOptions{{L"addurl", L"http://h/watch?v=1"}}));
    EXPECT_EQ(Parsed(L"  /download \"a b\"  "), (CommandLineOptions{{L"download", L"a b"}}));
    EXPECT_EQ(Parsed(L"/ADDURL x /Download \"y z\" /other w"),
              (CommandLineOptions{{L"addurl", L"x"}, {L"download", L"y z"}, {L"other", L"w"}}));
    // Blanks around values and between options, a tab as a blank.
    EXPECT_EQ(Parsed(L"/addurl    x\t/download\ty"),
              (CommandLineOptions{{L"addurl", L"x"}, {L"download", L"y"}}));
    // A later option of the same name replaces the earlier one.
    EXPECT_EQ(Parsed(L"/addurl one /AddUrl two"), (CommandLineOptions{{L"addurl", L"two"}}));
    // An unclosed quote runs to the end of the line.
    EXPECT_EQ(Parsed(L"/addurl \"a b"), (CommandLineOptions{{L"addurl", L"a b"}}));
    // Non-ASCII text passes through; only ASCII letters of names are lowered.
    EXPECT_EQ(Parsed(L"/\u00c9X \u4e2d"), (CommandLineOptions{{L"\u00c9x", L"\u4e2d"}}));
}

TEST(CommandLine, AnyFormatErrorDropsTheWholeLine) {
    EXPECT_TRUE(Fails(L""));
    EXPECT_TRUE(Fails(L"   "));
    EXPECT_TRUE(Fails(L"addurl x"));  // does not begin with "/"
    EXPECT_TRUE(Fails(L"x /addurl y"));
    EXPECT_TRUE(Fails(L"/download a b"));        // text after the value that is not an option
    EXPECT_TRUE(Fails(L"/addurl x /download"));  // value missing at the end
    EXPECT_TRUE(Fails(L"/addurl"));
    EXPECT_TRUE(Fails(L"/"));  // empty name
    EXPECT_TRUE(Fails(L"/ x"));
    EXPECT_TRUE(Fails(L"//addurl x"));           // name beginning with "/"
    EXPECT_TRUE(Fails(L"/addurl /download x"));  // value missing before the next option
    EXPECT_TRUE(Fails(L"/addurl \"\""));         // empty quoted value
    EXPECT_TRUE(Fails(L"/addurl\"x\""));         // no blank after the name
    EXPECT_TRUE(Fails(L"/addurl \"a\"b"));       // text glued to the closing quote
    EXPECT_TRUE(Fails(L"/addurl x /download \"a b\" tail"));  // options before the error too
}

TEST(CommandLine, BuiltFromArgumentsQuotingOnlyWhatHoldsBlanks) {
    EXPECT_EQ(BuildCommandLine(std::vector<std::string>{}), L"");
    EXPECT_EQ(BuildCommandLine({"/addurl", "http://h/a b", "/x", "y"}),
              L"/addurl \"http://h/a b\" /x y");
    EXPECT_EQ(BuildCommandLine({"--addurl", "http://h/1", "--DOWNLOAD=http://h/2 x"}),
              L"/addurl http://h/1 /download \"http://h/2 x\"");
    // Other "--" words are passed as they are (the parser then rejects the line).
    EXPECT_EQ(BuildCommandLine({"--help"}), L"--help");
    EXPECT_EQ(BuildCommandLine({"--addurlx=1"}), L"--addurlx=1");
    EXPECT_EQ(BuildCommandLine({"\xc3\xa9\ttab"}), L"\"\u00e9\ttab\"");

    const char* argv[] = {"talvex", "--download", "http://h/v?a=1&b=2", nullptr};
    const std::wstring line = BuildCommandLine(3, argv);
    EXPECT_EQ(line, L"/download http://h/v?a=1&b=2");
    EXPECT_EQ(Parsed(line), (CommandLineOptions{{L"download", L"http://h/v?a=1&b=2"}}));
}

}  // namespace talvex
