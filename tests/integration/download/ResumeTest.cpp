// Downloads that go on after the program ended: an item stopped at the program's end keeps its
// work file and a record of what is on disk; a later item takes the record on and fetches only
// the rest, or starts over when the media changed or the server no longer sends parts. Every
// result is compared byte for byte with the served file.
#include <gtest/gtest.h>

#include "download/ResumeFolder.h"
#include "integration/download/DownloadSite.h"

namespace talvex::test {
namespace {

class ResumeTest : public DownloadSite {
protected:
    void ConfigureServer(NginxServer& server) override { server.SetRateLimit("128k"); }

    // Starts a download through location and stops it for the program's end once a good part
    // arrived. The record it left.
    ResumeRecord StopMidway(const std::string& name, size_t size, const std::string& location) {
        auto item = NewItem(AddVideo(name, "Film", size, location));
        EXPECT_TRUE(item->Run());
        EXPECT_TRUE(WaitUntil([&] {
            int32_t percent = 0;
            double speed = 0;
            int32_t left = 0;
            item->GetProgress(percent, speed, left);
            return percent >= 20 || item->state.load() != ActivityState::Running;
        }));
        EXPECT_EQ(item->state.load(), ActivityState::Running);
        // While it runs, another start neither takes it on nor removes it.
        const fs::path recordFile = item->RecordPath();
        EXPECT_TRUE(WaitUntil([&] { return fs::exists(recordFile); }));
        EXPECT_TRUE(FindResumable(folder_, "talvex").empty());
        RemoveStaleWorkFiles(folder_, std::chrono::seconds(-1), {});
        EXPECT_TRUE(fs::exists(recordFile));
        EXPECT_TRUE(fs::exists(ToPath(item->WorkPath())));
        EXPECT_TRUE(item->StopForExit());
        EXPECT_TRUE(WorkersDone(item));
        const std::vector<std::string> names = FolderNames();
        EXPECT_EQ(names.size(), 2u) << "the work file and its record";
        std::optional<ResumeRecord> record = ReadResumeRecord(folder_ / (names.at(0) + ".json"));
        EXPECT_TRUE(record.has_value());
        return record.value_or(ResumeRecord());
    }

    // The one record of the folder taken on by a new item, listed paused.
    RefPtr<DownloadItem> TakeOn() {
        std::vector<FoundRecord> found = FindResumable(folder_, "talvex");
        EXPECT_EQ(found.size(), 1u);
        RefPtr<DownloadItem> item(new DownloadItem(&parser_, DownloadQuality::kNormal, false));
        item->ownerWindow = &sink_;
        if (!found.empty()) {
            EXPECT_TRUE(item->AdoptRecord(found[0], true));
        }
        return item;
    }

    bool RunToCompletion(const RefPtr<DownloadItem>& item) {
        return item->Run() &&
               WaitUntil([&] { return item->state.load() == ActivityState::Completed; }) &&
               WorkersDone(item);
    }

