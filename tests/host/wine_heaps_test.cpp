#include "heap/block_walk.h"
#include "heap/wine_heaps.h"
#include "tests/support/wine_heap_layout.h"

#include <gtest/gtest.h>

#include <functional>
#include <tuple>
#include <vector>

namespace corvane {
namespace {

using testing::LayWineHeaps;
using testing::SyntheticMemory;
using testing::WineBlockPlan;
using testing::WineHeapFields;
using testing::WineHeapPlan;
using testing::WineRegionPlan;

using Row = testing::BlockRowValues;

std::vector<Row> Rows(const WineHeap& heap) { return testing::WalkBlockRows(heap); }

// Three heaps: the process heap; one with two regions and a large block;
// one small one.
std::vector<WineHeapPlan> ThreeHeaps(unsigned p) {
    const std::uint64_t ba = 2 * p;
    WineHeapPlan process;
    process.regions = {{{{false, 4 * ba, 0}, {true, 6 * ba, 0}}, 0}};
    WineHeapPlan rich;
    rich.flags = 0x1002;
    rich.regions = {{{{false, 3 * ba, 5}, {true, 4 * ba, 0}, {false, 2 * ba, 0}}, 0},
                    {{{false, 4 * ba, 0}, {true, 0x20 * ba, 0}}, 5 * ba}};
    rich.largeBlocks = {0x5000};
    WineHeapPlan small;
    small.regions = {{{{false, 2 * ba, 0}, {false, 2 * ba, 0}}, 0}};
    return {process, rich, small};
}

// Lays `plans` afresh, breaks them with `fault`, and checks that the heap
// `broken` is named with `text` while every other heap is read.
using Fault = std::function<void(SyntheticMemory&, const testing::WineHeapAddresses&)>;
void ExpectLeftOut(unsigned p, WineHeapVersion version, const std::vector<WineHeapPlan>& plans, std::size_t broken,
                   const Fault& fault, const char* text) {
    SyntheticMemory image;
    const testing::WineHeapAddresses where = LayWineHeaps(image, p, plans, version);
    fault(image, where);
    const WineHeapSnapshot snapshot = ReadWineHeaps(image, where.peb, p);
    ASSERT_EQ(snapshot.heaps.size(), plans.size() - 1) << text;
    for (const WineHeap& heap : snapshot.heaps)
        EXPECT_NE(heap.record.base, where.heaps[broken]) << text;
    ASSERT_EQ(snapshot.brokenHeaps.size(), 1u) << text;
    EXPECT_EQ(snapshot.brokenHeaps[0].base, where.heaps[broken]) << text;
    EXPECT_NE(snapshot.brokenHeaps[0].text.find(text), std::string::npos) << snapshot.brokenHeaps[0].text;
    EXPECT_EQ(snapshot.brokenHeaps[0].text.rfind("Heap " + std::to_string(broken + 1) + " at 0x", 0), 0u)
        << snapshot.brokenHeaps[0].text;
}

// Every test of the reader runs over both layouts in both pointer sizes.
using Layout = std::tuple<unsigned, WineHeapVersion>;

class WineHeaps : public ::testing::TestWithParam<Layout> {
protected:
    unsigned p = std::get<0>(GetParam());
    WineHeapVersion version = std::get<1>(GetParam());
    std::uint64_t ba = 2 * p;
    WineHeapFields fields = WineHeapFields::Of(p, version);
    SyntheticMemory memory;
    testing::WineHeapAddresses at = LayWineHeaps(memory, p, ThreeHeaps(p), version);
    WineHeapSnapshot Read() const { return ReadWineHeaps(memory, at.peb, p); }
};

TEST_P(WineHeaps, BlocksBecomeRowsOfDataAddressesAndTheDistanceToTheNextBlocksData) {
    const WineHeapSnapshot snapshot = Read();
    EXPECT_TRUE(snapshot.brokenHeaps.empty());
    EXPECT_TRUE(snapshot.unreadable.empty());
    EXPECT_EQ(snapshot.version, version) << "the layout is told by what is read";
    ASSERT_EQ(snapshot.heaps.size(), 3u);
    const WineHeap& rich = snapshot.heaps[1];
    EXPECT_EQ(rich.record.base, at.heaps[1]);
    EXPECT_EQ(rich.record.flags, 0x1002u);
    const Address first = at.firstBlocks[1][0] + 8, second = at.firstBlocks[1][1] + 8;
    const Address large = at.largeHeaders[1][0] + 4 * ba;
    const Address secondEnd = at.regions[1][1] + 4 * ba + 5 * ba; // its committed end
    EXPECT_EQ(Rows(rich), (std::vector<Row>{
                              {first, 3 * ba, false},
                              {first + 3 * ba, 4 * ba, true},
                              {first + 7 * ba, 2 * ba - 8, false}, // the last block ends at the committed end
                              {second, 4 * ba, false},
                              {second + 4 * ba, secondEnd - (second + 4 * ba), true}, // free space runs on
                              {large, 0x5000, false},
                          }));
    EXPECT_EQ(rich.record.entryCount, rich.entries.size());
    EXPECT_EQ(rich.record.bytesAllocated, (3 * ba - 8 - 5) + (2 * ba - 8) + (4 * ba - 8) + 0x5000);
    EXPECT_EQ(rich.record.bytesCommitted, (4 * ba + 9 * ba - 8) + (4 * ba + 5 * ba) + (4 * ba + 0x5000));
    EXPECT_EQ(snapshot.heaps[0].record.base, at.heaps[0]) << "the process heap first";
    EXPECT_EQ(snapshot.heaps[2].record.base, at.heaps[2]);
}

TEST_P(WineHeaps, AHeapThatBreaksIsLeftOutAndNamedWhileTheOthersAreRead) {
    using Where = testing::WineHeapAddresses;
    const std::pair<Fault, const char*> faults[] = {
        {[&](SyntheticMemory& m, const Where& w) { m.Put16(w.firstBlocks[1][0], 0); }, "has a size of 0"},
        {[&](SyntheticMemory& m, const Where& w) { m.Put16(w.firstBlocks[1][0], 0x7FFF); },
         "runs past the committed end"},
        {[&](SyntheticMemory& m, const Where& w) { m.Put16(w.firstBlocks[1][0] + 6, 0x1234); }, "is of no known type"},
        {[&](SyntheticMemory& m, const Where& w) { m.PutLittleEndian(w.regionLinks[1][0], 0x00dead0000, p); },
         "which cannot be read"},
        {[&](SyntheticMemory& m, const Where& w) { m.PutLittleEndian(w.regionLinks[1][0], w.regionLinks[1][0], p); },
         "runs in a circle"},
        {[&](SyntheticMemory& m, const Where& w) { m.Put32(w.heaps[1] + fields.magic, 0); },
         "its header is not a heap's"},
        // A size the process's map of its memory does not back: nothing is
        // made for it, however large.
        {[&](SyntheticMemory& m, const Where& w) {
             m.PutLittleEndian(w.regions[1][0] + p * (p / 4), 0x7FF00000, p);
             m.PutLittleEndian(w.regions[1][0] + p * (p / 4) + p, 0x3FF00000, p);
         },
         "committed bytes that its memory does not hold"},
        // The last heap's region list leads into memory the second heap's
        // region holds: it is not read a second time.
        {[&](SyntheticMemory& m, const Where& w) {
             const Address fake = w.firstBlocks[1][0] + 8, link = fake + p * (p / 4) + 2 * p;
             m.PutLittleEndian(fake + p * (p / 4), 0x100, p);
             m.PutLittleEndian(fake + p * (p / 4) + p, 0x10, p);
             m.PutLittleEndian(link, w.heaps[2] + fields.subheaps, p);
             m.PutLittleEndian(w.heaps[2] + fields.subheaps, link, p);
         },
         "already read as another's"},
    };
    for (const auto& [fault, text] : faults) {
        // The second heap breaks, except where the last one is made to.
        const std::size_t broken = std::string(text).find("another's") != std::string::npos ? 2 : 1;
        ExpectLeftOut(p, version, ThreeHeaps(p), broken, fault, text);
    }
}

TEST_P(WineHeaps, ALayoutItDoesNotKnowOrMemoryItCannotReadIsNeverGuessedAt) {
    memory.Put32(at.heaps[0] + fields.signature, 0x12345678);
    WineHeapSnapshot snapshot = Read();
    EXPECT_TRUE(snapshot.heaps.empty());
    EXPECT_EQ(snapshot.unreadable, "This system's heaps cannot be read.");

    // The marks of a layout are not enough: its blocks must be of its types.
    SyntheticMemory other;
    const testing::WineHeapAddresses where = LayWineHeaps(other, p, ThreeHeaps(p), version);
    other.Put16(where.firstBlocks[0][0] + 6, 0x7878);
    snapshot = ReadWineHeaps(other, where.peb, p);
    EXPECT_TRUE(snapshot.heaps.empty());
    EXPECT_EQ(snapshot.version, WineHeapVersion::Unknown);
    EXPECT_EQ(snapshot.unreadable, "This system's heaps cannot be read.");

    snapshot = ReadWineHeaps(SyntheticMemory(), at.peb, p);
    EXPECT_TRUE(snapshot.heaps.empty());
    EXPECT_EQ(snapshot.unreadable, "The heaps of this process cannot be read: its memory cannot be read.");
}

// A view whose process ends after a number of reads: every read after that
// fails.
class EndingMemory : public MemoryView {
public:
    EndingMemory(const MemoryView& inner, int reads) : m_inner(inner), m_left(reads) {}
    bool IsReadable(Address address, std::size_t size) const override {
        return m_left > 0 && m_inner.IsReadable(address, size);
    }
    bool Read(Address address, void* destination, std::size_t size) const override {
        return m_left-- > 0 && m_inner.Read(address, destination, size);
    }

private:
    const MemoryView& m_inner;
    mutable int m_left;
};

TEST_P(WineHeaps, AProcessThatEndsWhileItIsReadGivesWhatWasReadAndNamesTheRest) {
    const std::size_t all = Read().heaps.size();
    for (int reads = 0; reads < 64; ++reads) {
        const WineHeapSnapshot snapshot = ReadWineHeaps(EndingMemory(memory, reads), at.peb, p);
        if (!snapshot.unreadable.empty()) {
            EXPECT_TRUE(snapshot.heaps.empty()) << reads;
            continue;
        }
        // Whatever is missing is named; whatever is listed was read whole,
        // in the process's order.
        EXPECT_EQ(snapshot.heaps.size() < all, !snapshot.brokenHeaps.empty()) << reads;
        std::size_t next = 0;
        for (const WineHeap& heap : snapshot.heaps) {
            while (next < all && at.heaps[next] != heap.record.base)
                ++next;
            ASSERT_LT(next, all) << reads;
            EXPECT_EQ(Rows(heap), Rows(Read().heaps[next])) << reads;
        }
    }
}

TEST_P(WineHeaps, TheSnapshotsReadsCopiedBytesAndBlocksAreBoundedInAll) {
    // The smallest limits that still let the process heap be read leave the
    // other two out, named in two lines, and unread.
    const std::pair<std::uint64_t WineHeapLimits::*, const char*> kinds[] = {
        {&WineHeapLimits::reads, "reads of the process's memory"},
        {&WineHeapLimits::bytes, "bytes copied from"},
        {&WineHeapLimits::entries, " blocks."},
    };
    for (const auto& [limit, text] : kinds) {
        WineHeapLimits limits;
        WineHeapSnapshot snapshot;
        for (limits.*limit = 1; limits.*limit < 0x10000 && snapshot.heaps.empty(); ++(limits.*limit))
            snapshot = ReadWineHeaps(memory, at.peb, p, limits);
        ASSERT_EQ(snapshot.heaps.size(), 1u) << text;
        ASSERT_EQ(snapshot.brokenHeaps.size(), 2u) << text;
        EXPECT_EQ(snapshot.brokenHeaps[0].base, at.heaps[1]);
        EXPECT_NE(snapshot.brokenHeaps[0].text.find(text), std::string::npos) << snapshot.brokenHeaps[0].text;
        EXPECT_EQ(snapshot.brokenHeaps[1].text.rfind("Heaps after heap 2 are left out: the reading stopped", 0), 0u)
            << snapshot.brokenHeaps[1].text;
    }
}

std::string LayoutName(const ::testing::TestParamInfo<Layout>& info) {
    return (std::get<1>(info.param) == WineHeapVersion::Wine10 ? "Wine10Pointers" : "Wine8Pointers") +
           std::to_string(std::get<0>(info.param));
}

INSTANTIATE_TEST_SUITE_P(Layouts, WineHeaps,
                         ::testing::Combine(::testing::Values(4u, 8u),
                                            ::testing::Values(WineHeapVersion::Wine8, WineHeapVersion::Wine10)),
                         LayoutName);

// A free block whose header is all that is committed of it holds no byte.
TEST(WineHeaps32, AHeaderAloneAtTheCommittedEndIsNoBlock) {
    WineHeapPlan heap;
    heap.regions = {{{{false, 0x40, 0}, {true, 0x40, 0}}, 0x40}};
    SyntheticMemory memory;
    const testing::WineHeapAddresses at = LayWineHeaps(memory, 4, {heap});
    const WineHeapSnapshot snapshot = ReadWineHeaps(memory, at.peb, 4);
    ASSERT_EQ(snapshot.heaps.size(), 1u) << (snapshot.brokenHeaps.empty() ? "" : snapshot.brokenHeaps[0].text);
    EXPECT_EQ(Rows(snapshot.heaps[0]), (std::vector<Row>{{at.firstBlocks[0][0] + 8, 0x40, false}}));
}

// Wine 10.0's front end: groups of 31 small blocks, each held in one busy
// block of a region.
class WineFrontEnd : public ::testing::TestWithParam<unsigned> {
protected:
    static constexpr std::uint32_t kFreeInA = 1u << 1 | 1u << 6 | 1u << 30;
    static constexpr std::uint32_t kFreeInB = 0x7FFFFFFEu; // all but the first
    unsigned p = GetParam();
    std::uint64_t ba = 2 * p;
    std::uint64_t strideA = 48, strideB = 2 * ba;

