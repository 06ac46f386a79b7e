#pragma once

// Wine 8.0 heaps laid out in a synthetic address space, for the tests of
// the reader that finds them from outside.

#include "tests/support/synthetic_snapshot.h"

#include <cstdint>
#include <vector>

namespace corvane::testing {

struct WineBlockPlan {
    bool free = false;
    std::uint64_t size = 0;      // the whole block, header included, in bytes
    std::uint8_t unusedTail = 0; // of a busy block
};

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
};

// The offsets of the fields the reader checks, for breaking them in tests.
struct WineHeapFields {
    unsigned pointerSize;
    Address signature, magic, entry, subheaps, large, processHeapInPeb;
    static WineHeapFields Of(unsigned pointerSize);
};

// Lays out the heaps, the first of them the process heap, with pointers of
// `pointerSize` bytes.
WineHeapAddresses LayWineHeaps(SyntheticMemory& memory, unsigned pointerSize, const std::vector<WineHeapPlan>& heaps);

} // namespace corvane::testing
