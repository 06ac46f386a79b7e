#pragma once

#include "heap/block_walk.h"
#include "heap/heap_snapshot.h"

#include <cstdint>
#include <vector>

namespace corvane {

// What changed in one heap between a baseline snapshot and a fresh one.
// Only busy blocks count, and a block is the same block only when both its
// address and its size are unchanged: a block that moved or was resized is
// one gone block and one new block.
struct HeapChanges {
    Address base = 0;
    bool heapIsNew = false;  // only the fresh snapshot has this heap
    bool heapIsGone = false; // only the baseline has it
    // Each sorted by size, largest first; equal sizes by address, lowest first.
    std::vector<HeapBlockCursor> added;
    std::vector<HeapBlockCursor> gone;
    // Byte sums stop at the largest 64-bit value rather than wrap, so a
    // malformed snapshot can make them too small but never misleadingly so.
    std::uint64_t addedBytes = 0;
    std::uint64_t goneBytes = 0;
};

struct SnapshotDifference {
    // The heaps that changed: those of the fresh snapshot in its order, then
    // the vanished ones in the baseline's order. A heap that exists in both
    // and whose busy blocks are all the same is left out; a heap that appeared
    // or vanished is always listed, even without busy blocks.
    std::vector<HeapChanges> heaps;
    std::uint64_t addedCount = 0;
    std::uint64_t addedBytes = 0;
    std::uint64_t goneCount = 0;
    std::uint64_t goneBytes = 0;
};

// Heaps are matched by base address. Blocks are compared as multisets of
// (address, size): a pair that a heap lists twice (malformed input) must be
// listed twice on the other side to count as unchanged. Should a snapshot
// list two heaps at one base, they are matched with the other snapshot's
// heaps at that base in the order they come.
SnapshotDifference CompareSnapshots(const HeapSnapshot& baseline, const HeapSnapshot& current);

} // namespace corvane