    // The process heap, one with a busy block, group A, a free block and
    // group B at the region's end, and a small one.
    std::vector<WineHeapPlan> Plans() const {
        std::vector<WineHeapPlan> plans = ThreeHeaps(p);
        WineBlockPlan a, b;
        a.groupStride = strideA;
        a.groupFree = kFreeInA;
        b.groupStride = strideB;
        b.groupFree = kFreeInB;
        plans[1] = WineHeapPlan{};
        plans[1].regions = {{{{false, 3 * ba, 0}, a, {true, 4 * ba, 0}, b}, 0}};
        plans[2].regions = {{{b, {false, 2 * ba, 0}}, 0}}; // a group first in its region
        return plans;
    }
    // Block i of a group: its header, and its data, where its row starts.
    Address Header(Address group, std::uint64_t stride, unsigned i) const {
        return group + testing::WineGroupFirstBlock(p) + i * stride;
    }
    Address Data(Address group, std::uint64_t stride, unsigned i) const { return Header(group, stride, i) + 8; }

    SyntheticMemory memory;
    testing::WineHeapAddresses at = LayWineHeaps(memory, p, Plans(), WineHeapVersion::Wine10);
    Address groupA = at.groups[1][0], groupB = at.groups[1][1];
};

TEST_P(WineFrontEnd, TheBlocksOfAGroupAreRowsOfTheirOwnInPlaceOfTheBlockThatHoldsThem) {
    const WineHeapSnapshot snapshot = ReadWineHeaps(memory, at.peb, p);
    ASSERT_TRUE(snapshot.brokenHeaps.empty()) << snapshot.brokenHeaps[0].text;
    ASSERT_EQ(snapshot.heaps.size(), 3u);
    const Address first = at.firstBlocks[1][0] + 8;
    const Address freeBlock = groupA - 8 + testing::WineGroupBlockSize(p, strideA) + 8;
    const Address end = groupB - 8 + testing::WineGroupBlockSize(p, strideB);
    // The block before a group ends at the group's start: its header is no block's.
    std::vector<Row> expected{{first, groupA - first, false}};
    for (unsigned i = 0; i < 31; ++i)
        expected.emplace_back(Data(groupA, strideA, i), i < 30 ? strideA : freeBlock - Data(groupA, strideA, i),
                              (kFreeInA >> i & 1) != 0);
    expected.emplace_back(freeBlock, groupB - freeBlock, true);
    for (unsigned i = 0; i < 31; ++i)
        expected.emplace_back(Data(groupB, strideB, i), i < 30 ? strideB : end - Data(groupB, strideB, i), i != 0);
    const WineHeap& heap = snapshot.heaps[1];
    EXPECT_EQ(Rows(heap), expected);
    EXPECT_EQ(heap.record.entryCount, 1u + 1 + 1 + 31 + 1 + 1 + 31)
        << "a segment, the blocks, a segment at each group, not the groups' holders";
    EXPECT_EQ(heap.record.bytesAllocated, (3 * ba - 8) + 28 * (strideA - 8) + (strideB - 8))
        << "the busy blocks' data, inside the groups too";
    const std::vector<Row> rows = Rows(snapshot.heaps[2]);
    ASSERT_EQ(rows.size(), 32u);
    EXPECT_EQ(rows[0], Row(Data(at.groups[2][0], strideB, 0), strideB, false)) << "the rows start at the group's first";
}

TEST_P(WineFrontEnd, EveryBlockOfAGroupAndNoOtherIsMarkedAsTheFrontEnds) {
    const WineHeapSnapshot snapshot = ReadWineHeaps(memory, at.peb, p);
    ASSERT_EQ(snapshot.heaps.size(), 3u);
    // Which of each heap's blocks, as the walk gives them, lie in a group.
    auto marked = [](const WineHeap& heap) {
        std::vector<bool> marks;
        for (const HeapBlockCursor& block : WalkHeapBlocks(heap.record, heap.entries))
            marks.push_back(block.inFrontEndGroup);
        return marks;
    };
    std::vector<bool> inGroups{false};
    inGroups.insert(inGroups.end(), 31, true);
    inGroups.push_back(false);
    inGroups.insert(inGroups.end(), 31, true);
    EXPECT_EQ(marked(snapshot.heaps[1]), inGroups) << "busy and free blocks of both groups, not those between";
    std::vector<bool> groupFirst(31, true);
    groupFirst.push_back(false);
    EXPECT_EQ(marked(snapshot.heaps[2]), groupFirst);
    EXPECT_EQ(marked(snapshot.heaps[0]), std::vector<bool>(2, false)) << "a heap without groups";
}

TEST_P(WineFrontEnd, ABlockThatDisagreesWithItsGroupLeavesTheHeapOutNamed) {
    using Where = testing::WineHeapAddresses;
    auto block5 = [&](const Where& w) { return Header(w.groups[1][0], strideA, 5); };
    const std::pair<Fault, const char*> faults[] = {
        {[&](SyntheticMemory& m, const Where& w) { m.Put(block5(w) + 6, "x", 1); }, "block 5 of the group at 0x"},
        {[&](SyntheticMemory& m, const Where& w) { m.Put16(block5(w), static_cast<std::uint16_t>(strideA / ba + 1)); },
         "has a size of"},
        {[&](SyntheticMemory& m, const Where& w) { m.Put16(block5(w) + 4, 9); }, "says it is block 9"},
        {[&](SyntheticMemory& m, const Where& w) { m.Put(block5(w) + 7, "\0", 1); }, "is not marked as a group's"},
        {[&](SyntheticMemory& m, const Where& w) {
             m.Put32(w.groups[1][0] + testing::WineGroupFreeBits(p), kFreeInA | 1u << 5);
         },
         "the free bits of the group at 0x"},
        {[&](SyntheticMemory& m, const Where& w) {
             m.Put16(w.groups[1][0] - 8, static_cast<std::uint16_t>(testing::WineGroupBlockSize(p, strideA) / ba - 2));
         },
         "cannot hold 31 blocks of 48 bytes"},
    };
    for (const auto& [fault, text] : faults)
        ExpectLeftOut(p, WineHeapVersion::Wine10, Plans(), 1, fault, text);
}

// A view in which the front end changes a group's free bits as the first
// reads of them are made, and leaves them be afterwards.
class ChangingMemory : public MemoryView {
public:
    ChangingMemory(const SyntheticMemory& inner, Address bits, int changes)
        : m_inner(inner), m_bits(bits), m_changes(changes) {}
    bool IsReadable(Address address, std::size_t size) const override { return m_inner.IsReadable(address, size); }
    bool Read(Address address, void* destination, std::size_t size) const override {
        if (!m_inner.Read(address, destination, size)) return false;
        if (m_changes > 0 && address <= m_bits && m_bits + 4 <= address + size) {
            --m_changes;
            static_cast<unsigned char*>(destination)[m_bits - address] ^= 0x04; // block 2, busy, reads as free
        }
        return true;
    }

private:
    const SyntheticMemory& m_inner;
    Address m_bits;
    mutable int m_changes;
};

TEST_P(WineFrontEnd, AGroupThatChangesWhileItIsReadIsReadAgain) {
    const Address bits = groupA + testing::WineGroupFreeBits(p);
    const WineHeapSnapshot whole = ReadWineHeaps(ChangingMemory(memory, bits, 2), at.peb, p);
    EXPECT_TRUE(whole.brokenHeaps.empty()) << whole.brokenHeaps[0].text;
    ASSERT_EQ(whole.heaps.size(), 3u);
    EXPECT_EQ(Rows(whole.heaps[1]), Rows(ReadWineHeaps(memory, at.peb, p).heaps[1]));

    const WineHeapSnapshot torn = ReadWineHeaps(ChangingMemory(memory, bits, 100), at.peb, p);
    ASSERT_EQ(torn.brokenHeaps.size(), 1u);
    EXPECT_NE(torn.brokenHeaps[0].text.find("disagree with its block 2"), std::string::npos)
        << torn.brokenHeaps[0].text;
    EXPECT_EQ(torn.heaps.size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(PointerSizes, WineFrontEnd, ::testing::Values(4u, 8u));

// With 16-byte block units, a full region can end 8 bytes after its last
// block: too short for a block, they are none.
TEST(WineHeaps64, TheBytesAfterTheLastBlockOfAFullRegionAreNoBlock) {
    WineHeapPlan heap;
    heap.regions = {{{{false, 0x40, 0}, {false, 0x20, 0}}, 0x60}};
    SyntheticMemory memory;
    const testing::WineHeapAddresses at = LayWineHeaps(memory, 8, {heap});
    const WineHeapSnapshot snapshot = ReadWineHeaps(memory, at.peb, 8);
    ASSERT_EQ(snapshot.heaps.size(), 1u) << (snapshot.brokenHeaps.empty() ? "" : snapshot.brokenHeaps[0].text);
    const Address data = at.firstBlocks[0][0] + 8;
    EXPECT_EQ(Rows(snapshot.heaps[0]), (std::vector<Row>{{data, 0x40, false}, {data + 0x40, 0x20, false}}));
}

} // namespace
} // namespace corvane
