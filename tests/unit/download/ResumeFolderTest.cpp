// The records of unfinished downloads as files: what reads as a record, which records a start
// may go on with, and what the clean-up of left-over work files removes.
#include <gtest/gtest.h>

#include <fstream>

#include "download/ResumeFolder.h"
#include "platform/FileOps.h"
#include "support/TestHome.h"

namespace talvex::test {
namespace {

namespace fs = std::filesystem;

ResumeRecord SampleRecord() {
    ResumeRecord record;
    record.program = "talvex";
    record.pageUrl = L"http://www.youtube.com/watch?v=abc";
    record.mediaUrl = L"http://media.youtube.test/videoplayback?id=abc";
    record.title = L"Ein Film \u00fcber \u65e5\u672c";
    record.extension = L"mp4";
    record.size = 1000;
    record.etag = "\"5f-3e8\"";
    record.formatChoice = 6;
    record.conversionQuality = 2;
    record.multiStream = true;
    record.segments = {{0, 249, 10}, {250, 499, 250}, {500, 749, 0}, {750, 999, 3}};
    return record;
}

class ResumeFolderTest : public ::testing::Test {
protected:
    // A work file of size bytes and, unless recordText is empty, its record.
    fs::path AddWork(const std::string& name, uint64_t size, const std::string& recordText) {
        const fs::path work = dir_.Path() / name;
        File file = File::CreateTruncate(work);
        EXPECT_TRUE(file.Resize(size));
        if (!recordText.empty()) {
            WriteFileBytes(RecordPathFor(work), recordText);
        }
        return work;
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_.Path())) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    static void Age(const fs::path& path, std::chrono::hours hours) {
        fs::last_write_time(path, fs::file_time_type::clock::now() - hours);
    }

    TempDir dir_;
};

TEST_F(ResumeFolderTest, ARecordReadsBackAndImpossibleOnesAreRefused) {
    const ResumeRecord record = SampleRecord();
    std::optional<ResumeRecord> back = ResumeRecord::Parse(record.ToJson());
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->title, record.title);
    EXPECT_EQ(back->etag, record.etag);
    EXPECT_EQ(back->Done(), 263u);
    ASSERT_EQ(back->segments.size(), 4u);
    EXPECT_EQ(back->segments[3].start, 750u);

    const std::string text = record.ToJson();
    std::string why;
    EXPECT_FALSE(ResumeRecord::Parse(text.substr(0, text.size() / 2), &why)) << "truncated";
    EXPECT_FALSE(ResumeRecord::Parse("\x01\x02garbage", &why));
    auto refused = [](ResumeRecord changed) {
        return !ResumeRecord::Parse(changed.ToJson()).has_value();
    };
    ResumeRecord r = record;
    r.segments[1].done = 251;  // more than the segment holds
    EXPECT_TRUE(refused(r));
    r = record;
    r.segments[2].start = 501;  // a gap
    EXPECT_TRUE(refused(r));
    r = record;
    r.segments.pop_back();  // the end of the file uncovered
    EXPECT_TRUE(refused(r));
    r = record;
    r.formatChoice = 3;  // no such quality
    EXPECT_TRUE(refused(r));
    r = record;
    r.size = 0;
    EXPECT_TRUE(refused(r));
    r = record;
    r.multiStream = false;  // one stream has one segment
    EXPECT_TRUE(refused(r));
}

TEST_F(ResumeFolderTest, OnlyUsableRecordsOfTheProgramAreFoundAndBrokenOnesAreRemoved) {
    const std::string good = SampleRecord().ToJson();
    ResumeRecord other = SampleRecord();
    other.program = "talvex-cli";
    const fs::path usable = AddWork("~qrv0001.tmp", 1000, good);
    AddWork("~qrv0002.tmp", 1000, other.ToJson());
    AddWork("~qrv0003.tmp", 1000, good.substr(0, 40));        // truncated
    AddWork("~qrv0004.tmp", 999, good);                       // shorter than the media
    WriteFileBytes(dir_.Path() / "~qrv0005.tmp.json", good);  // its work file is gone
    AddWork("~qrv0006.tmp", 1000, "not json at all");
    // In use by a running download: left alone, even with a broken record.
    const fs::path busy = AddWork("~qrv0007.tmp", 1000, "{");
    File holder = File::OpenReadWrite(busy);
    ASSERT_TRUE(holder.TryLock());
    WriteFileBytes(dir_.Path() / "Film.mp4", "a finished download");

    std::vector<FoundRecord> found = FindResumable(dir_.Path(), "talvex");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].workFile, usable);
    EXPECT_EQ(found[0].record.segments.size(), 4u);
    EXPECT_EQ(Names(), (std::vector<std::string>{"Film.mp4", "~qrv0001.tmp", "~qrv0001.tmp.json",
                                                 "~qrv0002.tmp", "~qrv0002.tmp.json",
                                                 "~qrv0007.tmp", "~qrv0007.tmp.json"}));
    EXPECT_EQ(FindResumable(dir_.Path(), "talvex-cli").size(), 1u);
}

TEST_F(ResumeFolderTest, LeftOversGoOnlyWhenOlderThanADayUnusedAndUnknown) {
    const fs::path old = AddWork("~qrv00A1.tmp", 10, "{}");
    Age(old, std::chrono::hours(25));
    Age(RecordPathFor(old), std::chrono::hours(25));
    const fs::path half = dir_.Path() / "~qrv00A1.tmp.json.BEEF.tmp";
    WriteFileBytes(half, "{");
    Age(half, std::chrono::hours(30));
    const fs::path young = AddWork("~qrv00A2.tmp", 10, "{}");
    Age(young, std::chrono::hours(23));
    const fs::path kept = AddWork("~qrv00A3.tmp", 10, "{}");
    Age(kept, std::chrono::hours(48));
    Age(RecordPathFor(kept), std::chrono::hours(48));
    const fs::path busy = AddWork("~qrv00A4.tmp", 10, "");
    Age(busy, std::chrono::hours(48));
    File holder = File::OpenReadWrite(busy);
    ASSERT_TRUE(holder.TryLock());
    // Not a work file's name: never touched, however old.
    const fs::path mine = dir_.Path() / "~qrvnotes.txt";
    WriteFileBytes(mine, "x");
    Age(mine, std::chrono::hours(100));

    RemoveStaleWorkFiles(dir_.Path(), kStaleWorkFileAge, {kept});
    EXPECT_EQ(Names(),
              (std::vector<std::string>{"~qrv00A2.tmp", "~qrv00A2.tmp.json", "~qrv00A3.tmp",
                                        "~qrv00A3.tmp.json", "~qrv00A4.tmp", "~qrvnotes.txt"}));
}

}  // namespace
}  // namespace talvex::test
