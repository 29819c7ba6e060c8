// Ranged and whole-file transfers into an open file, and the whole-file download with
// progress, against a real nginx (and the fault server where nginx cannot misbehave).
#include <gtest/gtest.h>

#include <thread>

#include "integration/net/NetTestSupport.h"
#include "net/DNetworking.h"
#include "support/FaultServer.h"
#include "support/NginxServer.h"

namespace talvex::test {
namespace {

namespace fs = std::filesystem;

class RangeTransferTest : public ::testing::Test {
protected:
    void SetUp() override {
        content = PatternBytes(1 << 20);
        WriteFileBytes(nginx.Root() / "media.bin", content);
        ASSERT_TRUE(nginx.Start()) << nginx.LastError();
        output = File::OpenReadWrite(out.Path() / "out.bin", true);
        ASSERT_TRUE(output.IsOpen());
    }
    std::string Stored() { return ReadFileBytes(out.Path() / "out.bin"); }

    NoProxyEnv noProxy;
    NginxServer nginx;
    std::string content;
    TempDir out;
    File output;
};

TEST_F(RangeTransferTest, RangeIsWrittenAtItsPositionAndReported) {
    DNetworking client;
    RecordingSink sink(5000);
    std::atomic<uint64_t> position{1000};
    ASSERT_EQ(client.DownloadRange(nginx.WideUrl("/media.bin"), ByteRange{1000, 200999}, output,
                                   position, NeverStop(), &sink),
              kNetSuccess);
    EXPECT_EQ(position.load(), 201000u);
    std::string stored = Stored();
    ASSERT_EQ(stored.size(), 201000u);
    EXPECT_EQ(stored.substr(1000), content.substr(1000, 200000));
    EXPECT_EQ(client.StatusCode(), L"206");
    EXPECT_TRUE(sink.sizes.empty());  // a segment's size comes from its item
    EXPECT_EQ(sink.starts.size(), 1u);
    EXPECT_EQ(sink.completes.load(), 1);
    ASSERT_FALSE(sink.updates.empty());
    EXPECT_EQ(sink.updates.back().done <= 205000u, true);
    EXPECT_GT(sink.updates.front().done, 5000u);  // counts on from the bytes stored before
    auto log = nginx.WaitForAccessLog(1);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].range, "bytes=1000-200999");
    EXPECT_EQ(log[0].status, 206);
}

TEST_F(RangeTransferTest, WholeBodyWithoutRangeReportsItsSize) {
    DNetworking client;
    RecordingSink sink;
    std::atomic<uint64_t> position{0};
    ASSERT_EQ(client.DownloadRange(nginx.WideUrl("/media.bin"), std::nullopt, output, position,
                                   NeverStop(), &sink),
              kNetSuccess);
    EXPECT_EQ(Stored(), content);
    ASSERT_EQ(sink.sizes.size(), 1u);
    EXPECT_EQ(sink.sizes[0], content.size());
    EXPECT_EQ(sink.completes.load(), 1);
    EXPECT_EQ(nginx.WaitForAccessLog(1).at(0).range, "-");
}

TEST_F(RangeTransferTest, OneByteRangeStillAsksForARange) {
    DNetworking client;
    std::atomic<uint64_t> position{5};
    ASSERT_EQ(client.DownloadRange(nginx.WideUrl("/media.bin"), ByteRange{5, 5}, output, position,
                                   NeverStop(), nullptr),
              kNetSuccess);
    EXPECT_EQ(position.load(), 6u);
    EXPECT_EQ(Stored().substr(5), content.substr(5, 1));
    EXPECT_EQ(nginx.WaitForAccessLog(1).at(0).range, "bytes=5-5");
}

