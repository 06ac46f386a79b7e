// Fuzz target: memory images that look more or less like Wine's heaps, in
// either layout and either pointer size, go through the reader of Wine's
// heaps and the block walk without reading outside the image, without
// crashing and within the reader's limits. The first byte picks the pointer size, the
// layout and the kind of image:
// - a laid-out image (three heaps, groups among them in Wine 10.0's layout)
//   that the rest of the input patches: bytes written near the heaps' and
//   regions' addresses, and mapped ranges cut short or taken away;
// - a raw image: ranges at addresses the input gives, holding its bytes.

#include "heap/block_walk.h"
#include "heap/wine_heaps.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/support/counting_memory.h"
#include "tests/support/wine_heap_layout.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace {

using corvane::Address;
using corvane::testing::SyntheticMemory;

using Input = corvane::testing::FuzzInput;

std::vector<corvane::testing::WineHeapPlan> Plans(unsigned p, bool groups) {
    using corvane::testing::WineBlockPlan;
    const std::uint64_t ba = 2 * p;
    std::vector<corvane::testing::WineHeapPlan> plans(3);
    WineBlockPlan group;
    group.groupStride = 3 * ba;
    group.groupFree = 0x0F0F00F1;
    plans[0].regions = {{{{false, 4 * ba, 3}, {true, 6 * ba, 0}}, 0}};
    plans[1].regions = {{{{false, 3 * ba, 5}, groups ? group : WineBlockPlan{true, 4 * ba, 0}, {false, 2 * ba, 0}}, 0},
                        {{{false, 4 * ba, 0}, {true, 0x20 * ba, 0}}, 5 * ba}};
    plans[1].largeBlocks = {0x3000};
    plans[2].regions = {{{groups ? group : WineBlockPlan{false, 2 * ba, 0}, {true, 2 * ba, 0}}, 0}};
    return plans;
}

Address LayPatched(SyntheticMemory& memory, unsigned p, corvane::WineHeapVersion version, Input& input) {
    const auto at =
        corvane::testing::LayWineHeaps(memory, p, Plans(p, version == corvane::WineHeapVersion::Wine10), version);
    // What a patch is near: the mapped ranges' starts, then the places inside them.
    std::vector<Address> starts{at.peb};
    std::vector<Address> places{at.peb};
    for (std::size_t h = 0; h < at.heaps.size(); ++h) {
        starts.push_back(at.heaps[h]);
        places.push_back(at.heaps[h]);
        for (const auto* list : {&at.regions[h], &at.largeHeaders[h]})
            starts.insert(starts.end(), list->begin(), list->end());
        for (const auto* list : {&at.regions[h], &at.largeHeaders[h], &at.firstBlocks[h], &at.groups[h]})
            places.insert(places.end(), list->begin(), list->end());
    }
    while (input.size > 0) {
        const std::uint64_t kind = input.Take(1);
        if (kind < 0xF0) {
            // A few bytes near a place.
            const Address address = places[kind % places.size()] + input.Take(2) % 0x800;
            const std::size_t length = 1 + input.Take(1) % 8;
            const std::uint64_t value = input.Take(8);
            for (std::size_t i = 0; i < length; ++i) {
                const auto byte = static_cast<unsigned char>(value >> (8 * i));
                if (memory.IsReadable(address + i, 1)) memory.Put(address + i, &byte, 1);
            }
        } else {
            // A mapped range cut short (its bytes then read as zeros) or gone.
            const Address start = starts[input.Take(1) % starts.size()];
            const std::size_t length = static_cast<std::size_t>(input.Take(2));
            memory.Unmap(start);
            if (kind & 1) memory.Map(start, length);
        }
    }
    return at.peb;
}

Address LayRaw(SyntheticMemory& memory, Input& input) {
    // Ranges of at most 4 KiB at 16-byte steps of a 16 MiB window, in which
    // the environment block lies at 0x7000.
    while (input.size > 0) {
        const Address address = (input.Take(3) & 0xFFFFFF) << 4;
        const std::size_t length = 1 + input.Take(2) % 0x1000;
        if (address < 0x1000 || memory.IsReadable(address, 1) || memory.IsReadable(address + length - 1, 1)) continue;
        bool clear = true;
        for (Address at = address; at < address + length && clear; at += 16)
            clear = !memory.IsReadable(at, 1);
        if (!clear) continue;
        memory.Map(address, length);
        for (std::size_t i = 0; i < length && input.size > 0; ++i) {
            const auto byte = static_cast<unsigned char>(input.Take(1));
            memory.Put(address + i, &byte, 1);
        }
    }
    return 0x7000;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace corvane;
    if (size < 1) return 0;
    Input input{data + 1, size - 1};
    const unsigned p = (data[0] & 1) ? 8 : 4;
    const WineHeapVersion version = (data[0] & 2) ? WineHeapVersion::Wine10 : WineHeapVersion::Wine8;
    SyntheticMemory memory;
    const Address peb = (data[0] & 4) ? LayRaw(memory, input) : LayPatched(memory, p, version, input);

    const testing::CountingMemory counting(memory);
    const WineHeapSnapshot snapshot = ReadWineHeaps(counting, peb, p);
    // Every read and every byte was within what the reader may spend.
    if (counting.calls > kMaxSnapshotReads || counting.bytes > kMaxSnapshotBytes) __builtin_trap();
    if (!snapshot.heaps.empty() && snapshot.version == WineHeapVersion::Unknown) __builtin_trap();
    for (const WineHeap& heap : snapshot.heaps) {
        if (heap.record.entryCount != heap.entries.size()) __builtin_trap();
        // Blocks marked as a group's come only from Wine 10.0's front end, 31
        // at a time right after the segment entry that starts the group.
        std::size_t run = 0;
        for (std::size_t i = 0; i < heap.entries.size(); ++i) {
            const bool marked = (heap.entries[i].flags & kEntryFrontEnd) != 0;
            if (marked &&
                (snapshot.version != WineHeapVersion::Wine10 || (heap.entries[i].flags & kEntrySegment) ||
                 run == kWineGroupBlocks || (run == 0 && (i == 0 || !(heap.entries[i - 1].flags & kEntrySegment)))))
                __builtin_trap();
            if (!marked && run != 0 && run != kWineGroupBlocks) __builtin_trap();
            run = marked ? run + 1 : 0;
        }
        if (run != 0 && run != kWineGroupBlocks) __builtin_trap();
        std::vector<std::pair<Address, std::uint64_t>> rows;
        HeapBlockCursor cursor;
        for (bool more = HeapBlockFirst(heap.record, heap.entries, cursor); more;
             more = HeapBlockNext(heap.record, heap.entries, cursor))
            rows.emplace_back(cursor.address, cursor.size);
        // No row is empty, and none overlaps another.
        std::sort(rows.begin(), rows.end());
        for (std::size_t i = 0; i < rows.size(); ++i)
            if (rows[i].second == 0 || (i + 1 < rows.size() && rows[i].first + rows[i].second > rows[i + 1].first))
                __builtin_trap();
    }
    return 0;
}
