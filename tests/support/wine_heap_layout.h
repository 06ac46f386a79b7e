#pragma once

// Wine 8.0 and Wine 10.0 heaps laid out in a synthetic address space, for
// the tests of the reader that finds them from outside. The offsets are
// written out here on their own, not taken from the reader.

#include "heap/wine_heap_layout.h"
#include "tests/support/synthetic_snapshot.h"

#include <cstdint>
#include <vector>

namespace corvane::testing {

struct WineBlockPlan {
    bool free = false;
    std::uint64_t size = 0;      // the whole block, header included, in bytes
    std::uint8_t unusedTail = 0; // of a busy block
    // Wine 10.0: a busy block that holds a front-end group of 31 blocks of
    // this many bytes each, header included (its size then comes from
    // WineGroupBlockSize), whose free ones are the set bits of `groupFree`.
    std::uint64_t groupStride = 0;
    std::uint32_t groupFree = 0;
};

// A group block's whole size, for blocks of `stride` bytes.
std::uint64_t WineGroupBlockSize(unsigned pointerSize, std::uint64_t stride);
// Where a group's free bits and its first block header lie after the
// group's start.
std::uint64_t WineGroupFreeBits(unsigned pointerSize);
std::uint64_t WineGroupFirstBlock(unsigned pointerSize);

struct WineRegionPlan {
    // Contiguous from the region's first block header; the last block ends
    // at the committed end, or, when free, may run on into the reserved rest.
    std::vector<WineBlockPlan> blocks;
    std::uint64_t committed = 0; // 0: the blocks' sizes less the first header
};

struct WineHeapPlan {
    std::uint32_t flags = 0x2;
    std::vector<WineRegionPlan> regions;
    std::vector<std::uint64_t> largeBlocks; // their data sizes
};

// Where LayWineHeaps put things.
struct WineHeapAddresses {
    Address peb = 0;
    std::vector<Address> heaps;
    std::vector<std::vector<Address>> regions;      // per heap: each region's start
    std::vector<std::vector<Address>> regionLinks;  // per heap: each region's list link
    std::vector<std::vector<Address>> firstBlocks;  // per heap: each region's first block header
    std::vector<std::vector<Address>> largeHeaders; // per heap: each large block's header
    std::vector<std::vector<Address>> groups;       // per heap: each group's start (its block's data)
};

// The offsets of the fields the reader checks, for breaking them in tests.
struct WineHeapFields {
    unsigned pointerSize;
    Address signature, magic, entry, subheaps, large, processHeapInPeb;
    static WineHeapFields Of(unsigned pointerSize, WineHeapVersion version = WineHeapVersion::Wine8);
};

// Lays out the heaps, the first of them the process heap, with pointers of
// `pointerSize` bytes, as `version` lays them out.
WineHeapAddresses LayWineHeaps(SyntheticMemory& memory, unsigned pointerSize, const std::vector<WineHeapPlan>& heaps,
                               WineHeapVersion version = WineHeapVersion::Wine8);

} // namespace corvane::testing
