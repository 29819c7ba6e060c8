// A file larger than 4 GiB (sparse on the server's side, with real bytes around the 4 GiB mark
// and at both ends) downloads intact: sizes, segment bounds and write positions are 64-bit.
#include <gtest/gtest.h>

#include <fstream>

#include "download/SegmentPlan.h"
#include "integration/download/DownloadSite.h"

namespace talvex::test {
namespace {

class LargeFileTest : public DownloadSite {};

// Streams both files and compares them; false at the first difference or size mismatch.
bool SameContent(const fs::path& a, const fs::path& b) {
    std::ifstream fa(a, std::ios::binary);
    std::ifstream fb(b, std::ios::binary);
    std::vector<char> ba(1 << 20);
    std::vector<char> bb(1 << 20);
    while (fa && fb) {
        fa.read(ba.data(), static_cast<std::streamsize>(ba.size()));
        fb.read(bb.data(), static_cast<std::streamsize>(bb.size()));
        if (fa.gcount() != fb.gcount() ||
            !std::equal(ba.begin(), ba.begin() + fa.gcount(), bb.begin())) {
            return false;
        }
    }
    return fa.eof() && fb.eof();
}

TEST_F(LargeFileTest, FileBeyondFourGibibytesArrivesIntact) {
    const uint64_t size = (4ull << 30) + 1003;
    const fs::path served = Root() / "media" / "huge.bin";
    {
        File file = File::CreateTruncate(served);
        ASSERT_TRUE(file.Resize(size));
        const std::string head = GeneratedBytes(64 * 1024, 1);
        const std::string middle = GeneratedBytes(96 * 1024, 2);
        ASSERT_TRUE(file.WriteAt(0, head.data(), head.size()));
        // Across the 4 GiB mark and to the end, through the last segment's boundary.
        ASSERT_TRUE(file.WriteAt(size - middle.size(), middle.data(), middle.size()));
        const uint64_t secondBoundary = SegmentPlan(size).Ranges()[1].to;
        ASSERT_TRUE(file.WriteAt(secondBoundary - 100, head.data(), 200));
    }
    // In memory when the machine has room for it there: the point is the positions, not the
    // disk's speed.
    std::optional<TempDir> memory;
    std::error_code ec;
    if (fs::space("/dev/shm", ec).available > 2 * size) {
        ScopedEnv tmp("TMPDIR", "/dev/shm");
        memory.emplace();
    }
    const fs::path folder = memory ? memory->Path() : folder_;
    auto item = NewItem(AddPage("huge.html", "Huge", server_.Url("/media/huge.bin")));
    item->workPath = FromPath(folder);
    ASSERT_TRUE(item->Run());
    ASSERT_TRUE(sink_.WaitFinished(item.get(), 1, 600000));
    ASSERT_TRUE(WorkersDone(item));
    ASSERT_EQ(item->state.load(), ActivityState::Completed) << item->FailedCode();
    EXPECT_TRUE(item->IsMultiStream());
    const fs::path stored = folder / "Huge.bin";
    ASSERT_EQ(fs::file_size(stored), size);
    EXPECT_TRUE(SameContent(stored, served));
    fs::remove(stored);
}

}  // namespace
}  // namespace talvex::test
