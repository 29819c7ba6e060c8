// Downloads from page address to stored file through the site script, the real HTTP client and
// a real nginx: segmented, single-stream, a server that refuses ranges, name collisions,
// truncated bodies.
#include <gtest/gtest.h>

#include "download/DownloadSubItem.h"
#include "download/SegmentPlan.h"
#include "integration/download/DownloadSite.h"
#include "support/FaultServer.h"

namespace talvex::test {
namespace {

class HttpDownloadTest : public DownloadSite {};

std::vector<NginxLogEntry> MediaRequests(const NginxServer& server, const std::string& name) {
    std::vector<NginxLogEntry> out;
    for (const auto& entry : server.AccessLog()) {
        if (entry.method == "GET" && entry.uri.find("/media/" + name) != std::string::npos) {
            out.push_back(entry);
        }
    }
    return out;
}

TEST_F(HttpDownloadTest, FourSegmentsStoreARealVideoByteForByte) {
    ASSERT_TRUE(MakeVideo(Root() / "media" / "clip.mp4", 3));
    const std::string served = Served("clip.mp4");
    ASSERT_GT(served.size(), 4096u);
    auto item = NewItem(AddPage("clip.html", "Holiday Clip", server_.Url("/media/clip.mp4")));

    ASSERT_TRUE(item->Run());
    ASSERT_TRUE(sink_.WaitFinished(item.get(), 1));
    ASSERT_TRUE(WorkersDone(item));
    ASSERT_EQ(item->state.load(), ActivityState::Completed);
    EXPECT_TRUE(item->IsMultiStream());
    EXPECT_EQ(item->GetFileName(), L"Holiday Clip.mp4");
    EXPECT_EQ(item->OutputPath(), FromPath(folder_ / "Holiday Clip.mp4"));
    EXPECT_EQ(FolderNames(), std::vector<std::string>{"Holiday Clip.mp4"});
    EXPECT_EQ(ReadFileBytes(folder_ / "Holiday Clip.mp4"), served);
    EXPECT_DOUBLE_EQ(item->sizeMB.load(), static_cast<double>(served.size()) / 1048576.0);
    EXPECT_EQ(sink_.FinishedCount(item.get()), 1);
    int32_t percent = 0;
    double speed = 0;
    int32_t left = 0;
    item->GetProgress(percent, speed, left);
    EXPECT_EQ(percent, 100);

    // One ranged request per segment, exactly the segment arithmetic.
    std::set<std::string> asked;
    for (const auto& entry : MediaRequests(server_, "clip.mp4")) {
        EXPECT_EQ(entry.status, 206);
        EXPECT_EQ(entry.userAgent, "Rorovizov");
        asked.insert(entry.range);
    }
    std::set<std::string> expected;
    const SegmentPlan plan(served.size());
    for (const ByteRange& r : plan.Ranges()) {
        expected.insert("bytes=" + std::to_string(r.from) + "-" + std::to_string(r.to));
    }
    EXPECT_EQ(asked, expected);
    EXPECT_EQ(expected.size(), 4u);
}

TEST_F(HttpDownloadTest, ServerThatIgnoresRangesIsRerunAsOneStream) {
    auto page = AddVideo("whole.bin", "Whole", (1 << 20) + 3, "/liar");
    auto item = NewItem(page);
    ASSERT_TRUE(item->Run());
    ASSERT_TRUE(sink_.WaitFinished(item.get(), 1));
    ASSERT_TRUE(WorkersDone(item));
    ASSERT_EQ(item->state.load(), ActivityState::Completed);
    EXPECT_TRUE(item->RetrySingle());
    EXPECT_FALSE(item->IsMultiStream());
    EXPECT_EQ(FolderNames(), std::vector<std::string>{"Whole.bin"});
    EXPECT_EQ(ReadFileBytes(folder_ / "Whole.bin"), Served("whole.bin"));
    // The canceled segmented attempt posted no notice; the rerun posted one.
    EXPECT_EQ(sink_.FinishedCount(item.get()), 1);

    auto requests = MediaRequests(server_, "whole.bin");
    ASSERT_FALSE(requests.empty());
    bool rangedAnsweredWhole = false;
    for (const auto& entry : requests) {
        rangedAnsweredWhole |= entry.range != "-" && entry.status == 200;
    }
    EXPECT_TRUE(rangedAnsweredWhole);
    // The rerun: one request without a range, answered with the whole file.
    const auto& last = requests.back();
    EXPECT_EQ(last.range, "-");
    EXPECT_EQ(last.status, 200);
    EXPECT_EQ(last.bodyBytes, Served("whole.bin").size());
}

TEST_F(HttpDownloadTest, NoAcceptRangesMeansOneStreamThatCannotPause) {
    auto page = AddVideo("single.bin", "Single", 400 * 1024, "/slownorange");
    auto item = NewItem(page);
    ASSERT_TRUE(item->Run());
    ASSERT_TRUE(WaitUntil([&] { return item->SubItemCount() == 1; }));
    EXPECT_FALSE(item->IsMultiStream());
    EXPECT_FALSE(item->CanPause());
    EXPECT_FALSE(item->Pause());
    ASSERT_TRUE(sink_.WaitFinished(item.get(), 1));
    ASSERT_TRUE(WorkersDone(item));
    ASSERT_EQ(item->state.load(), ActivityState::Completed);
    EXPECT_EQ(ReadFileBytes(folder_ / "Single.bin"), Served("single.bin"));
    auto requests = MediaRequests(server_, "single.bin");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].range, "-");
}

