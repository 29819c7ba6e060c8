#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "ScriptFileFixtures.h"
#include "scripts/ScriptTable.h"

namespace talvex::test {
namespace {

// Lookups on worker threads while the table is reloaded over and over: every lookup finds the
// site (a reload never shows an empty table), and a script held across reloads stays intact.
// Bounded by a fixed count of reloads; meant to be run under the sanitizers as well.
TEST(ScriptTableConcurrencyTest, LookupsDuringReloads) {
    TestHome home;
    TempDir resources;
    ScopedEnv resourceEnv("TALVEX_RESOURCE_DIR", resources.Path().string());
    std::string body;
    for (int i = 0; i < 50; ++i) {
        body += "SITE \"site" + std::to_string(i) + ".example\"\r\nBEGIN\r\n";
        for (int line = 0; line < 20; ++line) {
            body += "VAR L" + std::to_string(line) + "=\"" + std::to_string(i) + "\";\r\n";
        }
        body += "END;\r\n";
    }
    WriteScriptFile(home.DataFolder() / "scripts0.qrs", body);
    ScriptTable table;
    ASSERT_TRUE(table.LoadScripts(true));

    constexpr int kReloads = 50;
    std::atomic<bool> done{false};
    std::atomic<int> missing{0};
    std::atomic<int> damaged{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < 3; ++t) {
        readers.emplace_back([&, t] {
            const std::wstring address =
                L"http://site" + std::to_wstring(t * 7) + L".example/watch?v=1";
            const std::wstring expected = L"VAR L19=\"" + std::to_wstring(t * 7) + L"\";";
            while (!done.load()) {
                std::shared_ptr<const SiteScript> script = table.GetScript(address);
                if (!script) {
                    ++missing;
                    continue;
                }
                if (script->Count() != 20 || script->lines.back() != expected) {
                    ++damaged;
                }
            }
        });
    }
    const auto held = table.GetScript(L"site1.example");
    for (int i = 0; i < kReloads; ++i) {
        ASSERT_TRUE(table.ReloadScripts());
    }
    done = true;
    for (auto& reader : readers) {
        reader.join();
    }
    EXPECT_EQ(missing.load(), 0);
    EXPECT_EQ(damaged.load(), 0);
    ASSERT_TRUE(held);
    EXPECT_EQ(held->lines.front(), L"VAR L0=\"1\";");
    EXPECT_NE(table.GetScript(L"site1.example"), held);  // the table holds a fresh copy
}

}  // namespace
}  // namespace talvex::test
