#include "heap/references.h"

#include "tests/support/process_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>

namespace corvane::testing {
namespace {

// A process of either width: two heaps, a writable root region, a
// read-only region, and a writable region whose reads fail.
class References : public ::testing::TestWithParam<AddressWidth> {
protected:
    bool wide = GetParam() == AddressWidth::Bits64;
    Address high = wide ? 0x0000123400000000 : 0; // 64-bit heaps lie above 4 GiB
    unsigned p = wide ? 8 : 4;
    ProcessImage image{GetParam()};
    std::uint32_t first = image.AddHeap(high + 0x00150000, 0x00100000);
    std::uint32_t second = image.AddHeap(high + 0x00350000, 0x00010000);
    Address roots = high + 0x00700000, readOnly = high + 0x00800000, unreadable = high + 0x00900000;

    void SetUp() override {
        image.AddRegion(roots, 0x2000, true);
        image.AddRegion(readOnly, 0x1000, false, RegionUse::Image);
        image.AddRegion(unreadable, 0x1000, true);
        image.FailReadsOf(unreadable);
    }
    Address Block(std::uint64_t size = 32, bool busy = true) { return image.AddBlock(first, size, busy); }

    std::map<Address, LeakKind> Leaks(LeakSearch& search) {
        while (search.Step(1 << 20)) {
        }
        std::map<Address, LeakKind> leaks;
        for (const LeakRow& row : search.Rows())
            leaks[row.address] = row.kind;
        return leaks;
    }
};

TEST_P(References, LeaksAreTheBusyBlocksNoRootReachesOfTheirKind) {
    const Address interior = Block(), chained = Block(), pastEnd = Block(), unaligned = Block();
    const Address freeBlock = Block(64, false), behindFree = Block(), self = Block();
    const Address ringA = Block(), ringB = Block(), fromReadOnly = Block(), fromUnreadable = Block();
    const Address lost1 = Block(48), lost2 = Block(), lost3 = Block(), otherHeap = image.AddBlock(second, 32);
    image.PutPointer(roots, interior + 5);          // interior pointers count
    image.PutPointer(interior + 2 * p, chained);    // reached through a reached block
    image.PutPointer(chained, otherHeap + 31);      // into a block of another heap, at its last byte
    image.PutPointer(roots + p, pastEnd + 32);      // one past the end: nothing
    image.PutPointer(roots + 2 * p + 1, unaligned); // not at pointer alignment: not a value
    image.PutPointer(roots + 4 * p, freeBlock);     // a free block reaches nothing...
    image.PutPointer(freeBlock, behindFree);        // ...and its bytes are no values
    image.PutPointer(self + p, self);               // a pointer into itself does not count
    image.PutPointer(ringA, ringB);                 // a lost cycle
    image.PutPointer(ringB + p, ringA);
    image.PutPointer(readOnly + 8, fromReadOnly);     // read-only memory is no root
    image.PutPointer(unreadable + 8, fromUnreadable); // unreadable memory is skipped
    image.PutPointer(lost1, lost2);                   // a lost list
    image.PutPointer(lost2, lost3);
    image.PutPointer(high + 0x00150000 + 0x40, lost1); // the heap's own bookkeeping is no root

    LeakSearch search(image, image.snapshot, image.map);
    const std::map<Address, LeakKind> leaks = Leaks(search);
    const LeakKind unreferenced = LeakKind::Unreferenced, unreachable = LeakKind::Unreachable;
    const std::map<Address, LeakKind> expected = {{pastEnd, unreferenced},      {unaligned, unreferenced},
                                                  {behindFree, unreferenced},   {self, unreferenced},
                                                  {ringA, unreachable},         {ringB, unreachable},
                                                  {fromReadOnly, unreferenced}, {fromUnreadable, unreferenced},
                                                  {lost1, unreferenced},        {lost2, unreachable},
                                                  {lost3, unreachable}};
    EXPECT_EQ(leaks, expected);
    EXPECT_EQ(search.Scan().UnreadableRanges(), 1u);
    EXPECT_EQ(search.Scan().BytesUnreadable(), 0x1000u);

    const std::vector<LeakRow> rows = search.Rows();
    EXPECT_EQ(rows.front().address, lost1) << "largest first";
    const LeakTotals totals = TotalLeaks(rows);
    EXPECT_EQ(totals.blocks[0], 7u);
    EXPECT_EQ(totals.bytes[0], 6 * 32u + 48);
    EXPECT_EQ(totals.blocks[1], 4u);
    EXPECT_EQ(totals.bytes[1], 4 * 32u);
}

TEST_P(References, ABlockClaimingMoreThanTheProcessHoldsIsReadOnlyWhereItsMemoryIs) {
    const Address huge = image.AddBlock(second, wide ? std::uint64_t{1} << 62 : 0x7FFFFFF0u);
    const Address held = Block();
    image.PutPointer(roots, huge);
    image.PutPointer(huge + p, held); // within the heap's region, so read
    LeakSearch search(image, image.snapshot, image.map, 4096);
    int steps = 0;
    while (search.Step(4096) && steps < 1000)
        ++steps;
    ASSERT_TRUE(search.Done()) << "the claimed size is read, not the memory the process has";
    EXPECT_TRUE(search.Rows().empty()) << "both are reached";
    EXPECT_EQ(search.RootBytes(), 0x3000u) << "the writable regions outside the heaps";
}

TEST_P(References, LongChainsAreMarkedWithoutRecursionAndRowsShowTheFirstBytes) {
    constexpr int kChain = 100000;
    const std::uint32_t big = image.AddHeap(high + 0x10000000, std::uint64_t{kChain} * 2 * 32 + 0x1000);
    std::vector<Address> kept, lost;
    for (int i = 0; i < kChain; ++i)
        kept.push_back(image.AddBlock(big, 16));
    for (int i = 0; i < kChain; ++i)
        lost.push_back(image.AddBlock(big, 16));
    for (int i = 0; i + 1 < kChain; ++i) {
        image.PutPointer(kept[i] + 8, kept[i + 1]);
        image.PutPointer(lost[i] + 8, lost[i + 1]);
    }
    image.PutPointer(roots, kept[0]);
    image.PutBytes(lost[0], "lost\x01\x7fhd", 8);
    LeakSearch search(image, image.snapshot, image.map, 4096);
    const std::map<Address, LeakKind> leaks = Leaks(search);
    ASSERT_EQ(leaks.size(), std::size_t{kChain});
    EXPECT_EQ(leaks.at(lost[0]), LeakKind::Unreferenced);
    EXPECT_EQ(leaks.at(lost[kChain - 1]), LeakKind::Unreachable);
    EXPECT_EQ(leaks.count(kept[kChain - 1]), 0u);
    const std::vector<LeakRow> rows = search.Rows();
    const auto head = std::find_if(rows.begin(), rows.end(), [&](const LeakRow& r) { return r.address == lost[0]; });
    EXPECT_EQ(std::string(head->text.data()).substr(0, 8), "lost..hd");
    EXPECT_EQ(std::string(head->text.data()).size(), 16u);
}

TEST_P(References, WhoPointsHereFindsEveryAlignedValueIntoTheBlockAnywhere) {
    const Address target = Block(64), holder = Block();
    image.PutPointer(roots + 4 * p, target);        // to its start
    image.PutPointer(holder + p, target + 63);      // inside it
    image.PutPointer(readOnly + 2 * p, target + 8); // read-only memory counts here
    image.PutPointer(roots + 8 * p, target + 64);   // one past the end: no
    image.PutPointer(roots + 12 * p + 2, target);   // unaligned: no
    ReferrerSearch search(image, image.map, target, 64, GetParam());
    std::vector<Referrer> found;
    while (search.Step(1 << 20, found)) {
    }
    std::map<Address, Address> referrers;
    for (const Referrer& r : found)
        referrers[r.address] = r.value;
    const std::map<Address, Address> expected = {
        {roots + 4 * p, target}, {holder + p, target + 63}, {readOnly + 2 * p, target + 8}};
    EXPECT_EQ(referrers, expected);

    ReferrerSearch capped(image, image.map, target, 64, GetParam(), kSearchPieceSize, 2);
    found.clear();
    while (capped.Step(1 << 20, found)) {
    }
    EXPECT_EQ(found.size(), 2u);
    EXPECT_TRUE(capped.HitLimitReached());
}

TEST_P(References, PointersInABlockAndThePlacesAddressesLieIn) {
    const Address a = Block(), b = Block(), freeBlock = Block(32, false);
    std::uint8_t bytes[32] = {};
    auto put = [&](std::size_t at, Address value) { std::memcpy(bytes + at, &value, p); };
    put(0, b + 4);
    put(p, freeBlock);
    put(2 * p, a); // itself
    image.AddRegion(high + 0x00A00000, 0x1000, true, RegionUse::Mapped);
    image.map.modules.push_back({readOnly, 0x1000, "sample.exe"});
    image.map.stacks.push_back({42, roots + 0x1000, roots + 0x2000});
    const BlockIndex index(image.snapshot);
    const std::vector<BlockPointer> pointers = PointersInBlock(index, bytes, sizeof bytes, a, GetParam());
    ASSERT_EQ(pointers.size(), 2u);
    EXPECT_EQ(pointers[0].offset, 0u);
    EXPECT_EQ(index.BusyBlock(pointers[0].target).address, b);
    EXPECT_EQ(pointers[1].offset, 2u * p);

    const AddressPlaces places(image.snapshot, index, image.map);
    EXPECT_EQ(places.Locate(b + 31).kind, PlaceKind::BusyBlock);
    EXPECT_EQ(places.Locate(b + 31).offset, 31u);
    EXPECT_EQ(places.Locate(freeBlock).kind, PlaceKind::FreeBlock);
    EXPECT_EQ(places.Locate(high + 0x00150010).kind, PlaceKind::Heap);
    EXPECT_EQ(places.Locate(high + 0x00150010).heapBase, high + 0x00150000);
    EXPECT_EQ(places.Locate(roots + 0x1800).threadId, 42u);
    EXPECT_EQ(places.Locate(readOnly + 0x20).module, "sample.exe");
    EXPECT_EQ(places.Locate(roots + 8).kind, PlaceKind::Private);
    EXPECT_EQ(places.Locate(high + 0x00A00010).kind, PlaceKind::Mapped);
    EXPECT_EQ(places.Locate(high + 0x00B00000).kind, PlaceKind::Uncommitted);
}

INSTANTIATE_TEST_SUITE_P(BothWidths, References, ::testing::Values(AddressWidth::Bits32, AddressWidth::Bits64),
                         [](const auto& param) { return param.param == AddressWidth::Bits64 ? "Bits64" : "Bits32"; });

// The fast lookup answers as a plain search over the blocks would, for
// values near every block's edges and blocks that span many granules.
TEST(BlockIndexLookup, AgreesWithAPlainSearchAtEveryEdge) {
    HeapSnapshot snapshot;
    snapshot.heaps.resize(2);
    std::mt19937_64 random(5);
    Address at = 0x7000;
    for (int i = 0; i < 2000; ++i) {
        at += random() % 3 == 0 ? random() % 0x3000 : 16;
        const std::uint64_t size = i % 500 == 7 ? 0x400000 + random() % 0x1000 : 1 + random() % 300;
        const BlockKind kind = random() % 4 == 0 ? BlockKind::Free : BlockKind::Fixed;
        snapshot.heaps[i % 7 == 0].blocks.push_back({at, size, kind, false, 0});
        at += size;
    }
    const BlockIndex index(snapshot);
    std::vector<Address> probes;
    for (const SnapshotHeap& heap : snapshot.heaps)
        for (const HeapBlockCursor& block : heap.blocks)
            for (const Address edge : {block.address, block.address + block.size})
                for (const Address near : {edge - 1, edge, edge + 1, edge + 0x1000})
                    probes.push_back(near);
    for (const Address probe : probes) {
        const HeapBlockCursor* holder = nullptr;
        bool busyHolds = false;
        for (const SnapshotHeap& heap : snapshot.heaps)
            for (const HeapBlockCursor& block : heap.blocks)
                if (probe >= block.address && probe - block.address < block.size) {
                    holder = &block;
                    busyHolds = IsBusyBlock(block);
                }
        const std::uint32_t busy = index.FindBusy(probe);
        ASSERT_EQ(busy != kNoBlock, busyHolds) << std::hex << probe;
        if (busyHolds) {
            EXPECT_EQ(index.BusyBlock(busy).address, holder->address) << std::hex << probe;
        }
        const std::optional<IndexedBlock> found = index.Find(probe);
        ASSERT_EQ(found.has_value(), holder != nullptr) << std::hex << probe;
        if (holder) {
            EXPECT_EQ(found->address, holder->address) << std::hex << probe;
        }
    }
}

} // namespace
} // namespace corvane::testing
