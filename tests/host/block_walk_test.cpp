#include "heap/block_walk.h"
#include "ui/heap_rows.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace corvane {
namespace {

struct Block {
    std::uint64_t address, size;
    BlockKind kind;
    bool operator==(const Block& o) const { return address == o.address && size == o.size && kind == o.kind; }
};

std::ostream& operator<<(std::ostream& out, const Block& b) {
    return out << "{0x" << std::hex << b.address << ", 0x" << b.size << ", " << std::dec
               << static_cast<std::uint32_t>(b.kind) << "}";
}

std::vector<Block> Walk(const HeapRecord& heap, const std::vector<HeapEntry>& entries) {
    std::vector<Block> blocks;
    HeapBlockCursor cursor;
    for (bool more = HeapBlockFirst(heap, entries, cursor); more; more = HeapBlockNext(heap, entries, cursor)) {
        EXPECT_LT(cursor.entryIndex, heap.entryCount);
        blocks.push_back({cursor.address, cursor.size, cursor.kind});
    }
    return blocks;
}

HeapRecord Heap(std::uint32_t entryCount, std::uint16_t overhead = 8) {
    HeapRecord heap;
    heap.base = 0x00150000;
    heap.entryOverhead = overhead;
    heap.entryCount = entryCount;
    return heap;
}

HeapEntry Segment(Address firstBlock) { return {0x1000, kEntrySegment, firstBlock}; }
HeapEntry Entry(std::uint64_t size, std::uint16_t flags) { return {size, flags, 0xDEAD0000}; }

TEST(BlockWalk, SegmentGivesTheAddressOfTheFollowingBlocks) {
    const std::vector<HeapEntry> entries = {Segment(0x00150580), Entry(0x20, 0x0001), Entry(0x30, 0x0001)};
    const auto blocks = Walk(Heap(3), entries);
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[0], (Block{0x00150588, 0x20, BlockKind::Fixed}));
    EXPECT_EQ(blocks[1], (Block{0x001505A8, 0x30, BlockKind::Fixed}));
}

TEST(BlockWalk, SecondSegmentResetsTheAddressAndMakesNoRow) {
    const std::vector<HeapEntry> entries = {Segment(0x1000), Entry(0x10, 0x0001), Segment(0x9000), Entry(0x40, 0x0100)};
    const auto blocks = Walk(Heap(4, 0), entries);
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[0], (Block{0x1000, 0x10, BlockKind::Fixed}));
    EXPECT_EQ(blocks[1], (Block{0x9000, 0x40, BlockKind::Free}));
}

TEST(BlockWalk, ConsecutiveSegmentsTakeTheLastAddress) {
    const std::vector<HeapEntry> entries = {Segment(0x1000), Segment(0x5000), Entry(0x10, 0x0001)};
    EXPECT_EQ(Walk(Heap(3, 0), entries), (std::vector<Block>{{0x5000, 0x10, BlockKind::Fixed}}));
}

TEST(BlockWalk, FirstBlockWithoutSegmentStartsAtZeroWithSizeZero) {
    // Without a segment in front, the first block has neither address nor
    // size; the next block starts at 0 as well and takes its own size.
    const std::vector<HeapEntry> entries = {Entry(0x20, 0x0001), Entry(0x30, 0x0001)};
    EXPECT_EQ(Walk(Heap(2), entries), (std::vector<Block>{{0, 0, BlockKind::Fixed}, {0, 0x30, BlockKind::Fixed}}));
}

TEST(BlockWalk, KindsFromFlags) {
    BlockKind kind = BlockKind::None;
    ClassifyEntryFlags(0x0101, kind);
    EXPECT_EQ(kind, BlockKind::Fixed) << "bit 0x0001 wins over free";
    ClassifyEntryFlags(0x0100, kind);
    EXPECT_EQ(kind, BlockKind::Free);
    ClassifyEntryFlags(0x0020, kind);
    EXPECT_EQ(kind, BlockKind::Moveable) << "moveable lies inside the fixed mask and must be tested first";
    ClassifyEntryFlags(0x0200, kind);
    EXPECT_EQ(kind, BlockKind::Fixed);
    for (std::uint16_t bit : {0x0010, 0x0040, 0x0080}) {
        kind = BlockKind::Free;
        ClassifyEntryFlags(bit, kind);
        EXPECT_EQ(kind, BlockKind::Fixed) << bit;
    }
    kind = BlockKind::Moveable;
    ClassifyEntryFlags(0x0000, kind);
    EXPECT_EQ(kind, BlockKind::Moveable) << "unmatched flags keep the kind";
    ClassifyEntryFlags(0x0004, kind);
    EXPECT_EQ(kind, BlockKind::Moveable);
}

