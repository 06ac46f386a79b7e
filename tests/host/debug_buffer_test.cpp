#include "heap/debug_buffer.h"

#include "tests/support/synthetic_snapshot.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

using testing::LaySnapshot;
using testing::SyntheticHeap;
using testing::SyntheticLayout;
using testing::SyntheticMemory;

constexpr Address kBuffer = 0x00200000;
constexpr Address kHeapList = 0x00300000;

SyntheticHeap MakeHeap(std::uint32_t base, std::uint32_t entryCount) {
    SyntheticHeap heap;
    heap.record.base = base;
    heap.record.flags = 0x00000002 | base >> 16;
    heap.record.entryOverhead = 8;
    heap.record.bytesAllocated = base / 16;
    heap.record.bytesCommitted = base / 8;
    heap.record.entryCount = entryCount;
    if (entryCount == 0) return heap;
    heap.entries.push_back({0x1000, kEntrySegment, base + 0x580});
    for (std::uint32_t i = 1; i < entryCount; ++i)
        heap.entries.push_back({0x10 * i, static_cast<std::uint16_t>(i % 2 ? 0x0001 : 0x0100), 0});
    return heap;
}

class ReaderLayouts : public ::testing::TestWithParam<HeapRecordLayout> {};

TEST_P(ReaderLayouts, ReadsEveryHeapAndItsEntries) {
    SyntheticMemory memory;
    const std::vector<SyntheticHeap> heaps = {MakeHeap(0x00150000, 5), MakeHeap(0x00250000, 3),
                                              MakeHeap(0x00350000, 0)};
    const auto at = LaySnapshot(memory, GetParam(), kBuffer, kHeapList, heaps);
    const DebugBufferReader reader(memory, GetParam());

    std::vector<HeapRecord> read;
    std::string error;
    ASSERT_TRUE(reader.ReadHeaps(kBuffer, true, read, error)) << error;
    ASSERT_EQ(read.size(), 3u);
    for (std::size_t i = 0; i < heaps.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(read[i].base, heaps[i].record.base);
        EXPECT_EQ(read[i].flags, heaps[i].record.flags);
        EXPECT_EQ(read[i].entryOverhead, 8);
        EXPECT_EQ(read[i].bytesAllocated, heaps[i].record.bytesAllocated);
        EXPECT_EQ(read[i].bytesCommitted, heaps[i].record.bytesCommitted);
        EXPECT_EQ(read[i].entryCount, heaps[i].record.entryCount);
        EXPECT_EQ(read[i].entries, at.entryArrays[i]);

        std::vector<HeapEntry> entries;
        ASSERT_TRUE(reader.ReadEntries(read[i], entries, error)) << error;
        ASSERT_EQ(entries.size(), heaps[i].entries.size());
        for (std::size_t k = 0; k < entries.size(); ++k) {
            EXPECT_EQ(entries[k].size, heaps[i].entries[k].size);
            EXPECT_EQ(entries[k].flags, heaps[i].entries[k].flags);
            EXPECT_EQ(entries[k].firstBlock, heaps[i].entries[k].firstBlock);
        }
    }
}

TEST_P(ReaderLayouts, NullHeapListMeansNoHeaps) {
    SyntheticMemory memory;
    LaySnapshot(memory, GetParam(), kBuffer, 0, {});
    std::vector<HeapRecord> read = {HeapRecord{}};
    std::string error;
    EXPECT_TRUE(DebugBufferReader(memory, GetParam()).ReadHeaps(kBuffer, true, read, error));
    EXPECT_TRUE(read.empty());
}

INSTANTIATE_TEST_SUITE_P(AllLayouts, ReaderLayouts,
                         ::testing::Values(HeapRecordLayout::Classic32, HeapRecordLayout::Tagged32,
                                           HeapRecordLayout::Native64));

