#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "app/threads/DRefCounted.h"
#include "app/threads/LockedRef.h"

namespace talvex {
namespace {

std::atomic<int> g_live{0};

class Counted : public DRefCounted {
public:
    explicit Counted(int value = 0) : value(value) { ++g_live; }
    ~Counted() override { --g_live; }
    const int value;
};

class LockedRefTest : public ::testing::Test {
protected:
    void SetUp() override { g_live = 0; }
    void TearDown() override { EXPECT_EQ(g_live.load(), 0) << "objects leaked"; }
};

TEST_F(LockedRefTest, CellOwnsOneReferenceAndDropsItOnReset) {
    LockedRef<Counted> cell;
    EXPECT_FALSE(cell.Load());
    auto* obj = new Counted(7);
    cell.Store(obj);
    EXPECT_EQ(obj->RefCount(), 1);
    EXPECT_TRUE(cell.Holds(obj));
    cell.Reset();
    EXPECT_EQ(g_live.load(), 0);
}

TEST_F(LockedRefTest, LoadedReferenceKeepsObjectAliveAfterTheCellLetsGo) {
    LockedRef<Counted> cell;
    cell.Store(new Counted(42));
    RefPtr<Counted> held = cell.Load();
    cell.Reset();
    ASSERT_EQ(g_live.load(), 1);
    EXPECT_EQ(held->value, 42);
    EXPECT_EQ(held->RefCount(), 1);
    held.reset();
    EXPECT_EQ(g_live.load(), 0);
}

TEST_F(LockedRefTest, StoreReplacesAndReleasesTheOldObject) {
    LockedRef<Counted> cell;
    cell.Store(new Counted(1));
    auto second = MakeRef<Counted>(2);
    cell.Store(second);
    EXPECT_EQ(g_live.load(), 1);
    EXPECT_EQ(second->RefCount(), 2);
    EXPECT_EQ(cell.Load()->value, 2);
    cell.Store(second);  // storing what it already holds must not free it
    EXPECT_EQ(second->RefCount(), 2);
}

TEST_F(LockedRefTest, ConcurrentLoadsAndStoresNeverLoseOrDoubleFree) {
    {
        LockedRef<Counted> cell;
        constexpr int kWriters = 2;
        constexpr int kReaders = 3;
        constexpr int kRounds = 5000;
        std::atomic<long> readSum{0};
        std::vector<std::thread> threads;
        for (int w = 0; w < kWriters; ++w) {
            threads.emplace_back([&, w] {
                for (int i = 0; i < kRounds; ++i) {
                    if (i % 7 == 0) {
                        cell.Reset();
                    } else {
                        cell.Store(new Counted(w + 1));
                    }
                }
            });
        }
        for (int r = 0; r < kReaders; ++r) {
            threads.emplace_back([&] {
                for (int i = 0; i < kRounds; ++i) {
                    if (RefPtr<Counted> p = cell.Load()) {
                        readSum += p->value;  // reads freed memory if a reference went missing
                    }
                }
            });
        }
        for (auto& t : threads) {
            t.join();
        }
        EXPECT_LE(g_live.load(), 1);
    }
    // The cell's destructor dropped the last one; TearDown checks nothing is left.
}

}  // namespace
}  // namespace talvex