TEST_F(HttpDownloadTest, NameCollisionsAddNumbersAndNeverOverwrite) {
    WriteFileBytes(folder_ / "Clip.bin", "the user's own file");
    auto page = AddVideo("clip.bin", "Clip", 64 * 1024 + 5);

    auto first = NewItem(page);
    ASSERT_TRUE(first->Run());
    ASSERT_TRUE(sink_.WaitFinished(first.get(), 1));
    ASSERT_TRUE(WorkersDone(first));
    ASSERT_EQ(first->state.load(), ActivityState::Completed);
    EXPECT_EQ(first->Title(), L"Clip[1]");
    EXPECT_EQ(first->GetFileName(), L"Clip[1].bin");

    auto second = NewItem(page);
    ASSERT_TRUE(second->Run());
    ASSERT_TRUE(sink_.WaitFinished(second.get(), 1));
    ASSERT_TRUE(WorkersDone(second));
    ASSERT_EQ(second->state.load(), ActivityState::Completed);
    EXPECT_EQ(second->GetFileName(), L"Clip[2].bin");

    EXPECT_EQ(FolderNames(), (std::vector<std::string>{"Clip.bin", "Clip[1].bin", "Clip[2].bin"}));
    EXPECT_EQ(ReadFileBytes(folder_ / "Clip.bin"), "the user's own file");
    EXPECT_EQ(ReadFileBytes(folder_ / "Clip[1].bin"), Served("clip.bin"));
    EXPECT_EQ(ReadFileBytes(folder_ / "Clip[2].bin"), Served("clip.bin"));

    // Renaming a stored file moves it, with the same collision rule.
    EXPECT_TRUE(second->SetFileName(L"Clip.bin"));
    EXPECT_EQ(second->GetFileName(), L"Clip[3].bin");
    EXPECT_TRUE(second->SetFileName(L"Renamed.bin"));
    EXPECT_EQ(second->OutputPath(), FromPath(folder_ / "Renamed.bin"));
    EXPECT_EQ(FolderNames(), (std::vector<std::string>{"Clip.bin", "Clip[1].bin", "Renamed.bin"}));
    EXPECT_EQ(ReadFileBytes(folder_ / "Renamed.bin"), Served("clip.bin"));
}

