#pragma once

// Wine's heaps of a process, read from outside through a view of its memory.
// Wine's own heap query reports no heaps; its heap structures are plain
// memory of the process, laid out as Wine 8.0 lays them out, and they are
// read here only after their signature and magic say they are that layout.
// Nothing is written to the target.

#include "heap/debug_buffer.h"
#include "heap/memory_view.h"
#include "heap/services.h"

#include <cstdint>
#include <string>
#include <vector>

namespace corvane {

// One heap as the platform's own snapshot would describe it: its record and
// its entry records. Each region, and each large block, starts with a
// segment entry whose first block, plus the entry overhead, is the address of
// the block's data. A block entry's size is the distance from its data to
// the next block's data (the block's header comes between), but never past
// its region's committed end; a large block's is its data size. Busy blocks
// are fixed (0x0001), free ones free (0x0100).
using OutsideHeap = HeapWithEntries;

struct OutsideSnapshot {
    // The heaps read cleanly, the process heap first, then the others in
    // the order the process lists them.
    std::vector<OutsideHeap> heaps;
    // The heaps left out: which heap, and what failed.
    std::vector<BrokenHeap> brokenHeaps;
    // When no heap could be read at all: why, in one plain line.
    std::string unreadable;
};

// Limits that keep a torn or looping structure from holding the program.
constexpr std::uint32_t kMaxOutsideHeaps = 4096;
constexpr std::uint32_t kMaxHeapRegions = 65536;
constexpr std::uint32_t kMaxLargeBlocks = 1u << 20;
constexpr std::uint64_t kMaxRegionBytes = std::uint64_t{1} << 30;

// Reads the heaps of the process whose process environment block is at
// `peb`, with pointers of `pointerSize` bytes (4 or 8).
OutsideSnapshot ReadWineHeaps(const MemoryView& memory, Address peb, unsigned pointerSize);

// Reads a process's heaps from outside, where the system has a layout this
// program knows.
class OutsideHeapReader {
public:
    virtual ~OutsideHeapReader() = default;
    // Whether the system is one whose heaps this reader knows how to find.
    virtual bool Applies() const = 0;
    virtual OutsideSnapshot Read(std::uint32_t processId) = 0;
};

} // namespace corvane
