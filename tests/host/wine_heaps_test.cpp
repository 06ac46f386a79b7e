#include "heap/block_walk.h"
#include "heap/wine_heaps.h"
#include "tests/support/wine_heap_layout.h"

#include <gtest/gtest.h>

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

std::vector<Row> Rows(const OutsideHeap& heap) { return testing::WalkBlockRows(heap); }

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

class WineHeaps : public ::testing::TestWithParam<unsigned> {
protected:
    unsigned p = GetParam();
    std::uint64_t ba = 2 * GetParam();
    SyntheticMemory memory;
    testing::WineHeapAddresses at = LayWineHeaps(memory, p, ThreeHeaps(p));
    OutsideSnapshot Read() const { return ReadWineHeaps(memory, at.peb, p); }
};

TEST_P(WineHeaps, BlocksBecomeRowsOfDataAddressesAndTheDistanceToTheNextBlocksData) {
    const OutsideSnapshot snapshot = Read();
    EXPECT_TRUE(snapshot.brokenHeaps.empty());
    EXPECT_TRUE(snapshot.unreadable.empty());
    ASSERT_EQ(snapshot.heaps.size(), 3u);
    const OutsideHeap& rich = snapshot.heaps[1];
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
    const WineHeapFields fields = WineHeapFields::Of(p);
    const Address block = at.firstBlocks[1][0];
    const Address link = at.regionLinks[1][0];
    const std::pair<std::function<void(SyntheticMemory&)>, const char*> faults[] = {
        {[&](SyntheticMemory& m) { m.Put16(block, 0); }, "has a size of 0"},
        {[&](SyntheticMemory& m) { m.Put16(block, 0x7FFF); }, "runs past the committed end"},
        {[&](SyntheticMemory& m) { m.Put16(block + 6, 0x1234); }, "is of no known type"},
        {[&](SyntheticMemory& m) { m.PutLittleEndian(link, 0x00dead0000, p); }, "which cannot be read"},
        {[&](SyntheticMemory& m) { m.PutLittleEndian(link, link, p); }, "runs in a circle"},
        {[&](SyntheticMemory& m) { m.Put32(at.heaps[1] + fields.magic, 0); }, "its header is not a heap's"},
    };
    for (const auto& [fault, text] : faults) {
        SyntheticMemory broken;
        const testing::WineHeapAddresses where = LayWineHeaps(broken, p, ThreeHeaps(p));
        fault(broken);
        const OutsideSnapshot snapshot = ReadWineHeaps(broken, where.peb, p);
        ASSERT_EQ(snapshot.heaps.size(), 2u) << text;
        EXPECT_EQ(snapshot.heaps[1].record.base, where.heaps[2]) << text;
        ASSERT_EQ(snapshot.brokenHeaps.size(), 1u) << text;
        EXPECT_EQ(snapshot.brokenHeaps[0].base, where.heaps[1]) << text;
        EXPECT_NE(snapshot.brokenHeaps[0].text.find(text), std::string::npos) << snapshot.brokenHeaps[0].text;
        EXPECT_EQ(snapshot.brokenHeaps[0].text.rfind("Heap 2 at 0x", 0), 0u) << snapshot.brokenHeaps[0].text;
    }
}

TEST_P(WineHeaps, ALayoutItDoesNotKnowOrMemoryItCannotReadIsNeverGuessedAt) {
    const WineHeapFields fields = WineHeapFields::Of(p);
    memory.Put32(at.heaps[0] + fields.signature, 0x12345678);
    OutsideSnapshot snapshot = Read();
    EXPECT_TRUE(snapshot.heaps.empty());
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
        const OutsideSnapshot snapshot = ReadWineHeaps(EndingMemory(memory, reads), at.peb, p);
        if (!snapshot.unreadable.empty()) {
            EXPECT_TRUE(snapshot.heaps.empty()) << reads;
            continue;
        }
        // Whatever is missing is named; whatever is listed was read whole,
        // in the process's order.
        EXPECT_EQ(snapshot.heaps.size() < all, !snapshot.brokenHeaps.empty()) << reads;
        std::size_t next = 0;
        for (const OutsideHeap& heap : snapshot.heaps) {
            while (next < all && at.heaps[next] != heap.record.base)
                ++next;
            ASSERT_LT(next, all) << reads;
            EXPECT_EQ(Rows(heap), Rows(Read().heaps[next])) << reads;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(PointerSizes, WineHeaps, ::testing::Values(4u, 8u));

// With 16-byte block units, a full region can end 8 bytes after its last
// block: too short for a block, they are none.
TEST(WineHeaps64, TheBytesAfterTheLastBlockOfAFullRegionAreNoBlock) {
    WineHeapPlan heap;
    heap.regions = {{{{false, 0x40, 0}, {false, 0x20, 0}}, 0x60}};
    SyntheticMemory memory;
    const testing::WineHeapAddresses at = LayWineHeaps(memory, 8, {heap});
    const OutsideSnapshot snapshot = ReadWineHeaps(memory, at.peb, 8);
    ASSERT_EQ(snapshot.heaps.size(), 1u) << (snapshot.brokenHeaps.empty() ? "" : snapshot.brokenHeaps[0].text);
    const Address data = at.firstBlocks[0][0] + 8;
    EXPECT_EQ(Rows(snapshot.heaps[0]), (std::vector<Row>{{data, 0x40, false}, {data + 0x40, 0x20, false}}));
}

} // namespace
} // namespace corvane