TEST_F(RangeTransferTest, RefusedRangeIs16AndMissingFileIs11) {
    DNetworking client;
    RecordingSink sink;
    std::atomic<uint64_t> position{100};
    EXPECT_EQ(client.DownloadRange(nginx.WideUrl("/norange/media.bin"), ByteRange{100, 199}, output,
                                   position, NeverStop(), &sink),
              kNetRangeIgnored);
    EXPECT_EQ(client.StatusCode(), L"200");
    EXPECT_EQ(position.load(), 100u);
    EXPECT_EQ(Stored().size(), 0u);
    EXPECT_EQ(client.DownloadRange(nginx.WideUrl("/none.bin"), ByteRange{0, 99}, output, position,
                                   NeverStop(), &sink),
              kNetBadStatus);
    EXPECT_EQ(client.DownloadRange(nginx.WideUrl("/none.bin"), std::nullopt, output, position,
                                   NeverStop(), &sink),
              kNetBadStatus);
    EXPECT_TRUE(sink.starts.empty());
    EXPECT_EQ(sink.completes.load(), 0);
}

TEST_F(RangeTransferTest, OffsetsBeyondFourGiBStayExact) {
    // A sparse 5 GiB file: only the bytes written exist on disk.
    const uint64_t base = (4ull << 30) + 100;
    {
        File big = File::OpenReadWrite(nginx.Root() / "big.bin", true);
        ASSERT_TRUE(big.Resize(5ull << 30));
        ASSERT_TRUE(big.WriteAt(base, content.data(), 64));
    }
    DNetworking client;
    ASSERT_EQ(client.QueryHeaders(nginx.WideUrl("/big.bin")), kNetSuccess);
    EXPECT_EQ(client.ContentLength(), 5ull << 30);

    std::atomic<uint64_t> position{base};
    ASSERT_EQ(client.DownloadRange(nginx.WideUrl("/big.bin"), ByteRange{base, base + 63}, output,
                                   position, NeverStop(), nullptr),
              kNetSuccess);
    EXPECT_EQ(position.load(), base + 64);
    std::string piece(64, '\0');
    ASSERT_EQ(::pread(output.Descriptor(), piece.data(), 64, static_cast<off_t>(base)), 64);
    EXPECT_EQ(piece, content.substr(0, 64));
    EXPECT_EQ(nginx.WaitForAccessLog(2).at(1).range, "bytes=4294967396-4294967459");
}

TEST_F(RangeTransferTest, RangeCutShortIs14AndKeepsWhatArrived) {
    FaultServer cut(
        FaultServer::Respond("HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 0-9999/10000\r\n"
                             "Content-Length: 10000\r\n\r\n",
                             4000));
    DNetworking client;
    RecordingSink sink;
    std::atomic<uint64_t> position{0};
    EXPECT_EQ(client.DownloadRange(cut.WideUrl("/"), ByteRange{0, 9999}, output, position,
                                   NeverStop(), &sink),
              kNetWriteFailed);
    EXPECT_EQ(position.load(), 4000u);  // a resumed segment continues from here
    EXPECT_EQ(Stored()[3999], FaultServer::FillerByte(3999));
    EXPECT_EQ(sink.completes.load(), 0);
}

TEST_F(RangeTransferTest, WholeBodyCutShortIs14) {
    FaultServer cut(FaultServer::Respond("HTTP/1.1 200 OK\r\nContent-Length: 10000\r\n\r\n", 6000));
    DNetworking client;
    RecordingSink sink;
    std::atomic<uint64_t> position{0};
    EXPECT_EQ(
        client.DownloadRange(cut.WideUrl("/"), std::nullopt, output, position, NeverStop(), &sink),
        kNetWriteFailed);
    EXPECT_EQ(position.load(), 6000u);
    EXPECT_EQ(sink.completes.load(), 0);
}

TEST_F(RangeTransferTest, PartStartingElsewhereThanAskedIsRefused) {
    FaultServer wrong(
        FaultServer::Respond("HTTP/1.1 206 Partial Content\r\nContent-Range: bytes "
                             "0-99/1000\r\nContent-Length: 100\r\n\r\n",
                             100));
    DNetworking client;
    std::atomic<uint64_t> position{500};
    EXPECT_EQ(client.DownloadRange(wrong.WideUrl("/"), ByteRange{500, 599}, output, position,
                                   NeverStop(), nullptr),
              kNetBadStatus);
    EXPECT_EQ(position.load(), 500u);
    EXPECT_EQ(Stored().size(), 0u);
}

