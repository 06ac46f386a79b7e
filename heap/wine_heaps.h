#pragma once

// Wine's heaps of a process, read from outside through a view of its memory.
// Wine's own heap query reports no heaps; its heap structures are plain
// memory of the process, laid out as Wine 8.0 or Wine 10.0 lays them out,
// and they are read here only after their signature, magic and block types
// say which of the two it is. Nothing is written to the target, whose memory
// is untrusted: every size is checked against the target's own map of its
// memory before anything is made for it, and every list and the snapshot as
// a whole have caps.

#include "heap/debug_buffer.h"
#include "heap/memory_view.h"
#include "heap/services.h"
#include "heap/wine_heap_layout.h"

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
// are fixed (0x0001), free ones free (0x0100). The blocks of a front-end
// group are blocks of their own in that order, in place of the busy block
// that holds the group: the block before it ends at the group's start, and a
// segment entry starts the group's blocks at the first one's data, so that
// the group's own header is no block's. Each of a group's blocks, busy or
// free, also carries kEntryFrontEnd; no other block does.
using WineHeap = HeapWithEntries;

struct WineHeapSnapshot {
    // The heaps read cleanly, the process heap first, then the others in
    // the order the process lists them.
    std::vector<WineHeap> heaps;
    // The heaps left out: which heap, and what failed.
    std::vector<BrokenHeap> brokenHeaps;
    // When no heap could be read at all: why, in one plain line.
    std::string unreadable;
    // Whose layout the heaps have; Unknown when none was recognised.
    WineHeapVersion version = WineHeapVersion::Unknown;
};

// Limits that keep a torn, looping or hostile structure from holding the
// program: the lists' lengths, one region's bytes, and for the snapshot as a
// whole the reads of the process's memory (each a round trip to the system),
// the bytes copied out of it and the entry records made.
constexpr std::uint32_t kMaxWineHeaps = 4096;
constexpr std::uint32_t kMaxHeapRegions = 65536;
constexpr std::uint32_t kMaxLargeBlocks = 65536;
constexpr std::uint64_t kMaxRegionBytes = std::uint64_t{1} << 30;
constexpr std::uint64_t kMaxSnapshotReads = 100000;
constexpr std::uint64_t kMaxSnapshotBytes = std::uint64_t{4} << 30;
// Entry records in all: each block costs the lists about 50 bytes, and the
// 32-bit edition has 2 GiB in all.
constexpr std::uint64_t kMaxSnapshotEntries = std::uint64_t{8} << 20;

// What one snapshot may spend on the process's memory.
struct WineHeapLimits {
    std::uint64_t reads = kMaxSnapshotReads;
    std::uint64_t bytes = kMaxSnapshotBytes;
    std::uint64_t entries = kMaxSnapshotEntries;
};

// Reads the heaps of the process whose process environment block is at
// `peb`, with pointers of `pointerSize` bytes (4 or 8), in whichever of the
// known layouts they are. Once a limit is reached, the heaps not yet read are
// left out and named.
WineHeapSnapshot ReadWineHeaps(const MemoryView& memory, Address peb, unsigned pointerSize,
                               const WineHeapLimits& limits = {});

// Reads a process's heaps from outside, where the system is Wine, whose
// layout this program knows.
class WineHeapReader {
public:
    virtual ~WineHeapReader() = default;
    // Whether the system is one whose heaps this reader knows how to find.
    virtual bool Applies() const = 0;
    virtual WineHeapSnapshot Read(std::uint32_t processId) = 0;
};

} // namespace corvane
