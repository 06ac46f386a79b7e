#include "heap/heap_snapshot.h"

#include "tests/support/synthetic_snapshot.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace corvane {
namespace {

using testing::SyntheticDebugService;
using testing::SyntheticHeap;
using testing::SyntheticMemory;

constexpr Address kBuffer = 0x00200000;
constexpr Address kHeapList = 0x00300000;
constexpr std::uint32_t kProcess = 4242;

SyntheticHeap HeapOf(Address base, std::vector<std::uint16_t> flags) {
    SyntheticHeap heap;
    heap.record.base = base;
    heap.entries.push_back({0x1000, kEntrySegment, base + 0x580});
    std::uint64_t size = 0x10;
    for (const std::uint16_t flag : flags)
        heap.entries.push_back({size += 0x10, flag, 0});
    heap.record.entryCount = static_cast<std::uint32_t>(heap.entries.size());
    return heap;
}

class Snapshot : public ::testing::Test {
protected:
    SyntheticMemory memory;
    SyntheticDebugService service{memory, HeapRecordLayout::Native64, kBuffer};
    HeapSnapshot snapshot;
    std::string error;
};

TEST_F(Snapshot, HoldsEveryHeapWithItsBlocksAsTheListsWalkThem) {
    const std::vector<SyntheticHeap> heaps = {HeapOf(0x7ff000150000, {0x0001, 0x0100, 0x0000, 0x0020}),
                                              HeapOf(0x7ff000250000, {})};
    testing::LaySnapshot(memory, HeapRecordLayout::Native64, kBuffer, kHeapList, heaps);
    ASSERT_EQ(TakeHeapSnapshot(service, kProcess, snapshot, error), SnapshotResult::Taken);
    EXPECT_EQ(snapshot.processId, kProcess);
    EXPECT_EQ(snapshot.width, AddressWidth::Bits64);
    ASSERT_EQ(snapshot.heaps.size(), 2u);
    for (std::size_t i = 0; i < heaps.size(); ++i) {
        EXPECT_EQ(snapshot.heaps[i].record.base, heaps[i].record.base);
        std::vector<testing::BlockRowValues> rows;
        for (const HeapBlockCursor& block : snapshot.heaps[i].blocks)
            rows.emplace_back(block.address, block.size, !IsBusyBlock(block));
        std::sort(rows.begin(), rows.end());
        EXPECT_EQ(rows, testing::WalkBlockRows(heaps[i])) << i;
    }
    // A block without kind flags carries the free mark of the one before.
    EXPECT_FALSE(IsBusyBlock(snapshot.heaps[0].blocks[2]));
    EXPECT_TRUE(IsBusyBlock(snapshot.heaps[0].blocks[3]));
    EXPECT_EQ(service.created, service.destroyed);
}

TEST_F(Snapshot, AFailedQueryOrAnEndedProcessTakesNothingAndReleasesTheBuffer) {
    testing::LaySnapshot(memory, HeapRecordLayout::Native64, kBuffer, kHeapList, {HeapOf(0x150000, {1})});
    service.fullQueryStatus = 0xC0000005;
    EXPECT_EQ(TakeHeapSnapshot(service, kProcess, snapshot, error), SnapshotResult::Failed);
    EXPECT_EQ(error, "Failed to query process heap information, error = 0xc0000005");
    EXPECT_TRUE(snapshot.heaps.empty());

    service.endsAtRunningCheck = service.runningChecks + 2; // ends while it is queried
    EXPECT_EQ(TakeHeapSnapshot(service, kProcess, snapshot, error), SnapshotResult::ProcessEnded);
    EXPECT_EQ(service.created, service.destroyed);
}

TEST_F(Snapshot, NoBufferOrEntriesThatDoNotReadTakeNothingAndSayWhy) {
    const auto at = testing::LaySnapshot(memory, HeapRecordLayout::Native64, kBuffer, kHeapList,
                                         {HeapOf(0x150000, {1}), HeapOf(0x250000, {1})});
    service.failCreate = true;
    EXPECT_EQ(TakeHeapSnapshot(service, kProcess, snapshot, error), SnapshotResult::Failed);
    EXPECT_EQ(error, "Failed to create debug buffer for heap storage");

    service.failCreate = false;
    memory.Unmap(at.entryArrays[1]);
    EXPECT_EQ(TakeHeapSnapshot(service, kProcess, snapshot, error), SnapshotResult::Failed);
    EXPECT_EQ(error.rfind("Failed to read the heap information of the process: ", 0), 0u) << error;
    EXPECT_TRUE(snapshot.heaps.empty()) << "not even the heap read before";
    EXPECT_EQ(service.created, service.destroyed);
}

} // namespace
} // namespace corvane