TEST(ReaderLayoutChoice, TaggedRecordsFromBuildsAfter22000) {
    EXPECT_EQ(HeapRecordLayoutForBuild(7601), HeapRecordLayout::Classic32);
    EXPECT_EQ(HeapRecordLayoutForBuild(19045), HeapRecordLayout::Classic32);
    EXPECT_EQ(HeapRecordLayoutForBuild(22000), HeapRecordLayout::Classic32);
    EXPECT_EQ(HeapRecordLayoutForBuild(22621), HeapRecordLayout::Tagged32);
    EXPECT_EQ(HeapRecordLayoutForBuild(26100), HeapRecordLayout::Tagged32);
}

TEST(ReaderLayoutChoice, WrongLayoutIsCaughtByTheEntryArrayCheck) {
    // Tagged records read as classic ones put the second heap's fields in the
    // wrong place; its entry array then points nowhere.
    SyntheticMemory memory;
    LaySnapshot(memory, HeapRecordLayout::Tagged32, kBuffer, kHeapList,
                {MakeHeap(0x00150000, 4), MakeHeap(0x00250000, 4), MakeHeap(0x00350000, 4)});
    std::vector<HeapRecord> read;
    std::string error;
    EXPECT_FALSE(DebugBufferReader(memory, HeapRecordLayout::Classic32).ReadHeaps(kBuffer, true, read, error));
    EXPECT_NE(error.find("entry array"), std::string::npos) << error;
    EXPECT_TRUE(read.empty());
}

class MalformedBuffer : public ::testing::Test {
protected:
    SyntheticMemory memory;
    std::vector<HeapRecord> read;
    std::string error;
    testing::SnapshotAddresses at;
    const SyntheticLayout layout = SyntheticLayout::Of(HeapRecordLayout::Classic32);
    const DebugBufferReader reader{memory, HeapRecordLayout::Classic32};

    void Lay(std::vector<SyntheticHeap> heaps) {
        at = LaySnapshot(memory, HeapRecordLayout::Classic32, kBuffer, kHeapList, heaps);
    }
    bool ReadsHeaps(bool checkEntries = true) {
        error.clear();
        const bool ok = reader.ReadHeaps(kBuffer, checkEntries, read, error);
        EXPECT_EQ(ok, error.empty()) << error;
        return ok;
    }
};

TEST_F(MalformedBuffer, UnreadableBufferHeader) {
    EXPECT_FALSE(ReadsHeaps());
    EXPECT_NE(error.find("debug buffer"), std::string::npos);
    memory.Map(kBuffer, 0x30); // ends before the heaps pointer
    EXPECT_FALSE(ReadsHeaps());
}

TEST_F(MalformedBuffer, HeapListPointerToNowhere) {
    Lay({MakeHeap(0x00150000, 2)});
    memory.Put32(kBuffer + layout.heapsPointerOffset, 0xDEAD0000);
    EXPECT_FALSE(ReadsHeaps());
    EXPECT_NE(error.find("0xdead0000"), std::string::npos) << error;
}

TEST_F(MalformedBuffer, CountRunningPastReadableMemory) {
    Lay({MakeHeap(0x00150000, 2), MakeHeap(0x00250000, 2)});
    for (std::uint32_t count : {3u, 1000u, 0x04000000u, 0xFFFFFFFFu}) {
        memory.Put32(kHeapList, count);
        EXPECT_FALSE(ReadsHeaps()) << count;
        EXPECT_TRUE(read.empty());
    }
    memory.Put32(kHeapList, 1); // fewer than there are is fine
    EXPECT_TRUE(ReadsHeaps());
    EXPECT_EQ(read.size(), 1u);
}

TEST_F(MalformedBuffer, HeapListAtTheTopOfTheAddressSpace) {
    memory.Map(kBuffer, 0x100);
    memory.Map(0xFFFFFF00, 0x100);
    memory.Put32(kBuffer + layout.heapsPointerOffset, 0xFFFFFF00);
    memory.Put32(0xFFFFFF00, 4); // 4 records of 64 bytes would wrap past 4 GiB
    EXPECT_FALSE(ReadsHeaps());
}