    // The bytes the GET requests after the first `from` log entries brought.
    uint64_t BytesFetchedSince(size_t from) {
        uint64_t bytes = 0;
        const std::vector<NginxLogEntry> log = server_.AccessLog();
        for (size_t i = from; i < log.size(); ++i) {
            if (log[i].method == "GET" && log[i].uri.find("/media/") != std::string::npos) {
                bytes += log[i].bodyBytes;
            }
        }
        return bytes;
    }
};

TEST_F(ResumeTest, AStoppedSegmentedDownloadGoesOnFromTheBytesOnDisk) {
    const size_t size = 2 * 1024 * 1024 + 3;
    const ResumeRecord record = StopMidway("film.bin", size, "/slow");
    ASSERT_TRUE(record.multiStream);
    ASSERT_EQ(record.segments.size(), 4u);
    EXPECT_EQ(record.program, "talvex");
    EXPECT_EQ(record.size, size);
    EXPECT_FALSE(record.etag.empty()) << "nginx sends a validator";
    const uint64_t done = record.Done();
    ASSERT_GT(done, 0u);
    ASSERT_LT(done, size);
    // What the record counts is on disk, and is the served bytes.
    const std::string work = ReadFileBytes(folder_ / FolderNames()[0]);
    ASSERT_EQ(work.size(), size);
    for (const ResumeSegment& segment : record.segments) {
        EXPECT_EQ(work.substr(segment.start, segment.done),
                  Served("film.bin").substr(segment.start, segment.done));
    }

    RefPtr<DownloadItem> item = TakeOn();
    EXPECT_EQ(item->state.load(), ActivityState::Paused);
    EXPECT_EQ(item->Title(), L"Film");
    int32_t percent = -1;
    double speed = 1;
    int32_t left = 0;
    item->GetProgress(percent, speed, left);
    EXPECT_NEAR(percent, static_cast<int>(done * 100 / size), 1);
    EXPECT_EQ(speed, 0.0);
    // Taken on, the work file is in use: nobody else gets the record, and nobody removes it.
    EXPECT_TRUE(FindResumable(folder_, "talvex").empty());
    RemoveStaleWorkFiles(folder_, std::chrono::seconds(-1), {});
    EXPECT_EQ(FolderNames().size(), 2u);

    const size_t logBefore = server_.AccessLog().size();
    ASSERT_TRUE(RunToCompletion(item));
    EXPECT_EQ(item->ResumeNote(), L"");
    EXPECT_EQ(FolderNames(), std::vector<std::string>{"Film.bin"});
    EXPECT_TRUE(ReadFileBytes(folder_ / "Film.bin") == Served("film.bin"));
    // Only the rest came over the wire, each segment from where it stopped.
    EXPECT_EQ(BytesFetchedSince(logBefore), size - done);
    const std::vector<NginxLogEntry> log = server_.AccessLog();
    for (size_t i = logBefore; i < log.size(); ++i) {
        if (log[i].method == "GET") {
            EXPECT_NE(log[i].range.rfind("bytes=", 0), std::string::npos) << log[i].range;
        }
    }
}

TEST_F(ResumeTest, ChangedMediaAndAServerWithoutPartsStartOverWithTheServedBytes) {
    const size_t size = 2 * 1024 * 1024;
    {
        // The file changes on the server meanwhile (same size, a later date: a new tag).
        StopMidway("changed.bin", size, "/slow");
        const std::string fresh = GeneratedBytes(size, 99);
        WriteFileBytes(Root() / "media" / "changed.bin", fresh);
        const fs::path served = Root() / "media" / "changed.bin";
        fs::last_write_time(served, fs::last_write_time(served) + std::chrono::seconds(10));
        RefPtr<DownloadItem> item = TakeOn();
        ASSERT_TRUE(RunToCompletion(item));
        EXPECT_EQ(item->ResumeNote(), L"the media changed on the server");
        EXPECT_TRUE(ReadFileBytes(folder_ / "Film.bin") == fresh);
        fs::remove(folder_ / "Film.bin");
    }
    {
        // The address now answers without parts: a segmented record cannot go on.
        const ResumeRecord record = StopMidway("whole.bin", size, "/slow");
        ResumeRecord moved = record;
        moved.mediaUrl = Utf8ToWide(server_.Url("/norange/media/whole.bin"));
        const fs::path recordFile = folder_ / FolderNames()[1];
        ASSERT_TRUE(WriteResumeRecord(recordFile, moved));
        RefPtr<DownloadItem> item = TakeOn();
        ASSERT_TRUE(RunToCompletion(item));
        EXPECT_EQ(item->ResumeNote(), L"the server no longer sends parts of the file");
        EXPECT_TRUE(ReadFileBytes(folder_ / "Film.bin") == Served("whole.bin"));
        fs::remove(folder_ / "Film.bin");
    }
}

TEST_F(ResumeTest, AOneStreamDownloadGoesOnWithARangeOrStartsOverWhenSentWhole) {
    const size_t size = 1024 * 1024 + 5;
    {
        // Made without parts (the server announced none); the same address later honours them.
        const ResumeRecord record = StopMidway("one.bin", size, "/slownorange");
        ASSERT_FALSE(record.multiStream);
        ASSERT_EQ(record.segments.size(), 1u);
        const uint64_t done = record.Done();
        ASSERT_GT(done, 0u);
        ResumeRecord moved = record;
        moved.mediaUrl = Utf8ToWide(server_.Url("/slow/media/one.bin"));
        ASSERT_TRUE(WriteResumeRecord(folder_ / FolderNames()[1], moved));
        RefPtr<DownloadItem> item = TakeOn();
        const size_t logBefore = server_.AccessLog().size();
        ASSERT_TRUE(RunToCompletion(item));
        EXPECT_EQ(item->ResumeNote(), L"");
        EXPECT_TRUE(ReadFileBytes(folder_ / "Film.bin") == Served("one.bin"));
        EXPECT_EQ(BytesFetchedSince(logBefore), size - done);
        fs::remove(folder_ / "Film.bin");
    }
    {
        // A server that answers the range with the whole file: written again from the start.
        StopMidway("two.bin", size, "/slownorange");
        RefPtr<DownloadItem> item = TakeOn();
        ASSERT_TRUE(RunToCompletion(item));
        EXPECT_EQ(item->ResumeNote(), L"the server no longer sends parts of the file");
        EXPECT_TRUE(ReadFileBytes(folder_ / "Film.bin") == Served("two.bin"));
        EXPECT_EQ(FolderNames(), std::vector<std::string>{"Film.bin"});
    }
}

TEST_F(ResumeTest, StoppingATakenOnDownloadRemovesItsRecordWithTheWorkFile) {
    StopMidway("gone.bin", 2 * 1024 * 1024, "/slow");
    RefPtr<DownloadItem> item = TakeOn();
    // Clear on a listed item: stop removes both files.
    ASSERT_TRUE(item->Stop());
    ASSERT_TRUE(WorkersDone(item));
    EXPECT_TRUE(FolderNames().empty());
}

}  // namespace
}  // namespace talvex::test