TEST_F(HttpDownloadTest, EveryNameTakenFailsTheRunWithoutLeavingItsWorkFile) {
    std::vector<std::string> taken = {"Clip.bin"};
    for (int n = 1; n < 20; ++n) {
        taken.push_back("Clip[" + std::to_string(n) + "].bin");
    }
    for (const std::string& name : taken) {
        WriteFileBytes(folder_ / name, "the user's own " + name);
    }
    std::sort(taken.begin(), taken.end());
    auto item = NewItem(AddVideo("clip.bin", "Clip", 64 * 1024 + 5));

    ASSERT_TRUE(item->Run());
    ASSERT_TRUE(sink_.WaitFinished(item.get(), 1));
    ASSERT_TRUE(WorkersDone(item));
    EXPECT_EQ(item->state.load(), ActivityState::Failed);
    EXPECT_EQ(item->FailedCode(), 1u);
    EXPECT_NE(item->ErrorText().find(L"could not be stored"), std::wstring::npos);
    EXPECT_EQ(FolderNames(), taken);
    EXPECT_EQ(ReadFileBytes(folder_ / "Clip[7].bin"), "the user's own Clip[7].bin");
    EXPECT_EQ(sink_.FinishedCount(item.get()), 1);
}

TEST_F(HttpDownloadTest, TitleAndExtensionDefaultToVideoFlv) {
    // No title on the page and an address without an extension, served as octet-stream.
    WriteFileBytes(Root() / "media" / "noext", GeneratedBytes(5000, 7));
    auto item = NewItem(AddPage("untitled.html", "", server_.Url("/media/noext")));
    ASSERT_TRUE(item->Run());
    ASSERT_TRUE(sink_.WaitFinished(item.get(), 1));
    ASSERT_TRUE(WorkersDone(item));
    ASSERT_EQ(item->state.load(), ActivityState::Completed);
    EXPECT_EQ(FolderNames(), std::vector<std::string>{"video.flv"});
    EXPECT_EQ(ReadFileBytes(folder_ / "video.flv"), Served("noext"));
}

TEST_F(HttpDownloadTest, TruncatedBodyFailsAndStoresNothing) {
    FaultServer fault(FaultServer::Respond(
        "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: "
        "300000\r\nConnection: close\r\n\r\n",
        120000));
    ASSERT_TRUE(fault.IsListening());
    auto item = NewItem(AddPage("cut.html", "Cut", fault.Url("/cut.bin")));
    ASSERT_TRUE(item->Run());
    ASSERT_TRUE(sink_.WaitFinished(item.get(), 1));
    ASSERT_TRUE(WorkersDone(item));
    EXPECT_EQ(item->state.load(), ActivityState::Failed);
    EXPECT_EQ(item->FailedCode(), kNetWriteFailed);
    // The server's fault, not the folder's: nothing about the disk to say.
    EXPECT_TRUE(item->ErrorText().empty());
    EXPECT_TRUE(item->OutputPath().empty());
    EXPECT_TRUE(FolderNames().empty());
    EXPECT_EQ(sink_.FinishedCount(item.get()), 1);
}

TEST_F(HttpDownloadTest, PreparationNeverOverwritesTheStateOfAStartedItem) {
    // A page large enough, and slow enough, that the script is still fetching it when the
    // queue starts (or stops) the item.
    auto page = AddPage("big.html", "Big", server_.Url("/media/big.bin"),
                        std::string(600 * 1024, ' ') + "x");
    WriteFileBytes(Root() / "media" / "big.bin", GeneratedBytes(100000, 3));
    const std::wstring slowPage = server_.WideUrl("/slow/pages/big.html");
    (void)page;

    auto stopped = NewItem(slowPage);
    ASSERT_TRUE(stopped->Prepare());
    ASSERT_TRUE(stopped->Stop());
    ASSERT_TRUE(WorkersDone(stopped));
    EXPECT_EQ(stopped->state.load(), ActivityState::Canceled);

    auto started = NewItem(slowPage);
    ASSERT_TRUE(started->Prepare());
    ASSERT_TRUE(started->Run());
    ASSERT_TRUE(sink_.WaitFinished(started.get(), 1));
    ASSERT_TRUE(WorkersDone(started));
    EXPECT_EQ(started->state.load(), ActivityState::Completed);
    EXPECT_EQ(ReadFileBytes(folder_ / "Big.bin"), Served("big.bin"));
}

}  // namespace
}  // namespace talvex::test