TEST_F(MalformedBuffer, EntryCountWithoutEntryArray) {
    Lay({MakeHeap(0x00150000, 2)});
    memory.Put32(at.heapRecords[0] + layout.entriesOffset, 0);
    EXPECT_FALSE(ReadsHeaps());
    EXPECT_TRUE(ReadsHeaps(false)) << "a summary-only listing does not need entries";
    std::vector<HeapEntry> entries;
    EXPECT_FALSE(reader.ReadEntries(read[0], entries, error));
    EXPECT_TRUE(entries.empty());
}

TEST_F(MalformedBuffer, EntryCountRunningPastTheArray) {
    Lay({MakeHeap(0x00150000, 3)});
    for (std::uint32_t count : {4u, 0x10000000u, 0xFFFFFFFFu}) {
        memory.Put32(at.heapRecords[0] + layout.entryCountOffset, count);
        EXPECT_FALSE(ReadsHeaps()) << count;
        ASSERT_TRUE(ReadsHeaps(false));
        std::vector<HeapEntry> entries;
        EXPECT_FALSE(reader.ReadEntries(read[0], entries, error)) << count;
        EXPECT_TRUE(entries.empty());
    }
}

TEST_F(MalformedBuffer, OverlappingRecordsAreReadAsTheyStand) {
    // Two heap records whose entry arrays are one and the same, and an entry
    // array that is the heap list itself: odd but readable, so it is read.
    Lay({MakeHeap(0x00150000, 3), MakeHeap(0x00250000, 3)});
    memory.Put32(at.heapRecords[1] + layout.entriesOffset, static_cast<std::uint32_t>(at.entryArrays[0]));
    ASSERT_TRUE(ReadsHeaps());
    std::vector<HeapEntry> first, second;
    ASSERT_TRUE(reader.ReadEntries(read[0], first, error));
    ASSERT_TRUE(reader.ReadEntries(read[1], second, error));
    EXPECT_EQ(first.size(), second.size());
    EXPECT_EQ(first[2].size, second[2].size);

    memory.Put32(at.heapRecords[1] + layout.entriesOffset, static_cast<std::uint32_t>(kHeapList));
    memory.Put32(at.heapRecords[1] + layout.entryCountOffset, 8); // 8 x 16 = the list's two records
    ASSERT_TRUE(ReadsHeaps());
    EXPECT_TRUE(reader.ReadEntries(read[1], second, error));
    EXPECT_EQ(second.size(), 8u);
    EXPECT_EQ(second[0].size, 2u) << "the heap count, read as an entry's size";
}

TEST_F(MalformedBuffer, ZeroHeapsAndZeroEntries) {
    Lay({});
    ASSERT_TRUE(ReadsHeaps());
    EXPECT_TRUE(read.empty());
    SyntheticMemory other;
    LaySnapshot(other, HeapRecordLayout::Classic32, kBuffer, kHeapList, {MakeHeap(0x00150000, 0)});
    std::vector<HeapRecord> heaps;
    ASSERT_TRUE(DebugBufferReader(other, HeapRecordLayout::Classic32).ReadHeaps(kBuffer, true, heaps, error));
    std::vector<HeapEntry> entries = {HeapEntry{}};
    EXPECT_TRUE(reader.ReadEntries(heaps[0], entries, error));
    EXPECT_TRUE(entries.empty());
}

TEST(LargeHeap, EntriesAreReadInPiecesNotOneByOne) {
    SyntheticMemory memory;
    SyntheticHeap heap = MakeHeap(0x00150000, 100000);
    LaySnapshot(memory, HeapRecordLayout::Classic32, kBuffer, kHeapList, {heap});
    const DebugBufferReader reader(memory, HeapRecordLayout::Classic32);
    std::vector<HeapRecord> heaps;
    std::vector<HeapEntry> entries;
    std::string error;
    ASSERT_TRUE(reader.ReadHeaps(kBuffer, true, heaps, error));
    const std::size_t before = memory.reads();
    ASSERT_TRUE(reader.ReadEntries(heaps[0], entries, error));
    EXPECT_EQ(entries.size(), 100000u);
    EXPECT_LT(memory.reads() - before, 100u);
}

} // namespace
} // namespace corvane
