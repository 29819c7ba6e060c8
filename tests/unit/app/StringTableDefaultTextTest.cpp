// A built-in text stands in for a key the language file lacks; it must read exactly as the same
// text would from the file, "\n" and "\t" included.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/StringTable.h"
#include "platform/Utf8.h"
#include "support/TestHome.h"

namespace talvex {

using test::TempDir;
using test::WriteFileBytes;

TEST(StringTableGetText, BuiltInTextsAreExpandedLikeLoadedOnes) {
    const std::vector<std::wstring> samples = {
        L"Yes to all,\\n\"No\" for one or \\n\"Cancel\"",
        L"Name:\\tvalue\\t\\tend\\n",
        L"C:\\\\x and \\q stay, a lone \\",
        L"plain",
    };
    TempDir dir;
    std::string body = "lang.name=English\nlang.id=1033\ndlg.empty=\n";
    for (size_t i = 0; i < samples.size(); ++i) {
        body += "dlg.sample" + std::to_string(i) + "=" + WideToUtf8(samples[i]) + "\n";
    }
    WriteFileBytes(dir.Path() / "res1033.ini", body);
    StringTable loaded;
    ASSERT_TRUE(loaded.Load(dir.Path() / "res1033.ini", false));
    const StringTable nothingLoaded;

    EXPECT_EQ(loaded.GetText(L"dlg.missing", samples[0]),
              L"Yes to all,\n\"No\" for one or \n\"Cancel\"");
    EXPECT_EQ(nothingLoaded.GetText(L"dlg.missing", samples[1]), L"Name:\tvalue\t\tend\n");
    for (size_t i = 0; i < samples.size(); ++i) {
        SCOPED_TRACE(WideToUtf8(samples[i]));
        const std::wstring fromFile = loaded.GetText(L"dlg.sample" + std::to_wstring(i));
        // The key is missing, its text is empty, no language is loaded, no key is given.
        EXPECT_EQ(loaded.GetText(L"dlg.missing", samples[i]), fromFile);
        EXPECT_EQ(loaded.GetText(L"dlg.empty", samples[i]), fromFile);
        EXPECT_EQ(nothingLoaded.GetText(L"dlg.sample0", samples[i]), fromFile);
        EXPECT_EQ(loaded.GetText(L"", samples[i]), fromFile);
    }
}

}  // namespace talvex
