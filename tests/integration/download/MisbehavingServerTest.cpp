// Media servers that misbehave. One without ranges whose size query and body disagree: the
// stored file is the body that arrived whole, never the size the query announced, and a body
// shorter than its own response declared fails without leaving anything. One that trickles a
// few bytes now and then: the download fails instead of waiting for ever.
#include <gtest/gtest.h>

#include "integration/download/DownloadSite.h"
#include "support/FaultServer.h"

namespace talvex::test {
namespace {

// Answers "HEAD" with headHead alone and "GET" with getHead and bodyBytes of filler (as one
// chunk when chunked). Every answer closes its connection.
FaultServer::Handler HeadAndGet(std::string headHead, std::string getHead, uint64_t bodyBytes,
                                bool chunked) {
    return [=](FaultServer::Connection& c) {
        const std::string request = c.ReadRequest();
        if (request.empty()) {
            return;
        }
        if (request.rfind("HEAD ", 0) == 0) {
            c.Send(headHead);
            return;
        }
        if (!c.Send(getHead)) {
            return;
        }
        if (!chunked) {
            c.SendFiller(bodyBytes);
            return;
        }
        char size[32];
        std::snprintf(size, sizeof size, "%llx\r\n", static_cast<unsigned long long>(bodyBytes));
        if (c.Send(size) && c.SendFiller(bodyBytes)) {
            c.Send("\r\n0\r\n\r\n");
        }
    };
}

std::string Head(const std::string& lengthHeader) {
    return "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n" + lengthHeader +
           "Connection: close\r\n\r\n";
}

std::string Filler(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = FaultServer::FillerByte(i);
    }
    return bytes;
}

class MisbehavingServerTest : public DownloadSite {};

TEST_F(MisbehavingServerTest, StoredFileIsTheBodyThatArrivedWhole) {
    struct Case {
        const char* title;
        std::string headLength;
        std::string getLength;
        uint64_t sent;
        bool chunked;
    };
    const Case cases[] = {
        // The query says 2,000,000; the body honestly says and brings 1,000,000.
        {"Honest", "Content-Length: 2000000\r\n", "Content-Length: 1000000\r\n", 1000000, false},
        // The same body without a length, in one chunk.
        {"Chunked", "Content-Length: 2000000\r\n", "Transfer-Encoding: chunked\r\n", 1000000, true},
        // A query that announces a tebibyte must not make a tebibyte file of 1,000 bytes.
        {"Tebibyte", "Content-Length: 1099511627776\r\n", "Content-Length: 1000\r\n", 1000, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        FaultServer fault(HeadAndGet(Head(c.headLength), Head(c.getLength), c.sent, c.chunked));
        ASSERT_TRUE(fault.IsListening());
        auto item =
            NewItem(AddPage(std::string(c.title) + ".html", c.title, fault.Url("/media.bin")));
        ASSERT_TRUE(item->Run());
        ASSERT_TRUE(sink_.WaitFinished(item.get(), 1));
        ASSERT_TRUE(WorkersDone(item));
        ASSERT_EQ(item->state.load(), ActivityState::Completed);
        EXPECT_FALSE(item->IsMultiStream());
        const fs::path stored = folder_ / (std::string(c.title) + ".bin");
        // The size first: a file sized by the query would be far too large to read.
        ASSERT_EQ(fs::file_size(stored), c.sent);
        EXPECT_EQ(ReadFileBytes(stored), Filler(c.sent));
        EXPECT_DOUBLE_EQ(item->sizeMB.load(), static_cast<double>(c.sent) / 1048576.0);
        fs::remove(stored);
    }
}

TEST_F(MisbehavingServerTest, BodyShorterThanItsOwnResponseDeclaredFailsAndLeavesNothing) {
    FaultServer fault(HeadAndGet(Head("Content-Length: 1000000\r\n"),
                                 Head("Content-Length: 2000000\r\n"), 1000000, false));
    ASSERT_TRUE(fault.IsListening());
    auto item = NewItem(AddPage("short.html", "Short", fault.Url("/media.bin")));
    ASSERT_TRUE(item->Run());
    ASSERT_TRUE(sink_.WaitFinished(item.get(), 1));
    ASSERT_TRUE(WorkersDone(item));
    EXPECT_EQ(item->state.load(), ActivityState::Failed);
    EXPECT_EQ(item->FailedCode(), kNetWriteFailed);
    EXPECT_TRUE(item->OutputPath().empty());
    EXPECT_TRUE(FolderNames().empty());
}

TEST_F(MisbehavingServerTest, TrickleBelowTheLowSpeedFloorFailsTheDownload) {
    // 300 bytes a second, all of it in 10 s: the default floor (a kilobyte a second) over two
    // seconds instead of a minute ends it long before.
    FaultServer trickle(FaultServer::Trickle(Head("Content-Length: 3000\r\n"), 3000, 30, 100));
    ASSERT_TRUE(trickle.IsListening());
    auto item = NewItem(AddPage("trickle.html", "Trickle", trickle.Url("/media.bin")));
    NetTimeouts timeouts;
    timeouts.lowSpeedSeconds = 2;
    item->SetTransferTimeouts(timeouts);
    ASSERT_TRUE(item->Run());
    ASSERT_TRUE(sink_.WaitFinished(item.get(), 1, 8000));
    ASSERT_TRUE(WorkersDone(item));
    EXPECT_EQ(item->state.load(), ActivityState::Failed);
    EXPECT_EQ(item->FailedCode(), kNetReadFailed);
    EXPECT_TRUE(FolderNames().empty());
}

}  // namespace
}  // namespace talvex::test
