// What may stand at the settings path besides a settings file: a pipe (reading must not wait for
// a writer), a deeply nested document, an oversized file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <string>
#include <thread>

#include <nlohmann/json.hpp>

#include "app/SettingsFile.h"
#include "app/SettingsStore.h"
#include "support/TestHome.h"

namespace talvex {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::TestHome;
using test::WriteFileBytes;

namespace {

// {"Language": "1031", "Deep": [[...]]} with the array nested so that the document is `depth`
// levels deep in all.
std::string NestedDocument(size_t depth) {
    return R"({"Language": "1031", "Deep": )" + std::string(depth - 1, '[') +
           std::string(depth - 1, ']') + "}";
}

}  // namespace

TEST(SettingsStore, APipeInTheFilesPlaceReadsAsDefaultsWithoutWaitingAndIsLeftAlone) {
    TestHome home;
    const fs::path file = home.SettingsFile();
    fs::create_directories(file.parent_path());
    ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);

    struct Outcome {
        std::wstring language;
        uint32_t autoConvert;
        bool written;
    };
    std::promise<Outcome> promise;
    std::future<Outcome> outcome = promise.get_future();
    std::thread reader([&] {
        SettingsStore store;
        Outcome o{store.GetLanguage(), store.GetNumber(setting::kAutoConvert), false};
        o.written = store.SetString(setting::kLanguage, L"1031");
        promise.set_value(o);
    });
    const bool finished = outcome.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    // A reader stuck opening the pipe is let go by a writer opening the other end, so that the
    // test ends either way.
    for (int i = 0; !finished && i < 1000 &&
                    outcome.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready;
         ++i) {
        int fd = ::open(file.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0) {
            ::close(fd);
        }
    }
    reader.join();
    ASSERT_TRUE(finished) << "reading the settings waited for a writer of the pipe";
    const Outcome o = outcome.get();
    EXPECT_EQ(o.language, L"1033");
    EXPECT_EQ(o.autoConvert, 0u);
    EXPECT_FALSE(o.written);
    struct stat st {};
    ASSERT_EQ(::lstat(file.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_FALSE(fs::exists(file.string() + ".bad"));
}

TEST(SettingsStore, NestingDeeperThanTheLimitCountsAsAFileThatDoesNotParse) {
    TestHome home;
    const fs::path file = home.SettingsFile();
    SettingsStore store;

    WriteFileBytes(file, NestedDocument(kMaxSettingsNesting));
    EXPECT_EQ(ReadSettingsFile(file).state, SettingsFileState::Valid);
    EXPECT_EQ(store.GetLanguage(), L"1031");

    // One level more, and a hundred thousand more: read as defaults, set aside at the next write
    // (kept byte for byte), never handed to the parser.
    for (size_t depth : {kMaxSettingsNesting + 1, size_t{100000}}) {
        SCOPED_TRACE(depth);
        const std::string deep = NestedDocument(depth);
        WriteFileBytes(file, deep);
        EXPECT_EQ(ReadSettingsFile(file).state, SettingsFileState::Bad);
        EXPECT_EQ(store.GetLanguage(), L"1033");
        ASSERT_TRUE(store.SetNumber(setting::kAutoConvert, 1));
        EXPECT_EQ(store.GetNumber(setting::kAutoConvert), 1u);
        const fs::path aside =
            depth == kMaxSettingsNesting + 1 ? file.string() + ".bad" : file.string() + ".bad2";
        EXPECT_TRUE(ReadFileBytes(aside) == deep) << "not kept as it was";
    }
    // Brackets inside texts are text, not nesting.
    const std::string brackets(3 * kMaxSettingsNesting, '[');
    WriteFileBytes(file, R"({"MruDir1": "\")" + brackets + R"(", "Language": "3082"})");
    EXPECT_EQ(store.GetLanguage(), L"3082");
    EXPECT_EQ(store.GetString(L"MruDir1", L""), L"\"" + std::wstring(brackets.size(), L'['));
    // An unclosed hundred thousand levels: no crash, defaults.
    WriteFileBytes(file, std::string(100000, '['));
    EXPECT_EQ(ReadSettingsFile(file).state, SettingsFileState::Bad);
}

TEST(SettingsStore, SizeIsBoundedOnReadingAndOnWriting) {
    TestHome home;
    const fs::path file = home.SettingsFile();
    SettingsStore store;
    ASSERT_TRUE(store.SetString(setting::kLanguage, L"1031"));
    const std::string before = ReadFileBytes(file);

    // A value that would make the file larger than a reader accepts is refused, so that the
    // store never writes a file it would itself set aside.
    const std::wstring huge(kMaxSettingsFileBytes, L'x');
    EXPECT_FALSE(store.SetString(setting::kConversionParams, huge));
    EXPECT_TRUE(ReadFileBytes(file) == before) << "the file was changed";
    EXPECT_EQ(store.GetLanguage(), L"1031");

    // Just under the limit reads; just over it counts as not a settings file.
    std::string padded = R"({"Language": "3082", "Pad": ")";
    const std::string tail = "\"}";
    padded += std::string(kMaxSettingsFileBytes - padded.size() - tail.size(), 'p') + tail;
    ASSERT_EQ(padded.size(), kMaxSettingsFileBytes);
    WriteFileBytes(file, padded);
    EXPECT_EQ(store.GetLanguage(), L"3082");
    WriteFileBytes(file, padded + " ");
    EXPECT_EQ(ReadSettingsFile(file).state, SettingsFileState::Bad);
    EXPECT_EQ(store.GetLanguage(), L"1033");
}

}  // namespace talvex