TEST(BlockWalk, UnmarkedFirstBlockIsUnknownButLaterOnesCarryTheKindBefore) {
    const std::vector<HeapEntry> entries = {Segment(0x1000), Entry(0x10, 0x0000), Entry(0x10, 0x0100),
                                            Entry(0x10, 0x0000)};
    const auto blocks = Walk(Heap(4, 0), entries);
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(blocks[0].kind, BlockKind::None);
    EXPECT_STREQ(AllocationTypeText(blocks[0].kind), "Unknown");
    EXPECT_STREQ(StatusText(blocks[0].kind), "Allocated");
    EXPECT_EQ(blocks[2].kind, BlockKind::Free);
    EXPECT_STREQ(AllocationTypeText(blocks[2].kind), "Not applicable");
    EXPECT_STREQ(StatusText(blocks[2].kind), "Free");
}

TEST(BlockWalk, TheFrontEndMarkIsEachEntrysOwnAndLeavesTheKindAlone) {
    const std::vector<HeapEntry> entries = {Segment(0x1000), Entry(0x10, 0x0001 | kEntryFrontEnd),
                                            Entry(0x10, kEntryFrontEnd), Entry(0x10, 0x0000),
                                            Entry(0x10, 0x0100 | kEntryFrontEnd)};
    const std::vector<HeapBlockCursor> blocks = WalkHeapBlocks(Heap(5, 0), entries);
    ASSERT_EQ(blocks.size(), 4u);
    std::vector<bool> marks;
    std::vector<BlockKind> kinds;
    for (const HeapBlockCursor& block : blocks) {
        marks.push_back(block.inFrontEndGroup);
        kinds.push_back(block.kind);
    }
    EXPECT_EQ(marks, (std::vector<bool>{true, true, false, true})) << "the mark is never carried to the next block";
    EXPECT_EQ(kinds, (std::vector<BlockKind>{BlockKind::Fixed, BlockKind::Fixed, BlockKind::Fixed, BlockKind::Free}))
        << "the mark names no kind";
}

TEST(BlockWalk, HeapsWithoutBlocksGiveNone) {
    HeapBlockCursor cursor;
    EXPECT_FALSE(HeapBlockFirst(Heap(0), {}, cursor));
    EXPECT_FALSE(HeapBlockFirst(Heap(1), {Segment(0x1000)}, cursor));
    EXPECT_FALSE(HeapBlockFirst(Heap(3), {Segment(0x1000), Segment(0x2000), Segment(0x3000)}, cursor));
}

TEST(BlockWalk, NeverStepsAtOrPastTheEntryCount) {
    // The record counts two entries although more follow: they are not walked.
    const std::vector<HeapEntry> entries = {Segment(0x1000), Entry(0x10, 0x0001), Entry(0x20, 0x0001)};
    EXPECT_EQ(Walk(Heap(2, 0), entries).size(), 1u);
    // A trailing segment with nothing after it ends the walk.
    EXPECT_EQ(Walk(Heap(3, 0), {Segment(0x1000), Entry(0x10, 0x0001), Segment(0x9000)}).size(), 1u);
    // A count larger than the entries handed over is bounded by them.
    EXPECT_EQ(Walk(Heap(1000, 0), entries).size(), 2u);
}

TEST(BlockWalk, RowsOfA32BitHeapWrapAroundInThirtyTwoBits) {
    const std::vector<HeapEntry> entries = {Segment(0xFFFFFFF0), Entry(0x20, 0x0001), Entry(0x10, 0x0001)};
    const HeapRecord heap = Heap(3, 0x10);
    HeapBlockCursor cursor;
    HeapBlockRow row;
    ASSERT_TRUE(HeapBlockFirst(heap, entries, cursor));
    FormatHeapBlockRow(0, cursor, AddressWidth::Bits32, row);
    EXPECT_STREQ(row.address, "0x00000000");
    ASSERT_TRUE(HeapBlockNext(heap, entries, cursor));
    FormatHeapBlockRow(1, cursor, AddressWidth::Bits32, row);
    EXPECT_STREQ(row.address, "0x00000020");
}

TEST(BlockWalk, AddressesAndSizesOfA64BitHeapStayWhole) {
    const std::vector<HeapEntry> entries = {Segment(0x00007ff612340000), Entry(0x100000020, 0x0001),
                                            Entry(0x30, 0x0100)};
    const auto blocks = Walk(Heap(3, 0x10), entries);
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[0], (Block{0x00007ff612340010, 0x100000020, BlockKind::Fixed}));
    EXPECT_EQ(blocks[1], (Block{0x00007ff712340030, 0x30, BlockKind::Free}));
}

} // namespace
} // namespace corvane
