#include "heap/snapshot_compare.h"

#include <gtest/gtest.h>

#include <limits>
#include <utility>

namespace corvane {
namespace {

HeapBlockCursor Busy(Address address, std::uint64_t size, std::uint32_t entry = 0) {
    return {address, size, BlockKind::Fixed, false, entry};
}
HeapBlockCursor Free(Address address, std::uint64_t size) { return {address, size, BlockKind::Free, false, 0}; }

SnapshotHeap HeapAt(Address base, std::vector<HeapBlockCursor> blocks) {
    SnapshotHeap heap;
    heap.record.base = base;
    heap.blocks = std::move(blocks);
    return heap;
}

HeapSnapshot Snapshot(std::vector<SnapshotHeap> heaps) {
    HeapSnapshot snapshot;
    snapshot.heaps = std::move(heaps);
    return snapshot;
}

using Block = std::pair<Address, std::uint64_t>;
std::vector<Block> Blocks(const std::vector<HeapBlockCursor>& blocks) {
    std::vector<Block> pairs;
    for (const HeapBlockCursor& block : blocks)
        pairs.emplace_back(block.address, block.size);
    return pairs;
}

TEST(SnapshotCompare, SameBusyBlocksAreNoChangeWhateverFreeBlocksKindsOrHeapOrderDo) {
    const HeapSnapshot baseline =
        Snapshot({HeapAt(0x10000, {Busy(0x10100, 0x20), Free(0x10120, 0x40)}), HeapAt(0x20000, {Busy(0x20100, 0x10)})});
    HeapBlockCursor moveable = Busy(0x10100, 0x20, 7);
    moveable.kind = BlockKind::Moveable;
    const HeapSnapshot current = Snapshot({HeapAt(0x20000, {Free(0x20000, 0x100), Busy(0x20100, 0x10)}),
                                           HeapAt(0x10000, {moveable, Free(0x10120, 0x80)})});
    const SnapshotDifference difference = CompareSnapshots(baseline, current);
    EXPECT_TRUE(difference.heaps.empty());
    EXPECT_EQ(difference.addedCount + difference.goneCount + difference.addedBytes + difference.goneBytes, 0u);
}

TEST(SnapshotCompare, AMovedOrResizedBlockIsOneGoneAndOneNewListedLargestFirst) {
    const HeapSnapshot baseline =
        Snapshot({HeapAt(0x10000, {Busy(0x11000, 0x20), Busy(0x12000, 0x40), Busy(0x13000, 0x10), Busy(0x15000, 0x8)}),
                  HeapAt(0x90000, {Busy(0x90100, 0x10)})});
    const HeapSnapshot current =
        Snapshot({HeapAt(0x10000, {Busy(0x11800, 0x20, 1), Busy(0x12000, 0x80, 2), Busy(0x13000, 0x10, 3),
                                   Busy(0x14000, 0x30, 4), Free(0x15000, 0x8)}),
                  HeapAt(0x90000, {Busy(0x90100, 0x10)})});
    const SnapshotDifference difference = CompareSnapshots(baseline, current);
    ASSERT_EQ(difference.heaps.size(), 1u); // the unchanged heap is left out
    const HeapChanges& heap = difference.heaps[0];
    EXPECT_EQ(heap.base, 0x10000u);
    EXPECT_FALSE(heap.heapIsNew);
    EXPECT_FALSE(heap.heapIsGone);
    EXPECT_EQ(Blocks(heap.added), (std::vector<Block>{{0x12000, 0x80}, {0x14000, 0x30}, {0x11800, 0x20}}));
    EXPECT_EQ(Blocks(heap.gone), (std::vector<Block>{{0x12000, 0x40}, {0x11000, 0x20}, {0x15000, 0x8}}));
    EXPECT_EQ(heap.added[0].entryIndex, 2u); // the block as the fresh snapshot has it
    EXPECT_EQ(heap.addedBytes, 0xD0u);
    EXPECT_EQ(heap.goneBytes, 0x68u);
    EXPECT_EQ(difference.addedCount, 3u);
    EXPECT_EQ(difference.addedBytes, 0xD0u);
    EXPECT_EQ(difference.goneCount, 3u);
    EXPECT_EQ(difference.goneBytes, 0x68u);
}

TEST(SnapshotCompare, BlocksOfEqualSizeAreListedLowestAddressFirst) {
    const HeapSnapshot current =
        Snapshot({HeapAt(0x10000, {Busy(0x13000, 0x10), Busy(0x11000, 0x10), Busy(0x12000, 0x10)})});
    const SnapshotDifference difference = CompareSnapshots(Snapshot({HeapAt(0x10000, {})}), current);
    ASSERT_EQ(difference.heaps.size(), 1u);
    EXPECT_EQ(Blocks(difference.heaps[0].added),
              (std::vector<Block>{{0x11000, 0x10}, {0x12000, 0x10}, {0x13000, 0x10}}));
}

TEST(SnapshotCompare, ANewHeapHasAllItsBusyBlocksNewAndAVanishedOneAllGoneListedAfterTheFreshOnes) {
    const HeapSnapshot baseline =
        Snapshot({HeapAt(0x10000, {Busy(0x10100, 0x10)}), HeapAt(0x20000, {Busy(0x20100, 0x30), Free(0x20130, 0x50)}),
                  HeapAt(0x30000, {Free(0x30100, 0x10)})});
    const HeapSnapshot current =
        Snapshot({HeapAt(0x40000, {Busy(0x40100, 0x20), Free(0x40120, 0x60)}), HeapAt(0x10000, {Busy(0x10100, 0x10)}),
                  HeapAt(0x50000, {Free(0x50100, 0x10)})});
    const SnapshotDifference difference = CompareSnapshots(baseline, current);
    ASSERT_EQ(difference.heaps.size(), 4u);
    const Address bases[] = {0x40000, 0x50000, 0x20000, 0x30000};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(difference.heaps[i].base, bases[i]) << i;
        EXPECT_EQ(difference.heaps[i].heapIsNew, i < 2) << i;
        EXPECT_EQ(difference.heaps[i].heapIsGone, i >= 2) << i;
    }
    EXPECT_EQ(Blocks(difference.heaps[0].added), (std::vector<Block>{{0x40100, 0x20}}));
    EXPECT_TRUE(difference.heaps[0].gone.empty());
    EXPECT_TRUE(difference.heaps[1].added.empty());
    EXPECT_EQ(Blocks(difference.heaps[2].gone), (std::vector<Block>{{0x20100, 0x30}}));
    EXPECT_TRUE(difference.heaps[2].added.empty());
    EXPECT_TRUE(difference.heaps[3].gone.empty());
    EXPECT_EQ(difference.addedBytes, 0x20u);
    EXPECT_EQ(difference.goneBytes, 0x30u);
}

TEST(SnapshotCompare, RepeatedBlocksAndHeapsArePairedAsOftenAsTheyRepeat) {
    const HeapSnapshot baseline =
        Snapshot({HeapAt(0x10000, {Busy(0x10100, 0x10), Busy(0x10100, 0x10), Busy(0x10200, 0x20)}),
                  HeapAt(0x10000, {Busy(0x10300, 0x40)})});
    const HeapSnapshot current = Snapshot(
        {HeapAt(0x10000, {Busy(0x10200, 0x20), Busy(0x10100, 0x10), Busy(0x10200, 0x20), Busy(0x10200, 0x20)})});
    const SnapshotDifference difference = CompareSnapshots(baseline, current);
    ASSERT_EQ(difference.heaps.size(), 2u);
    EXPECT_EQ(Blocks(difference.heaps[0].added), (std::vector<Block>{{0x10200, 0x20}, {0x10200, 0x20}}));
    EXPECT_EQ(Blocks(difference.heaps[0].gone), (std::vector<Block>{{0x10100, 0x10}}));
    EXPECT_TRUE(difference.heaps[1].heapIsGone); // the second heap at that base
    EXPECT_EQ(Blocks(difference.heaps[1].gone), (std::vector<Block>{{0x10300, 0x40}}));
    EXPECT_EQ(difference.addedCount, 2u);
    EXPECT_EQ(difference.goneCount, 2u);
    EXPECT_EQ(difference.goneBytes, 0x50u);
}

TEST(SnapshotCompare, EmptySnapshotsDifferInNothing) {
    const SnapshotDifference difference = CompareSnapshots(HeapSnapshot{}, HeapSnapshot{});
    EXPECT_TRUE(difference.heaps.empty());
    EXPECT_EQ(difference.addedCount + difference.goneCount, 0u);
}

TEST(SnapshotCompare, ByteTotalsStopAtTheLargestValueInsteadOfWrapping) {
    constexpr std::uint64_t half = std::uint64_t{1} << 63;
    const HeapSnapshot current =
        Snapshot({HeapAt(0x10000, {Busy(0x10100, half), Busy(0x20100, half)}), HeapAt(0x30000, {Busy(0x30100, 0x10)})});
    const SnapshotDifference difference = CompareSnapshots(HeapSnapshot{}, current);
    ASSERT_EQ(difference.heaps.size(), 2u);
    EXPECT_EQ(difference.heaps[0].addedBytes, std::numeric_limits<std::uint64_t>::max());
    EXPECT_EQ(difference.addedBytes, std::numeric_limits<std::uint64_t>::max());
    EXPECT_EQ(difference.addedCount, 3u);
}

} // namespace
} // namespace corvane