TEST_F(RangeTransferTest, SinkRefusingTheStartEndsTheTransfer) {
    DNetworking client;
    RecordingSink sink;
    sink.acceptStart = false;
    std::atomic<uint64_t> position{0};
    EXPECT_EQ(client.DownloadRange(nginx.WideUrl("/media.bin"), ByteRange{0, 999}, output, position,
                                   NeverStop(), &sink),
              kNetInternalError);
    EXPECT_EQ(position.load(), 0u);
}

TEST_F(RangeTransferTest, ParallelSegmentsAssembleTheFile) {
    const uint64_t size = content.size();
    ASSERT_TRUE(output.Resize(size));
    std::vector<std::thread> segments;
    std::vector<uint32_t> results(4, 99);
    std::vector<std::atomic<uint64_t>> positions(4);
    for (int i = 0; i < 4; ++i) {
        uint64_t from = size / 4 * i;
        uint64_t to = i == 3 ? size - 1 : size / 4 * (i + 1) - 1;
        positions[i] = from;
        segments.emplace_back([&, i, from, to] {
            DNetworking client;
            RecordingSink sink;
            results[i] = client.DownloadRange(nginx.WideUrl("/media.bin"), ByteRange{from, to},
                                              output, positions[i], NeverStop(), &sink);
        });
    }
    for (auto& t : segments) {
        t.join();
    }
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(results[i], kNetSuccess) << "segment " << i;
    }
    EXPECT_EQ(Stored(), content);
}

TEST_F(RangeTransferTest, DownloadWithProgressReportsAndCompletes) {
    std::string installer = PatternBytes(1000000, 7);
    WriteFileBytes(nginx.Root() / "setup.bin", installer);
    fs::path target = out.Path() / "setup.bin";
    DNetworking client;
    RecordingNotifier notifier;
    ASSERT_EQ(
        client.DownloadWithProgress(nginx.WideUrl("/setup.bin"), target, NeverStop(), &notifier),
        kNetSuccess);
    EXPECT_EQ(ReadFileBytes(target), installer);
    ASSERT_EQ(notifier.sizes.size(), 1u);
    EXPECT_EQ(notifier.sizes[0], installer.size());
    // The first report carries the start tick; then the total every 200 KiB and at the end.
    ASSERT_GE(notifier.progress.size(), 2u);
    EXPECT_GT(notifier.progress[0].first, 0u);
    EXPECT_EQ(notifier.progress[0].second, 0u);
    EXPECT_EQ(notifier.progress.back().first, installer.size());
    EXPECT_EQ(notifier.progress.size(), 1u + 4u + 1u);  // 204800 x4 passed, then the end
    EXPECT_EQ(notifier.completes, 1);
    EXPECT_TRUE(notifier.errors.empty());
}

TEST_F(RangeTransferTest, DownloadWithProgressFailureAndCancel) {
    fs::path target = out.Path() / "setup.bin";
    DNetworking client;
    RecordingNotifier failed;
    EXPECT_EQ(client.DownloadWithProgress(nginx.WideUrl("/none.bin"), target, NeverStop(), &failed),
              kNetBadStatus);
    EXPECT_EQ(failed.errors, std::vector<uint32_t>{kNetBadStatus});
    EXPECT_FALSE(fs::exists(target));

    RecordingNotifier cancelling;
    cancelling.cancelAfter = 2;  // refuses the first report after the start
    EXPECT_EQ(
        client.DownloadWithProgress(nginx.WideUrl("/media.bin"), target, NeverStop(), &cancelling),
        kNetSuccess);
    EXPECT_FALSE(fs::exists(target));
    EXPECT_EQ(cancelling.completes, 0);
    EXPECT_TRUE(cancelling.errors.empty());
}

}  // namespace
}  // namespace talvex::test
